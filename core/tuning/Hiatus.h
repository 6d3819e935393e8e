// Where an age model may miss time: a hiatus, or a condensed section whose rate the windows
// cannot follow. The rows say so where the rate (or the traced frequency) changes abruptly
// between two neighbouring windows, beyond what the windows' overlap and the rows' intervals
// allow and beyond the record's usual changes between neighbours, or where a row has no dominant
// rate (its main mode holds less than half the probability). A removed interval breaks the cycles'
// phase in every window that holds it, and those windows' rates depart from their neighbours' and
// come back: changes within a window length of one another are named as one stretch. A change to a
// row read at the other cycle than its neighbours (NeighbourReadings.h) is the factor-of-two case,
// not a break. The age band covers the rows' uncertainty, not such missing time. A trace cannot
// show a removed interval at an unchanged rate: the line keeps its frequency across it.
#pragma once

#include "core/tuning/RowDraws.h"

#include <string>
#include <vector>

namespace tuning {

// The smallest change of log value between neighbouring rows that counts as abrupt, whatever
// the intervals say (about two steps of the default grid of trial rates, four of them apart).
constexpr double abruptChange = 0.08;
// How many standard deviations of the difference of two neighbouring rows make a change abrupt.
constexpr double abruptSds = 3.0;
// A row whose main mode holds less than this share has no dominant rate.
constexpr double dominantShare = 0.5;

struct PossibleHiatus {
    double position = 0;            // the middle of the stretch
    double first = 0, last = 0;     // the centres of the rows that bound it
    std::vector<std::string> signs; // what the rows show, one phrase each
};

// The stretches, in position order. s: the rows (positions, main modes with their intervals,
// further modes), s.windowLength the windows' length (0: unknown, rows grouped when adjacent);
// quantity: what the rows hold, for the phrases ("rate", "frequency").
std::vector<PossibleHiatus> possibleHiatuses(const RowSpread& s, const std::string& quantity);

} // namespace tuning
