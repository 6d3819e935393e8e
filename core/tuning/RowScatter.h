// A row's interval comes from its own window's fit and assumes the fit's model; in a noisy
// record the rows scatter about the rate history by far more than their intervals say. The
// scatter is read from the rows themselves: the second difference of their log values an
// eighth of a window apart, log v(x - h) - 2 log v(x) + log v(x + h), cancels a rate history
// linear over a quarter window; errors of standard deviation s that correlate by the windows'
// shared samples (1 - h/L at h) leave it a spread of s sqrt(6 - 8 (1 - h/L) + 2 (1 - 2h/L)) =
// s sqrt(4h/L) = s / sqrt(2). The median of its absolute values gives s: a step of the rate
// touches a quarter of the differences of a record two windows long, and the median leaves it
// out (the step's own error is the shared one of WindowChange.h). Rows drawn at either reading
// (see NeighbourReadings.h) are left out. A row whose interval claims less than s is widened
// to it about the interval's middle (a Birge-ratio inflation, row by row).
#pragma once

#include "core/tuning/RowDraws.h"

namespace tuning {

// The rows' scatter s in log value, or 0 where it cannot be read (fewer than five second
// differences: the rows span little more than a quarter window).
double rowScatter(const RowSpread& s);
// s with each main mode's interval widened, about its middle, to the rows' scatter.
RowSpread withRowScatter(RowSpread s);

} // namespace tuning
