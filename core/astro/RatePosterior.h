// An interval for the sedimentation rate from the likelihood of the astronomical test's power
// fit, after the Bayesian form of the test (S. R. Meyers and A. Malinverno, Proterozoic
// Milankovitch cycles and the history of the solar system, PNAS 115, 6363-6368, 2018): the
// residuals of the fit at the target periods are an AR(1) process whose correlation and
// variance are set at their estimates (core/astro/RateScanner.h), the prior is uniform in the
// rate, and the posterior density is proportional to the likelihood. The envelope's fit is
// left out: it is made from the same samples as the power fit (its likelihood would count
// them twice) and its residuals, a smooth curve, are far from AR(1); with it, 95 % intervals
// covered the true rate in only two records of three on simulated records.
//
// The log-likelihood is known at the scored rates and at rates inserted between them where the
// posterior holds its mass (refineLikelihood); between known rates it is taken as linear, so
// that the density is exponential on each stretch and its integrals exact. The interval of a
// mode is the highest-posterior-density set: where the density reaches the level that holds
// the probability asked for. Separate stretches of that set are separate modes (their
// valleys at least a factor e below the lower peak), each with its share of the probability:
// the posterior's mass on its side of the lowest points between the modes.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace astro {

struct RateLikelihood {
    double rate = 0;          // cm/kyr
    double logLikelihood = 0; // up to a constant common to all rates of one record
};

struct RateMode {
    double low = 0, high = 0; // the interval: where the density reaches the level, cm/kyr
    double peak = 0;          // the known rate of highest density within it
    double share = 0;         // the mode's share of the probability, 0 .. 1
    double from = 0, to = 0;  // the rates whose probability the share counts
};

struct RateInterval {
    double probability = 0;      // asked for: 0.95 for a 95 % interval
    std::vector<RateMode> modes; // increasing; empty: no likelihood was known
    // The mode whose rates [from, to] hold `rate` (the nearest when none does); nothing when
    // there are no modes.
    const RateMode* holding(double rate) const;
};

// The likelihood at rates between the known ones (increasing, at least 2) where linear
// interpolation would misplace the density: stretches whose higher end lies within 16 of the
// largest log-likelihood (beyond, the density is below 1e-7 of its peak) and whose ends differ
// by more than 1, or whose neighbours' parabolas depart from the straight line by more than
// 0.05 at the midpoint, are halved until none is left, a stretch is a billionth of its rate
// wide, `rounds` halvings have been made or `budget` rates have been added (the stretches of
// highest likelihood first). `at` gives the log-likelihood at the rates of one round at once
// (increasing).
using LikelihoodAt = std::function<std::vector<double>(const std::vector<double>& rates)>;
std::vector<RateLikelihood> refineLikelihood(std::vector<RateLikelihood> p, const LikelihoodAt& at,
                                             int rounds = 24, std::size_t budget = 400);

// The posterior's probability of the rates from `from` to `to` (0 without a finite
// likelihood of at least 2 rates).
double posteriorMass(const std::vector<RateLikelihood>& likelihood, double from, double to);

// The modes of the posterior for probability 0 < P < 1; no modes from fewer than 2 rates or
// a likelihood that is not finite.
RateInterval rateInterval(const std::vector<RateLikelihood>& likelihood, double probability);

} // namespace astro
