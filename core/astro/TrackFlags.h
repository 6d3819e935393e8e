// The evolutive test's track, window by window, with what each rate is worth: its p-value
// where the windows were tested, whether it passes false-discovery control over the windows
// (Benjamini-Hochberg), and its flag (tuning::RateFlag), so that an age model never integrates
// an edge, an alias or a jump without a word.
#pragma once

#include "core/astro/TimeOpt.h"
#include "core/tuning/SedimentationRate.h"

#include <vector>

namespace astro {

// The rate ratios of an alias: obliquity's period is 1.7 to 2.2 times precession's.
constexpr double aliasLow = 1.7, aliasHigh = 2.2;
// A jump: more than this share of the neighbour's rate, or three grid steps, whichever is more.
constexpr double jumpShare = 0.25;
constexpr int jumpSteps = 3;

struct FlaggedTrack {
    std::vector<TrackPoint> points;
    std::vector<double> pValues;   // one per window; empty when no simulations were run
    std::vector<bool> significant; // after false-discovery control at the rate asked
    std::vector<tuning::RateFlag> flags;
    std::vector<RateInterval> intervals; // the rate's, one per window

    // The mode of window w's interval that holds its rate; nothing where it has none.
    const RateMode* mode(std::size_t w) const;
};

// pValues: evolutiveSignificance's, or empty; fdr: the false-discovery rate over the windows;
// probability: the intervals'.
FlaggedTrack flagTrack(
    const EvolutiveTimeOpt& e, const std::vector<double>& pValues, double fdr,
    double probability = analysis::parameterDefault(analysis::ParameterId::IntervalProbability));

} // namespace astro
