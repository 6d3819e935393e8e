// The commands of tonalith-cli. Each returns the process exit status: 0 success, 2 bad
// input, 1 a failed analysis.
#pragma once

#include "cli/CliOptions.h"

namespace cli {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_ANALYSIS_FAILED = 1;

int runAnalyze(const AnalyzeOptions& options);
int runPeaks(const AnalyzeOptions& options);
int runTapers(const TapersOptions& options);

// One line on standard error, prefixed with the program name.
void complain(const std::string& text);

} // namespace cli
