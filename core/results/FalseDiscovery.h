// False-discovery-rate control over a family of tests: the step-up procedure of Benjamini and
// Hochberg (J. R. Stat. Soc. B 57, 1995). With the m p-values sorted, p_(1) <= ... <= p_(m),
// the tests p_(1)..p_(k) are kept for the largest k with p_(k) <= k q / m (none when there is
// no such k). Tied p-values are kept or dropped together: the rule depends on the values only,
// not on their order in the list.
//
// Lines that pass a level by chance. A line is a local maximum of the harmonic F statistic
// F(f), not a bin: zero padding puts about nfft / window bins on every independent frequency.
// Under white noise F(f) is an F field with 2 and 2K - 2 degrees of freedom, and the expected
// number of its local maxima above u over a frequency range R is close to the expected Euler
// characteristic of the excursion set (K. J. Worsley, Adv. Appl. Prob. 26, 1994):
//   R sqrt(lambda / pi) Gamma(K - 1/2) / Gamma(K - 1) sqrt(u / (K - 1)) (1 + u / (K - 1))^-(K-1)
// plus the tail (1 + u / (K - 1))^-(K-1) itself for the range's lower end. lambda, the
// variance of the eigencoefficients' frequency derivative over their variance, is
// (2 pi sigma)^2 with sigma^2 the tapers' mean second moment in time about the window's
// middle. On simulated white noise this is within 10 % for 4 or more tapers, within 25 % for 3.
#pragma once

#include "core/analysis/RunParameters.h"

#include <vector>

namespace results {

// kept[i] tells whether test i is a discovery at rate q. An empty list gives an empty result.
// p-values outside [0, 1] (or NaN) and q outside [0, 1] are refused with std::invalid_argument:
// they mean a fault upstream, and clamping would hide it.
std::vector<bool> benjaminiHochberg(const std::vector<double>& p, double q);

// The expected number of lines per window reaching probability `level` (0 < level < 1) in
// white noise, over the frequencies above 0 a run keeps; 0 with one taper (no F-test).
double expectedChanceLines(const analysis::RunParameters& p, double level);

} // namespace results
