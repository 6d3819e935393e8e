// The whole-record spectrum as a result file: the '#' block of the run with the background's
// kind, rho and S0, a header line and one row per bin. Numbers read back to the same double.
#pragma once

#include "core/analysis/Provenance.h"
#include "core/io/AtomicFile.h"
#include "core/results/HeaderBlock.h"
#include "core/spectrum/WholeRecord.h"

#include <string>

namespace spectrum {

// The header's "reliable" line: which bins are not trusted, and why.
std::string reliableText(const WholeRecord& r);

// The '#' block of the run and of the background; a file's own lines may follow.
results::HeaderBlock wholeRecordHeader(const analysis::Provenance& p, const WholeRecord& r);

// "frequency	period	power	amplitude	probability	background	level_90
// level_95	level_99	dof	reliable"
// (reliable: 1 where the levels can be trusted, 0 in the lowest bands where they cannot).
std::string wholeRecordTitles();

// The period of frequency 0 is written as NA: it has none.
void appendWholeRecordRow(std::string& out, const WholeRecord& r, std::size_t i);

// Whether every number a file would hold is finite.
bool wholeRecordFinite(const WholeRecord& r);

bool writeWholeRecord(io::AtomicFile& out, const analysis::Provenance& p, const WholeRecord& r);

} // namespace spectrum
