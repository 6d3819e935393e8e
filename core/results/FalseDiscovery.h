// False-discovery-rate control over a family of tests: the step-up procedure of Benjamini and
// Hochberg (J. R. Stat. Soc. B 57, 1995). With the m p-values sorted, p_(1) <= ... <= p_(m),
// the tests p_(1)..p_(k) are kept for the largest k with p_(k) <= k q / m (none when there is
// no such k). Tied p-values are kept or dropped together: the rule depends on the values only,
// not on their order in the list.
#pragma once

#include <vector>

namespace results {

// kept[i] tells whether test i is a discovery at rate q. An empty list gives an empty result.
// p-values outside [0, 1] (or NaN) and q outside [0, 1] are refused with std::invalid_argument:
// they mean a fault upstream, and clamping would hide it.
std::vector<bool> benjaminiHochberg(const std::vector<double>& p, double q);

} // namespace results
