// Anchors: ages known at positions of the record (a dated ash bed, a magnetic reversal, a
// biostratigraphic datum), each with its standard deviation. An age model is pinned to them:
// shifted to the one anchor, or, with several, its ages rescaled between each two neighbouring
// anchors (the rate scaled by one factor per stretch) so that it meets every one; before the
// first and after the last it keeps its own rate.
#pragma once

#include "core/tuning/AgeModel.h"

#include <optional>
#include <string>
#include <vector>

namespace tuning {

struct Anchor {
    double position = 0, age = 0, sd = 0; // sd: one standard deviation, in age units
};

// "POSITION:AGE" or "POSITION:AGE:SD"; nothing, and why, when it is not.
std::optional<Anchor> parseAnchor(const std::string& text, std::string* why);

// Sorted by position. Why they cannot pin a model over the sorted sample positions z: one
// outside the record, two at one position, or ages that do not increase with position (an age
// model's do); nothing when they can.
std::optional<std::string> checkAnchors(std::vector<Anchor>& anchors, const std::vector<double>& z);

// The age of a model at position x: linear between its samples, its end ages beyond them.
double ageAt(const AgeModel& m, double x);

// The model pinned to the ages `at` (one per anchor, increasing) at the anchors' positions:
// ages and rates rescaled as above.
void pinToAnchors(AgeModel& m, const std::vector<Anchor>& anchors, const std::vector<double>& at);

// How far the model without anchors misses each anchor: the model shifted to meet the first
// anchor, then its age at each anchor less the anchor's age (0 at the first), and that miss in
// standard deviations of their difference (sqrt(sd_first^2 + sd^2 + spread^2), spread that of
// the model's age between the two anchors over an ensemble; 0 without one). A miss with a
// standard deviation of 0 has no value in standard deviations (NaN).
struct AnchorMiss {
    double model = 0, miss = 0, inSd = 0;
};
std::vector<AnchorMiss> anchorMisses(const AgeModel& m, const std::vector<Anchor>& anchors,
                                     const std::vector<double>& spread);

} // namespace tuning
