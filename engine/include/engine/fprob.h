// Probability of Thomson's harmonic F statistic: P = Prob(X <= F) for X with the F
// distribution of 2 and nu2 degrees of freedom, from the closed form P = 1 - x^(nu2/2),
// x = nu2 / (nu2 + 2F). Errors are reported in the IMSL manner under the name "mdfd  ".
#pragma once

namespace engine {

// Largest nu2 the probability accepts: nu1 + nu2 may not exceed 20000.
constexpr int MDFD_LARGEST_NU2 = 19998;

constexpr int MDFD_BAD_DEGREES = 129; // nu2 outside 2..MDFD_LARGEST_NU2
constexpr int MDFD_NEGATIVE_F = 130;  // F < 0
constexpr double MDFD_FILL = 1.0e37;  // P after an error

// Sets p to the probability (in [0, 1], or MDFD_FILL after an error) and ier to 0 or the
// error code; an error also writes one record to the diagnostic stream.
void mdfd(double F, int nu2, double& p, int& ier);

} // namespace engine
