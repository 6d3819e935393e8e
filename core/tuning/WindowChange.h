// A window's value stands for the whole window, over which the rate (or the traced frequency)
// may change: on a ramp or across a step, the test's best single rate departs from the rate at
// the window's centre by more than its interval, which assumes the rate constant within the
// window. An age ensemble widens each row's interval by that change, read from the rows
// themselves: the spread of a value spread evenly between the rows half a window either side
// (each the median of three neighbouring rows, so that one outlying row does not count), added
// in quadrature to the interval's own, in log value.
#pragma once

#include "core/tuning/RowDraws.h"

#include <cstddef>

namespace tuning {

// s with each main mode's interval widened (about its middle) by the change across its window.
RowSpread withWindowChange(RowSpread s);
// Whether withWindowChange widens s's intervals (a window length and three rows at least).
bool widensByWindowChange(const RowSpread& s);

} // namespace tuning
