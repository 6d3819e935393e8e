// A row's interval comes from its own window's fit and assumes the fit's model; in a noisy
// record the rows scatter about the rate history by far more than their intervals say. The
// scatter is read from the rows themselves: the second difference of their log values at half a
// window's spacing, log v(x - L/2) - 2 log v(x) + log v(x + L/2), cancels a rate history
// linear over a window; errors of standard deviation s that correlate by the windows' shared
// samples (1/2 at L/2, none at L) leave it a spread of s sqrt(6 - 8/2 + 0) = s sqrt(2). Its
// mean absolute value gives s, whatever the differences' correlation; a step of the rate counts
// as scatter too, a row read at the other cycle than its neighbours does not (it is drawn at
// either reading, see NeighbourReadings.h). A row whose interval claims less is
// widened to it about the interval's middle (a Birge-ratio inflation, row by row).
#pragma once

#include "core/tuning/RowDraws.h"

namespace tuning {

// The rows' scatter s in log value, or 0 where it cannot be read (fewer than five second
// differences: the rows span little more than a window).
double rowScatter(const RowSpread& s);
// s with each main mode's interval widened, about its middle, to the rows' scatter.
RowSpread withRowScatter(RowSpread s);

} // namespace tuning
