// Rows read at the other cycle than their neighbours. The astronomical test cannot always tell
// obliquity from precession in one window (the factor-of-two case), while the windows around it,
// measured on mostly the same samples, agree on one reading: a row whose value lies at the ratio
// of obliquity's period to precession's from the rows on either side within a window length of
// it may be either. An age ensemble draws such a row at either reading, with equal shares, so that
// its band covers both; the possible hiatuses do not count a change to it as a break.
#pragma once

#include "core/tuning/RowDraws.h"

#include <cstddef>
#include <vector>

namespace tuning {

// The rate ratios of the factor-of-two case: obliquity's period is 1.7 to 2.2 times precession's.
constexpr double aliasLow = 1.7, aliasHigh = 2.2;

// Whether a and b (both above 0) lie at that ratio, either way.
bool aliasRatio(double a, double b);

// The ratios at which a row counts as read at the other cycle than its neighbours: the alias
// ratios widened by the errors of a row and of its neighbours (the top of the default grid of
// rates, 5 cm/kyr, is 2.2 times 2.27).
constexpr double outlyingLow = 1.6, outlyingHigh = 2.5;

// s with the neighbours' reading added as a further mode of each row read at the other cycle
// (the median of the rows before it and that of the rows after it both at the alias ratio from
// its value; at an end, the one side): the median of the neighbours' values, with their median
// relative interval, and the row's own share. Neighbours: the other rows within s.windowLength
// of the row (the two beside it when the length is not known), at least two of them.
RowSpread withNeighbourReadings(RowSpread s);

// How many rows withNeighbourReadings gives a further mode.
std::size_t outlyingReadings(const RowSpread& s);
// The rows' positions and log values without those read at the other cycle than their
// neighbours: what the rows say of the rate history itself.
struct SettledRows {
    std::vector<double> position, logValue;
};
SettledRows settledRows(const RowSpread& s);

} // namespace tuning
