// The tool's figures, drawn by the plot layer on Qt's offscreen platform: the map of an
// analysis and the spectrum of a whole record. The only unit of the tool that knows the plot
// layer.
#pragma once

#include "cli/CliOptions.h"
#include "core/analysis/Provenance.h"
#include "core/results/ResultSet.h"
#include "core/spectrum/WholeRecord.h"

namespace cli {

// The map as the application shows it, into o.map; false (said on standard error) when it
// could not be written.
bool drawMap(const AnalyzeOptions& o, const results::ResultSet& r);

// The whole record's power, background, levels and F-test probability, into o.plot.
bool drawSpectrum(const AnalyzeOptions& o, const analysis::Provenance& p,
                  const spectrum::WholeRecord& r);

} // namespace cli
