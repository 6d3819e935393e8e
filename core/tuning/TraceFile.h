// Traces as files: written with the '#' block of the run they were traced on, then
// "x_centre	frequency	period	amplitude	probability	flag	frequency_low
// frequency_high", one row per window (the interval NA where it is not known); read back from
// any tab-separated (or comma- or semicolon-separated) file with columns named x_centre and
// frequency, lines starting with '#' skipped, so that a trace from the window, the tool, R or
// Python all serve. Of the '#' block, the reader takes the period of the traced cycle (written
// when the positions are ages) and the half-bandwidth W, where Tonalith wrote them.
#pragma once

#include "core/analysis/Provenance.h"
#include "core/results/HeaderBlock.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/LineTrace.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tuning {

struct TraceStart {
    double position = 0, frequency = 0, band = 0; // as typed
    TraceBy by = TraceBy::Amplitude;
    double startedAt = 0; // the frequency the trace started at (startBin); 0: not known
    double level = kTraceLevel;
    double period = 0; // the cycle's period, the positions being ages in its unit; 0: not given
    // The probability of the frequencies' intervals.
    double interval = analysis::parameterDefault(analysis::ParameterId::IntervalProbability);
};

// The whole file's text. The period of a point at frequency 0 is written as 0: it has none.
// With start.period, the block says the positions are ages and what drift means.
std::string traceText(const analysis::Provenance& p, const TraceStart& start,
                      const std::vector<TracePoint>& trace);

struct ReadTrace {
    Trace trace;
    std::vector<int> lines;       // the file line of each row, for messages
    std::vector<TraceFlag> flags; // of each row; empty when the file has no flag column
    double period = 0;            // of the traced cycle when the block gives it (ages); else 0
    double halfBandwidth = 0;     // W of the run it was traced on when the block gives it; else 0
    // frequency_low and frequency_high, where the file has them (NaN for NA)
    std::map<std::string, std::vector<double>> intervals;
};

// The trace a file's text holds, checked as the age model needs it (checkTrace); nothing, and
// why, otherwise.
std::optional<ReadTrace> readTrace(const std::string& text, std::string* why);

// On a record whose positions are ages, flags drift every row whose frequency departs from
// 1 / period by more than the file's W (rows without a flag column get one, ok elsewhere).
// False, and nothing flagged, when the file does not give W.
bool flagDriftedRows(ReadTrace& t, double period);

// Why a trace should not make an age model as it is: its rows flagged jump, edge or drift, the
// first few named by position and line, and the remedy `accept` (an option that takes it as it
// is). Nothing when no row is so flagged.
std::optional<std::string> flaggedRowsProblem(const ReadTrace& t, const std::string& accept);

// The start of the '#' block of an age model and of a tuned series: the record, the column and
// the preparation when there was one.
results::HeaderBlock modelHeader(const analysis::Provenance& p, const std::string& what);
// The '#' block of an age model and of a tuned series from a trace: modelHeader, the trace
// file, the period, the start age and the step (0: none).
results::HeaderBlock tuningHeader(const analysis::Provenance& p, const std::string& traceName,
                                  double period, double startAge, double step);
// The age model's table after the block: a '#' line naming the rate's unit (none when rateUnit
// is empty, the block naming it already), "position	age	sedimentation_rate" and one row per
// sample; with cmPerKyr > 0 a column "sedimentation_rate_cm_per_kyr", the rate times it; with a
// band, the columns "age_low	age_median	age_high" last.
struct AgeModelTable {
    std::string rateUnit = "position units per age unit (the unit of the period)";
    double cmPerKyr = 0;
    const AgeBand* band = nullptr;
};
std::string ageModelText(results::HeaderBlock header, const AgeModel& m,
                         const AgeModelTable& table = {});
// "age	<title>" and one row per age, after the block.
std::string tunedSeriesText(const results::HeaderBlock& header, const TunedSeries& s,
                            const std::string& title);
// Whether every number of the model and the tuned series is finite.
bool tuningFinite(const AgeModel& m, const TunedSeries& s);

} // namespace tuning
