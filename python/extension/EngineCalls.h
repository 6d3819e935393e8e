// The module's two analyses computed from a prepared run: the one place where the module calls
// the engine. Each allocates its results, runs on a cancellable thread of its own (one analysis
// at a time in the process) and turns a failure of the engine into RuntimeError.
#pragma once

#include "core/analysis/RunPreparation.h"
#include "core/results/ResultSet.h"
#include "core/spectrum/WholeRecord.h"

namespace pymodule {

// The evolutive analysis of run's series with request's settings; `workers` threads for the
// windows (0: one per core).
results::ResultSet evolutiveAnalysis(analysis::PreparedRun run, const analysis::RunRequest& request,
                                     int workers);

// The whole record's spectrum of run's series with the run's settings and that background.
spectrum::WholeRecord wholeRecordAnalysis(const analysis::PreparedRun& run, bool keepMean,
                                          spectrum::BackgroundKind background);

} // namespace pymodule
