#include "core/tuning/FrequencyInterval.h"

#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>

namespace tuning {

namespace {

using Complex = std::complex<double>;

// The first search for the largest fitted energy: this many frequencies across the band.
constexpr int searchPoints = 64;
// Golden-section steps after it, and bisection steps for each end of the interval: each
// shrinks its bracket by at least 0.618, so that 60 reach double precision.
constexpr int refineSteps = 60;

// exp(-2 pi i d t) for t = 0 .. n - 1, by rotation, renewed every 64 samples so that
// rounding does not build up.
void phasors(double d, std::size_t n, std::vector<Complex>& out) {
    out.resize(n);
    const Complex step = std::polar(1.0, -2 * M_PI * d);
    for (std::size_t t = 0; t < n; ++t)
        out[t] = t % 64 == 0 ? std::polar(1.0, -2 * M_PI * d * static_cast<double>(t))
                             : out[t - 1] * step;
}

// The window's eigencoefficients at frequency c and the fitted energy E(f) of a line at
// f = c - d (cycles per sample), for the tapers v (K of n samples).
class LineFit {
public:
    LineFit(const std::vector<double>& x, const std::vector<double>& v, int tapers, double c)
        : n_(x.size()), k_(tapers), v_(v), y_(static_cast<std::size_t>(tapers)) {
        phasors(c, n_, work_);
        for (int k = 0; k < k_; ++k)
            for (std::size_t t = 0; t < n_; ++t)
                y_[k] += v_[k * n_ + t] * x[t] * work_[t];
        for (const Complex& y : y_)
            total_ += std::norm(y);
    }

    // The eigencoefficients' energy: the residual sum of squares of no line.
    double total() const { return total_; }

    double energy(double d) {
        phasors(d, n_, work_);
        Complex fitted = 0;
        double norm = 0;
        for (int k = 0; k < k_; ++k) {
            Complex vk = 0;
            for (std::size_t t = 0; t < n_; ++t)
                vk += v_[k * n_ + t] * work_[t];
            fitted += std::conj(vk) * y_[k];
            norm += std::norm(vk);
        }
        return norm > 0 ? std::norm(fitted) / norm : 0.0;
    }

private:
    std::size_t n_;
    int k_;
    const std::vector<double>& v_;
    std::vector<Complex> y_, work_;
    double total_ = 0;
};

// The offset d in [low, high] of largest energy: the best of a first search, then golden
// sections between its neighbours.
double largestEnergy(LineFit& fit, double low, double high) {
    double best = low, most = -1;
    const double step = (high - low) / searchPoints;
    for (int i = 0; i <= searchPoints; ++i) {
        const double d = low + i * step, e = fit.energy(d);
        if (e > most) {
            most = e;
            best = d;
        }
    }
    double a = std::max(low, best - step), b = std::min(high, best + step);
    const double g = 0.5 * (std::sqrt(5.0) - 1);
    double c = b - g * (b - a), d = a + g * (b - a), ec = fit.energy(c), ed = fit.energy(d);
    for (int i = 0; i < refineSteps; ++i) {
        if (ec > ed) {
            b = d;
            d = c;
            ed = ec;
            c = b - g * (b - a);
            ec = fit.energy(c);
        } else {
            a = c;
            c = d;
            ec = ed;
            d = a + g * (b - a);
            ed = fit.energy(d);
        }
    }
    const double centre = 0.5 * (a + b);
    return fit.energy(centre) >= most ? centre : best;
}

// From offset `from` (energy above `floor`) towards `limit`: the last offset whose energy
// stays above the floor, or the limit.
double lastAbove(LineFit& fit, double from, double limit, double floor) {
    const double step = (limit - from) / searchPoints;
    double inside = from;
    for (int i = 1; i <= searchPoints; ++i) {
        const double d = from + i * step;
        if (fit.energy(d) < floor) {
            double outside = d;
            for (int j = 0; j < refineSteps; ++j) {
                const double mid = 0.5 * (inside + outside);
                (fit.energy(mid) >= floor ? inside : outside) = mid;
            }
            return 0.5 * (inside + outside);
        }
        inside = d;
    }
    return limit;
}

void removeLine(std::vector<double>& x) {
    const std::size_t n = x.size();
    const double centre = 0.5 * static_cast<double>(n - 1);
    double sxy = 0, sxx = 0;
    for (std::size_t t = 0; t < n; ++t) {
        sxy += (static_cast<double>(t) - centre) * x[t];
        sxx += (static_cast<double>(t) - centre) * (static_cast<double>(t) - centre);
    }
    const double slope = sxx > 0 ? sxy / sxx : 0.0;
    for (std::size_t t = 0; t < n; ++t)
        x[t] -= slope * (static_cast<double>(t) - centre);
}

void removeMean(std::vector<double>& x) {
    const double mean = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
    for (double& v : x)
        v -= mean;
}

} // namespace

std::vector<double> windowSamples(const results::ResultSet& r, int window) {
    const analysis::RunParameters& p = r.provenance.params;
    const std::size_t first = static_cast<std::size_t>(window) * static_cast<std::size_t>(p.step);
    std::vector<double> x(r.values.begin() + static_cast<std::ptrdiff_t>(first),
                          r.values.begin() + static_cast<std::ptrdiff_t>(first + p.window));
    if (r.provenance.meanRemoved) {
        const double mean = std::accumulate(r.values.begin(), r.values.end(), 0.0) /
                            static_cast<double>(r.values.size());
        for (double& v : x)
            v -= mean;
    }
    if (p.windowDetrend != analysis::WindowDetrend::None)
        removeMean(x);
    if (p.windowDetrend == analysis::WindowDetrend::Linear)
        removeLine(x);
    return x;
}

std::optional<FrequencyBounds> frequencyInterval(const results::ResultSet& r, int window, int bin,
                                                 const std::vector<double>& tapers,
                                                 double probability) {
    const analysis::RunParameters& p = r.provenance.params;
    const int k = p.tapers;
    const double dt = r.provenance.deltat;
    if (k < 2 || tapers.size() != static_cast<std::size_t>(k) * p.window)
        return std::nullopt;
    const double c = r.frequency(bin) * dt; // cycles per sample
    LineFit fit(windowSamples(r, window), tapers, k, c);
    // Within the half-bandwidth the tapers resolve the line; the offset d = c - f.
    const double W = p.tbw / p.window;
    const double d = largestEnergy(fit, -W, W), most = fit.energy(d);
    if (!(most > 0))
        return std::nullopt;
    const int dof = 2 * k - 3;
    const double t = boost::math::quantile(
        boost::math::complement(boost::math::students_t(dof), 0.5 * (1 - probability)));
    const double floor = most - t * t * std::max(fit.total() - most, 0.0) / dof;
    const double lowOffset = lastAbove(fit, d, -W, floor), highOffset = lastAbove(fit, d, W, floor);
    // f = c - d: the larger offset is the lower frequency. Stretched to hold the bin.
    return FrequencyBounds{std::min(c - highOffset, c) / dt, std::max(c - lowOffset, c) / dt};
}

void addFrequencyIntervals(std::vector<TracePoint>& trace, const results::ResultSet& r,
                           const std::vector<double>& tapers, double probability) {
    for (TracePoint& q : trace) {
        const auto bounds = frequencyInterval(r, q.window, q.bin, tapers, probability);
        q.frequencyLow = bounds ? bounds->low : NAN;
        q.frequencyHigh = bounds ? bounds->high : NAN;
    }
}

} // namespace tuning
