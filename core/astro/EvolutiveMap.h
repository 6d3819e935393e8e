// The r2_opt of an evolutive test as a map draws it: one row per rate from the lowest, one
// column per window. A map's rows are evenly spaced, so a grid evenly spaced in log(rate) is
// resampled (linearly in log(rate)) onto finely spaced rates, to be shown on a logarithmic axis.
#pragma once

#include "core/astro/TimeOpt.h"

#include <vector>

namespace astro {

// At least 2 windows and 2 rates; rows receives the number of rows.
std::vector<double> evolutiveMapImage(const EvolutiveTimeOpt& e, bool logarithmic, int& rows);

} // namespace astro
