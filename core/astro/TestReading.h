// What the astronomical test's optimum means, in words, before anyone builds on it: whether it
// lies on the edge of the scored rates (the true rate may lie beyond), whether it is significant,
// and which other rates score nearly as well (the factor-of-two trap: obliquity taken for
// precession doubles the rate).
#pragma once

#include "core/astro/TimeOpt.h"

#include <string>
#include <vector>

namespace astro {

struct TestReading {
    bool atEdge = false;               // the optimum is the lowest or highest scored rate
    bool tested = false;               // simulations gave a p-value
    bool significant = false;          // p-value at most the level (only when tested)
    std::vector<RateScore> candidates; // local maxima of r2_opt above half the largest
    std::vector<std::string> cautions; // one sentence each; empty: nothing to caution
};

// The level the optimum's p-value is read against.
constexpr double significanceLevel = 0.05;

TestReading readTest(const TimeOptScan& scan, const Significance* significance);

// The local maxima of r2_opt above half the largest, by increasing rate.
std::vector<RateScore> candidateRates(const std::vector<RateScore>& scores);

// "2.27 cm/kyr (r2_opt 0.121), 4.885 cm/kyr (r2_opt 0.153)".
std::string candidatesText(const std::vector<RateScore>& candidates);

} // namespace astro
