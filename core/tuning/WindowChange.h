// A window's value stands for the whole window, over which the rate (or the traced frequency)
// may change: on a ramp or across a step, the test's best single rate departs from the rate
// the window's thickness and duration give by more than its interval, which assumes the rate
// constant within the window, and it departs the same way in every window the change spans. An
// age ensemble gives each row that error as a shared one (RowMode::changeSd), read from the
// rows themselves: the spread of a value spread evenly over the change between the rows half a
// window either side (each the median of three neighbouring rows, leaving out those read at the
// other cycle than their neighbours), in log value. Near the ends, where one side lies beyond the
// rows, the change over the part within them is scaled to the whole window, as the ends' ages are
// extrapolated.
#pragma once

#include "core/tuning/RowDraws.h"

#include <cstddef>

namespace tuning {

// s with each main mode's shared error set to the change across its window.
RowSpread withWindowChange(RowSpread s);
// Whether withWindowChange gives s's rows a shared error (a window length and three rows).
bool widensByWindowChange(const RowSpread& s);

} // namespace tuning
