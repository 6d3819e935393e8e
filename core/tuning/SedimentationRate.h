// An age model from a sedimentation-rate track: rows (x_centre, sedimentation_rate in cm/kyr),
// the rate s(z) linear in position between rows and held at the ends, and
//     age(z) = T + integral from the first sample to z of 100 / s(z') dz'   (z in metres),
// integrated in closed form: over a stretch where s runs linearly from s0 to s1 across a
// length L, the integral is L / s0 * log(s1 / s0) / (s1 / s0 - 1). The track from the
// evolutive astronomical test serves, and so does one written by hand.
#pragma once

#include "core/analysis/Provenance.h"
#include "core/results/HeaderBlock.h"
#include "core/tuning/AgeModel.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tuning {

struct RateTrack {
    std::vector<double> position; // position units, strictly increasing
    std::vector<double> rate;     // cm/kyr, above 0
};

// Why a track cannot make an age model (the first fault, naming its row counted from 1, or its
// line in a file when lines are given); nothing when it can.
std::optional<std::string> checkRateTrack(const RateTrack& t,
                                          const std::vector<int>* lines = nullptr);

// The track's rate at z (cm/kyr).
double rateAt(const RateTrack& t, double z);

// For sorted sample positions z, a checked track, the positions' unit in metres and the start
// age T (kyr). The model's rate is in position units per kyr, as for a traced cycle.
AgeModel sedimentationAgeModel(const std::vector<double>& z, const RateTrack& t,
                               double metresPerUnit, double startAge);

// What the evolutive test says of each window's rate, the first that applies in this order:
// edge (the optimum on the lowest or highest scored rate), alias (another rate about twice or
// half as fast scores nearly as well: obliquity may be taken for precession), jump (far from a
// neighbouring window's), weak (not significant, or not tested), else ok.
enum class RateFlag { Ok, Weak, Jump, Alias, Edge };
const char* rateFlagName(RateFlag flag);
std::optional<RateFlag> parseRateFlag(const std::string& text);

struct ReadRateTrack {
    RateTrack track;
    std::vector<int> lines;      // the file line of each row, for messages
    std::vector<RateFlag> flags; // of each row; empty when the file has no flag column
    std::string column;          // the column the rates were read from
    // rate_low, rate_high and mode_share, where the file has them (NaN for NA)
    std::map<std::string, std::vector<double>> intervals;
};

// Why a track should not make an age model as it is: its rows flagged edge, alias or jump, the
// first few named with their lines, and the option (`accept`) that takes them all the same.
// Nothing when no row is so flagged.
std::optional<std::string> flaggedRateRowsProblem(const ReadRateTrack& t,
                                                  const std::string& accept);

// The column of rates a track is read from by default: the rate the lines and the test agree on
// where the track has it, else the optimum's.
constexpr const char* identifiedRateColumn = "identified_rate";
constexpr const char* optimumRateColumn = "sedimentation_rate";

// The track a tab-separated text holds, with a column x_centre and the rates in `column` (empty:
// identified_rate where the text has it, else sedimentation_rate), '#' lines skipped; checked
// with checkRateTrack. Nothing, and why, otherwise.
std::optional<ReadRateTrack> readRateTrack(const std::string& text, std::string* why,
                                           const std::string& column = {});

// The '#' block of an age model and a tuned series made from a track: the record, the column,
// the track file, the positions' unit, the start age and the step (0: none).
results::HeaderBlock sedimentationRateHeader(const analysis::Provenance& p,
                                             const std::string& trackName,
                                             const std::string& positionUnit, double startAge,
                                             double step,
                                             const std::string& column = optimumRateColumn);

} // namespace tuning
