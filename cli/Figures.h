// The tool's figures, drawn by the plot layer on Qt's offscreen platform: the map of an
// analysis, the spectrum of a whole record and the astronomical test. The only unit of the tool
// that knows the plot layer.
#pragma once

#include "cli/AstroOptions.h"
#include "cli/CliOptions.h"
#include "core/analysis/Provenance.h"
#include "core/astro/AstroFiles.h"
#include "core/results/ResultSet.h"
#include "core/spectrum/WholeRecord.h"

namespace cli {

// The map as the application shows it, into o.map; false (said on standard error) when it
// could not be written.
bool drawMap(const AnalyzeOptions& o, const results::ResultSet& r);

// The whole record's power, background, levels and F-test probability, into o.plot.
bool drawSpectrum(const AnalyzeOptions& o, const analysis::Provenance& p,
                  const spectrum::WholeRecord& r);

// The three scores of the astronomical test against the rate, with the optimum and p-value,
// into o.plot.
bool drawTimeOpt(const AstroOptions& o, const astro::TestDescription& d,
                 const astro::TimeOptScan& scan, const astro::Significance* significance);

// The evolutive test's r2_opt over position and rate, with the track of optima, into o.map.
bool drawEvolutiveMap(const AstroOptions& o, const astro::TestDescription& d,
                      const astro::EvolutiveTimeOpt& e);

} // namespace cli
