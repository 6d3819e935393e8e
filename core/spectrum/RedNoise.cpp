#include "core/spectrum/RedNoise.h"

#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>

namespace spectrum {

bool parseBackgroundKind(const std::string& text, BackgroundKind& kind) {
    if (text == "ar1")
        kind = BackgroundKind::Ar1;
    else if (text == "robust")
        kind = BackgroundKind::Robust;
    else
        return false;
    return true;
}

const char* backgroundKindName(BackgroundKind kind) {
    return kind == BackgroundKind::Robust ? "robust" : "ar1";
}

double lagOneAutocorrelation(const double* x, int n) {
    if (n < 2)
        return 0;
    double m = 0;
    for (int t = 0; t < n; ++t)
        m += x[t];
    m /= n;
    double num = 0;
    double den = 0;
    for (int t = 0; t < n; ++t) {
        den += (x[t] - m) * (x[t] - m);
        if (t + 1 < n)
            num += (x[t] - m) * (x[t + 1] - m);
    }
    return den > 0 ? num / den : 0.0;
}

double ar1Shape(double rho, double f, double dt) {
    const double c = std::cos(2 * M_PI * f * dt);
    return (1 - rho * rho) / (1 - 2 * rho * c + rho * rho);
}

std::vector<double> runningMedian(const std::vector<double>& v, int half) {
    return runningMedian(v, std::vector<int>(v.size(), half));
}

std::vector<double> runningMedian(const std::vector<double>& v, const std::vector<int>& half) {
    // Order statistics of the window from a Fenwick tree of counts over the ranks of v:
    // O(n log n) for windows whose ends move by a few entries from one to the next.
    const int n = static_cast<int>(v.size());
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return v[a] < v[b]; });
    std::vector<int> rank(n);
    for (int r = 0; r < n; ++r)
        rank[order[r]] = r;

    std::vector<int> tree(n + 1, 0);
    auto add = [&](int i, int delta) {
        for (int r = rank[i] + 1; r <= n; r += r & -r)
            tree[r] += delta;
    };
    int top = 1;
    while (top * 2 <= n)
        top *= 2;
    auto kth = [&](int k) { // value of the k-th smallest (1-based) entry in the window
        int pos = 0;
        for (int step = top; step > 0; step /= 2)
            if (pos + step <= n && tree[pos + step] < k) {
                pos += step;
                k -= tree[pos];
            }
        return v[order[pos]];
    };

    std::vector<double> out(n);
    int lo = 0;
    int hi = -1; // the window is lo..hi; empty at the start
    for (int j = 0; j < n; ++j) {
        const int h = std::max(half[j], 0);
        const int wantLo = std::max(0, j - h);
        const int wantHi = std::min(n - 1, j + h);
        while (hi < wantHi)
            add(++hi, +1);
        while (hi > wantHi)
            add(hi--, -1);
        while (lo < wantLo)
            add(lo++, -1);
        while (lo > wantLo)
            add(--lo, +1);
        const int c = hi - lo + 1;
        out[j] = c % 2 ? kth((c + 1) / 2) : 0.5 * (kth(c / 2) + kth(c / 2 + 1));
    }
    return out;
}

namespace {

// Least-squares fit of log S0 + log shape(rho) to log s over the usable bins; for a given rho
// log S0 is the mean residual, so the search is over rho alone. Residuals are taken about the
// mean of log s, so that the sum of squares does not cancel for spectra far from unit scale.
struct LogFit {
    std::vector<double> logs, cosines;
    double centre = 0;

    double logS0(double rho, double* cost) const {
        const double m = static_cast<double>(logs.size());
        double sum = 0;
        double sum2 = 0;
        for (size_t i = 0; i < logs.size(); ++i) {
            const double r = logs[i] - centre -
                             std::log((1 - rho * rho) / (1 - 2 * rho * cosines[i] + rho * rho));
            sum += r;
            sum2 += r * r;
        }
        const double mean = sum / m;
        if (cost)
            *cost = sum2 - m * mean * mean;
        return centre + mean;
    }
    double cost(double rho) const {
        double c = 0;
        logS0(rho, &c);
        return c;
    }
};

// Grid over [0, kRobustRhoMax] to bracket the least cost, then golden section in the bracket.
double fitRho(const LogFit& fit) {
    constexpr int grid = 100;
    int best = 0;
    double bestCost = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= grid; ++i) {
        const double c = fit.cost(kRobustRhoMax * i / grid);
        if (c < bestCost) {
            bestCost = c;
            best = i;
        }
    }
    double a = kRobustRhoMax * std::max(best - 1, 0) / grid;
    double b = kRobustRhoMax * std::min(best + 1, grid) / grid;
    const double g = 0.5 * (std::sqrt(5.0) - 1);
    double x1 = b - g * (b - a);
    double x2 = a + g * (b - a);
    double f1 = fit.cost(x1);
    double f2 = fit.cost(x2);
    while (b - a > 1e-9) {
        if (f1 <= f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - g * (b - a);
            f1 = fit.cost(x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + g * (b - a);
            f2 = fit.cost(x2);
        }
    }
    return 0.5 * (a + b);
}

} // namespace

double chiSquareQuantile(double p, double dof) {
    if (!(dof > 0) || !std::isfinite(dof) || !(p >= 0 && p <= 1))
        throw std::invalid_argument("chiSquareQuantile: need dof > 0 and 0 <= p <= 1");
    if (p == 1)
        return std::numeric_limits<double>::infinity();
    return boost::math::quantile(boost::math::chi_squared(dof), p);
}

namespace {

// chi2(p; nu) / nu over a range of nu: exact at nodes 1/kDofNodes apart, linear between (a
// relative error below 1e-5 for nu >= 1), so that a spectrum of many bins, each with its own
// nu, needs a few hundred quantiles instead of one per bin.
constexpr int kDofNodes = 64;
class ScaledQuantile {
public:
    ScaledQuantile(double p, double lowest, double highest)
        : first_(std::floor(lowest * kDofNodes) / kDofNodes) {
        const int nodes = static_cast<int>(std::ceil((highest - first_) * kDofNodes)) + 2;
        values_.resize(nodes);
        for (int i = 0; i < nodes; ++i) {
            const double nu = first_ + static_cast<double>(i) / kDofNodes;
            values_[i] = chiSquareQuantile(p, nu) / nu;
        }
    }
    double operator()(double nu) const {
        const double at = (nu - first_) * kDofNodes;
        const int i = std::min(static_cast<int>(at), static_cast<int>(values_.size()) - 2);
        const double u = at - i;
        return values_[i] + u * (values_[i + 1] - values_[i]);
    }

private:
    double first_;
    std::vector<double> values_;
};

// Half-widths of the robust fit's running median: kRobustLogWidth of each bin's frequency, at
// least the bins of the full bandwidth 2W, at most kRobustSmoothingFraction of the range.
std::vector<int> robustHalfWidths(std::size_t m, double df, double W) {
    const int widest = static_cast<int>(
        std::lround(0.5 * kRobustSmoothingFraction * (static_cast<double>(m) - 1)));
    const int narrowest = std::min(widest, static_cast<int>(std::ceil(2 * W / df)));
    std::vector<int> half(m);
    for (std::size_t j = 0; j < m; ++j)
        half[j] =
            std::clamp(static_cast<int>(std::lround(kRobustLogWidth * static_cast<double>(j))),
                       narrowest, widest);
    return half;
}

} // namespace

Background fitBackground(BackgroundKind kind, const std::vector<double>& frequency,
                         const std::vector<double>& power, const std::vector<double>& dof,
                         double rhoSeries, double dt, double W) {
    const size_t m = power.size();
    if (m == 0 || frequency.size() != m || dof.size() != m || !(dt > 0) ||
        !(std::fabs(rhoSeries) < 1))
        throw std::invalid_argument("fitBackground: bad sizes or parameters");
    for (size_t i = 0; i < m; ++i)
        if (!std::isfinite(power[i]) || !(dof[i] > 0) || !std::isfinite(dof[i]))
            throw std::invalid_argument("fitBackground: power or degrees of freedom not usable");

    const auto [lowestAt, highestAt] = std::minmax_element(dof.begin(), dof.end());
    const double lowest = *lowestAt, highest = *highestAt;
    Background bg;
    bg.kind = kind;
    if (kind == BackgroundKind::Ar1) {
        bg.rho = rhoSeries;
        double meanShape = 0;
        double meanPower = 0;
        for (size_t i = 0; i < m; ++i) {
            meanShape += ar1Shape(bg.rho, frequency[i], dt);
            meanPower += power[i];
        }
        bg.S0 = meanPower / meanShape;
    } else {
        const double df = m > 1 ? frequency[1] - frequency[0] : 1.0;
        bg.smoothed = runningMedian(power, robustHalfWidths(m, df, W));
        const ScaledQuantile median(0.5, lowest, highest);
        LogFit fit;
        for (size_t i = 0; i < m; ++i) {
            bg.smoothed[i] /= median(dof[i]);
            if (bg.smoothed[i] > 0 && (frequency[i] >= W || m == 1)) {
                fit.logs.push_back(std::log(bg.smoothed[i]));
                fit.cosines.push_back(std::cos(2 * M_PI * frequency[i] * dt));
            }
        }
        for (double l : fit.logs)
            fit.centre += l / static_cast<double>(fit.logs.size());
        if (fit.logs.empty()) {
            bg.rho = 0;
            bg.S0 = 0;
        } else {
            bg.rho = fit.logs.size() > 1 ? fitRho(fit) : 0.0;
            bg.S0 = std::exp(fit.logS0(bg.rho, nullptr));
        }
    }

    const ScaledQuantile q90(0.90, lowest, highest), q95(0.95, lowest, highest),
        q99(0.99, lowest, highest);
    bg.level.resize(m);
    bg.level90.resize(m);
    bg.level95.resize(m);
    bg.level99.resize(m);
    for (size_t i = 0; i < m; ++i) {
        const double s = bg.S0 * ar1Shape(bg.rho, frequency[i], dt);
        bg.level[i] = s;
        bg.level90[i] = s * q90(dof[i]);
        bg.level95[i] = s * q95(dof[i]);
        bg.level99[i] = s * q99(dof[i]);
    }
    return bg;
}

} // namespace spectrum
