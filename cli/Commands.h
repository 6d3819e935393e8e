// The commands of tonalith-cli. Each returns the process exit status: 0 success, 2 bad
// input, 1 a failed analysis.
#pragma once

#include "cli/CliOptions.h"
#include "core/analysis/Provenance.h"
#include "core/results/ResultSet.h"
#include "core/series/SeriesFile.h"

namespace cli {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_ANALYSIS_FAILED = 1;

int runAnalyze(const AnalyzeOptions& options);
int runSpectrum(const AnalyzeOptions& options);
int runTrace(const AnalyzeOptions& options);
int runTune(const AnalyzeOptions& options);
int runPeaks(const AnalyzeOptions& options);
int runTapers(const TapersOptions& options);

// The run as every front end prepares it, worded for a terminal: the series and its provenance
// (whose parameters are those the run takes). Returns the exit status to give up with, or 0.
// SeriesOnly: the series alone, an uneven one taken at its first spacing with a warning
// (tuning); EvenSeries: the series alone, an uneven one refused (the astronomical test).
enum class LoadFor { Map, WholeRecord, SeriesOnly, EvenSeries };
int loadChecked(const AnalyzeOptions& o, series::Series& s, analysis::Provenance& p,
                LoadFor use = LoadFor::Map);

// The engine over a loaded series into r (whose provenance is set), with the progress bar.
// 0, or the exit status to give up with.
int analyseLoaded(const AnalyzeOptions& o, const series::Series& s, results::ResultSet& r);

// One line on standard error, prefixed with the program name.
void complain(const std::string& text);

} // namespace cli
