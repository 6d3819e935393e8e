// What both routes of tune write once their rows are read: the age model (pinned to the
// anchors, with its band when an ensemble is asked for), the ensemble's own file and the tuned
// series, with the '#' block saying how they were made.
#pragma once

#include "cli/AnalyzeOptions.h"
#include "core/results/HeaderBlock.h"
#include "core/series/SeriesFile.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/TraceFile.h"

#include <optional>
#include <string>

namespace cli {

struct TuneRows {
    std::string option;   // the file's option, "--trace" or "--sedrate", for refusals
    std::string fileName; // as given
    std::string fileText; // its '#' block states the rows' window
    // The rows: positions and central values, and their intervals where the file has them
    // (else why it has none, said when an ensemble is asked for).
    tuning::RowSpread spread;
    std::string noIntervals;
    tuning::RowIntegral how;
    std::string quantity; // what the rows hold: "frequency" or "rate"
    std::string title;    // the value column's, for the tuned series
    std::string unfinite; // what to say when the model is not finite
};

// The exit status: 0, or EXIT_BAD_INPUT / EXIT_ANALYSIS_FAILED after one line on standard
// error. o: the tune options (the model file, the step, the start age, -o and the ensemble's).
int writeTuning(const AnalyzeOptions& o, const series::Series& s, TuneRows rows,
                results::HeaderBlock block, tuning::AgeModelTable table);

} // namespace cli
