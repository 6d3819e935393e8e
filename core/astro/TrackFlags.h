// The evolutive test's track, window by window, with what each rate is worth: its p-value
// where the windows were tested, whether it passes false-discovery control over the windows
// (Benjamini-Hochberg), and its flag (tuning::RateFlag), so that an age model never integrates
// an edge, an alias or a jump without a word.
#pragma once

#include "core/astro/CycleIdentity.h"
#include "core/astro/TimeOpt.h"
#include "core/tuning/RowDraws.h"
#include "core/tuning/SedimentationRate.h"

#include <optional>
#include <string>

#include <vector>

namespace astro {

// A jump: more than this share of the neighbour's rate, or three grid steps, whichever is more.
constexpr double jumpShare = 0.25;
constexpr int jumpSteps = 3;

struct FlaggedTrack {
    std::vector<TrackPoint> points;
    std::vector<double> pValues;   // one per window; empty when no simulations were run
    std::vector<bool> significant; // after false-discovery control at the rate asked
    std::vector<tuning::RateFlag> flags;
    // One per window when the lines were tested (evolutiveIdentity); else empty.
    std::vector<CycleIdentity> identities;
    std::vector<RateInterval> intervals; // the rate's, one per window

    // The rate the lines and r2_opt agree on in window w; the optimum without identities.
    double identifiedRate(std::size_t w) const {
        return identities.size() > w && !identities[w].candidates.empty() ? identities[w].rate()
                                                                          : points[w].rate;
    }
    // The mode of window w's interval that holds its identified rate (the one an age model
    // integrates); nothing where it has none.
    const RateMode* mode(std::size_t w) const;
};

// pValues: evolutiveSignificance's, or empty; fdr: the false-discovery rate over the windows;
// identities: evolutiveIdentity's, or empty; probability: the intervals'. A window is also
// flagged alias where its lines alone fit best, significantly, at a rate at least 1.7 times or
// at most 1/1.7 its identified rate.
FlaggedTrack flagTrack(
    const EvolutiveTimeOpt& e, const std::vector<double>& pValues, double fdr,
    std::vector<CycleIdentity> identities = {},
    double probability = analysis::parameterDefault(analysis::ParameterId::IntervalProbability));

// The windows' identified rates as an age ensemble draws them, as the tool's track gives them to
// tune: each with the interval of the mode holding it (a window without one takes the median
// widths of the others, tuning::spreadFrom) and the other modes beside it; windowLength in
// position units. Nothing, and why, when no window has an interval.
std::optional<tuning::RowSpread> trackSpread(const FlaggedTrack& t, double windowLength,
                                             std::string* why);

} // namespace astro
