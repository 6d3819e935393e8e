// How the astronomical test scores series at trial rates (core/astro/TimeOpt.h): the
// standardised series, the orthonormal bases of the target periods, the explained fractions
// and, for the rate's likelihood, the AR(1) log-likelihood of the power fit's residuals. Shared
// by the test and its surrogates; core's own, not for the front ends.
#pragma once

#include "core/astro/BandPass.h"
#include "core/astro/Fft.h"
#include "core/astro/TimeOpt.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace astro::scanning {

// The series scored together against one rate's bases while these are in cache.
constexpr std::size_t blockSize = 16;

// The values with their least-squares line removed, scaled to unit variance; false when they
// lie on a line.
bool standardise(const double* v, std::size_t n, double* out);

double lagOneCorrelation(const std::vector<double>& y);

// An orthonormal basis of the constant (first column) and a cosine and a sine at each period,
// at times i dt of the samples i in `rows` (0 .. n - 1 without); rows one per sample, stored
// row after row.
struct Basis {
    std::size_t columns = 0;
    std::vector<double> q;
};
Basis sinusoidBasis(std::size_t n, double dt, const std::vector<double>& periods);
Basis sinusoidBasis(const std::vector<std::size_t>& rows, double dt,
                    const std::vector<double>& periods);

// Fewer samples than twice the regressors of a fit leave nothing to test.
std::size_t fewestFor(std::size_t periods);

// The eccentricity periods, then the precession periods: the power fit's.
std::vector<double> allPeriods(const Targets& t);

// The log-likelihood of the residuals r = y - Q c of a fit on basis b of m columns (c: its
// coefficients, y of n values) as a stationary AR(1) process (Meyers and Malinverno 2018, PNAS
// 115, 6363, model the residuals of the power fit so), its lag-one correlation at the
// residuals' own and its innovation variance integrated out with the fit's m amplitudes (flat
// priors; their determinant, which varies little with the rate, left out):
//   -(n - m)/2 log(S / n) + 1/2 log(1 - rho^2),
//   S = (1 - rho^2) r_0^2 + sum_t (r_t - rho r_{t-1})^2,
// the constants that do not depend on the fit left out.
double residualLogLikelihood(const Basis& b, const double* y, const double* c, std::size_t n);

// The same for a standardised series y fitted at the target periods at dt kyr per sample.
double powerLogLikelihood(const std::vector<double>& y, double dt,
                          const std::vector<double>& periods);

// What scoring series of n samples at the scored rates needs: the transform, each rate's band
// bins, the samples off the record's edges at which the envelope is fitted, and (when they fit)
// its bases. With `likelihood`, each score carries the power fit's
// log-likelihood too.
class Scanner {
public:
    Scanner(std::size_t n, double spacingMetres, const TimeOptSettings& s,
            std::vector<double> rates, bool likelihood);

    std::size_t samples() const { return n_; }
    const std::vector<double>& rates() const { return rates_; }

    // One worker's buffers, for `slots` series at a time.
    struct Workspace {
        std::vector<std::vector<double>> y;
        std::vector<FftBuffer<std::complex<double>>> spectrum;
        std::vector<bool> usable; // the series is not a straight line
        FftBuffer<double> padded;
        FftBuffer<std::complex<double>> analytic, signal;
        std::vector<std::vector<double>> envelope;
        std::vector<double> coefficients;
        Basis power, envelopeBasis; // when not cached
        std::size_t basesOf = SIZE_MAX;
    };
    Workspace workspace(std::size_t slots) const;

    // Standardises raw values (n) into slot k and takes their transform.
    void load(const double* values, std::size_t k, Workspace& w) const;

    // The scores at rate r of the series in slots 0 .. count - 1.
    void score(std::size_t r, std::size_t count, Workspace& w, RateScore* out) const;

private:
    struct RatePlan {
        double dt = 0;
        BandBins bins;
        std::vector<std::size_t> inside; // samples off the record's edges; empty: too few
        Basis power, envelope;
    };
    void makeBases(const RatePlan& p, Basis& power, Basis& envelope) const;

    std::size_t n_;
    Fft fft_;
    std::vector<std::size_t> all_;
    std::vector<double> periods_, eccentricity_, rates_;
    std::vector<RatePlan> plans_;
    bool cached_ = false;
    bool likelihood_ = false;
};

// Scores series 0 .. count - 1 at every rate on the workers, blockSize series at a time so
// that each rate's bases serve the whole block while they are in cache. fill(item, values)
// writes the item's raw values (n); take(item, rate, score) receives its scores, for different
// items from different threads at once. False when cancelled.
bool scoreAll(const Scanner& scanner, std::size_t count, const Execution& e,
              const std::function<void(std::size_t, double*)>& fill,
              const std::function<void(std::size_t, std::size_t, const RateScore&)>& take);

} // namespace astro::scanning
