// The module's analyses of a prepared run, handed to the analysis service on a cancellable
// thread of their own; a run the service could not finish raises RuntimeError with its words,
// and so do results that are not finite.
#pragma once

#include "core/analysis/RunPreparation.h"
#include "core/astro/TimeOpt.h"
#include "core/results/ResultSet.h"
#include "core/service/AnalysisService.h"
#include "core/spectrum/WholeRecord.h"

#include <pybind11/pybind11.h>

#include <string>

namespace pymodule {

// The folder of the engine's records that records= names: None for the user's cache folder
// (created when missing), else a writable folder; ValueError naming the argument otherwise.
std::string recordsArgument(const pybind11::object& records);

// How the module's runs are carried out: quiet, the engine's records where they go by default.
service::Execution moduleExecution();

// The evolutive analysis of run's series with the run's settings; `workers` threads for the
// windows (0: one per core); the engine's records go to the folder `records`.
results::ResultSet evolutiveAnalysis(const analysis::PreparedRun& run, int workers,
                                     const std::string& records);

// The whole record's spectrum of run's series with the run's settings and that background.
spectrum::WholeRecord wholeRecordAnalysis(const analysis::PreparedRun& run, bool keepMean,
                                          spectrum::BackgroundKind background,
                                          const std::string& records);

// The astronomical test of run's series over the settings' rates, its significance from
// `simulations` surrogates (none when 0) and its evolutive form; `workers` threads (0: one per
// core). A setting the test refuses raises ValueError naming the argument.
struct TimeOptRun {
    astro::TimeOptScan scan;
    astro::Significance significance;
};
TimeOptRun timeOptRun(const analysis::PreparedRun& run, const astro::TimeOptSettings& settings,
                      int simulations, std::uint64_t seed, int workers);
astro::EvolutiveTimeOpt evolutiveRun(const analysis::PreparedRun& run,
                                     const astro::TimeOptSettings& settings, double windowLength,
                                     double stepLength, int workers);
// Every window of e tested with `simulations` surrogates (the p-values, one per window).
std::vector<double> windowSignificanceRun(const analysis::PreparedRun& run,
                                          const astro::TimeOptSettings& settings,
                                          const astro::EvolutiveTimeOpt& e, int simulations,
                                          std::uint64_t seed, int workers);

// The harmonic F-test's lines of run's series in windows of q (one window of the record's
// length: its lines), by `rule`; a run the engine refuses raises ValueError.
service::WindowLines linesRun(const analysis::PreparedRun& run, const analysis::RunParameters& q,
                              const results::LineRule& rule);

} // namespace pymodule
