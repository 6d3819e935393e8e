#include "core/spectrum/RedNoise.h"

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
    // Order statistics of the window from a Fenwick tree of counts over the ranks of v:
    // O(n log n) whatever the window width.
    const int n = static_cast<int>(v.size());
    half = std::max(half, 0);
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
    int hi = -1;
    for (int j = 0; j < n; ++j) {
        const int wantHi = std::min(n - 1, j + half);
        const int wantLo = std::max(0, j - half);
        while (hi < wantHi)
            add(++hi, +1);
        while (lo < wantLo)
            add(lo++, -1);
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

Background fitBackground(BackgroundKind kind, const std::vector<double>& frequency,
                         const std::vector<double>& power, double rhoSeries, double dt, int kspec) {
    const size_t m = power.size();
    if (m == 0 || frequency.size() != m || !(dt > 0) || kspec < 1 || !(std::fabs(rhoSeries) < 1))
        throw std::invalid_argument("fitBackground: bad sizes or parameters");
    for (double p : power)
        if (!std::isfinite(p))
            throw std::invalid_argument("fitBackground: power not finite");

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
        const int half = static_cast<int>(
            std::lround(0.5 * kRobustSmoothingFraction * (static_cast<double>(m) - 1)));
        bg.smoothed = runningMedian(power, half);
        LogFit fit;
        for (size_t i = 0; i < m; ++i)
            if (bg.smoothed[i] > 0) {
                fit.logs.push_back(std::log(bg.smoothed[i]));
                fit.cosines.push_back(std::cos(2 * M_PI * frequency[i] * dt));
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

    const double dof = 2.0 * kspec;
    const double f90 = chiSquareQuantile(0.90, 2 * kspec) / dof;
    const double f95 = chiSquareQuantile(0.95, 2 * kspec) / dof;
    const double f99 = chiSquareQuantile(0.99, 2 * kspec) / dof;
    bg.level.resize(m);
    bg.level90.resize(m);
    bg.level95.resize(m);
    bg.level99.resize(m);
    for (size_t i = 0; i < m; ++i) {
        const double s = bg.S0 * ar1Shape(bg.rho, frequency[i], dt);
        bg.level[i] = s;
        bg.level90[i] = s * f90;
        bg.level95[i] = s * f95;
        bg.level99[i] = s * f99;
    }
    return bg;
}

namespace {

// Gamma(a) distribution with integer shape a (chi-square with 2a degrees of freedom in y = x/2).
// Lower tail P(y) = e^-y sum_{j>=a} y^j / j!, upper tail Q(y) = e^-y sum_{j<a} y^j / j!. The
// series is summed below the mean a, the finite sum above it: each where its tail is roughly the
// smaller one (the median is near a - 1/3), so neither loses digits to cancellation.
double logTerm(int j, double y) {
    return -y + j * std::log(y) - std::lgamma(j + 1.0);
}

// e^-y sum_{j>=a} y^j / j!, for y < a where its terms fall at least geometrically.
double lowerSeries(int a, double y) {
    double sum = 0;
    double term = std::exp(logTerm(a, y));
    for (int j = a; term > 1e-17 * sum; ++j) {
        sum += term;
        term *= y / (j + 1);
    }
    return sum;
}

// e^-y sum_{j<a} y^j / j!
double upperSum(int a, double y) {
    double sum = 0;
    for (int j = 0; j < a; ++j)
        sum += std::exp(logTerm(j, y));
    return sum;
}

double lowerTail(int a, double y) {
    if (y <= 0)
        return 0;
    return y < a ? lowerSeries(a, y) : 1 - upperSum(a, y);
}

double upperTail(int a, double y) {
    if (y <= 0)
        return 1;
    return y < a ? 1 - lowerSeries(a, y) : upperSum(a, y);
}

} // namespace

double chiSquareQuantile(double p, int dof) {
    if (dof < 2 || dof % 2 != 0 || !(p >= 0 && p <= 1))
        throw std::invalid_argument("chiSquareQuantile: need even dof >= 2 and 0 <= p <= 1");
    if (p == 0)
        return 0;
    if (p == 1)
        return std::numeric_limits<double>::infinity();
    const int a = dof / 2;
    // G increases with y and vanishes at the quantile; written on the smaller tail.
    const bool lower = p <= 0.5;
    auto G = [&](double y) { return lower ? lowerTail(a, y) - p : (1 - p) - upperTail(a, y); };
    auto density = [&](double y) { return y > 0 ? std::exp(logTerm(a - 1, y)) : 0.0; };

    double lo = 0;
    double hi = std::max(1.0, static_cast<double>(a));
    while (G(hi) < 0) {
        lo = hi;
        hi *= 2;
    }
    // Safeguarded Newton: a step leaving the bracket is replaced by bisection.
    double y = 0.5 * (lo + hi);
    for (int it = 0; it < 200; ++it) {
        const double g = G(y);
        if (g == 0)
            break;
        if (g < 0)
            lo = y;
        else
            hi = y;
        const double d = density(y);
        double next = d > 0 ? y - g / d : lo - 1;
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        const bool small = std::fabs(next - y) <= 1e-15 * next;
        y = next;
        if (small || hi - lo <= 1e-15 * hi)
            break;
    }
    return 2 * y;
}

} // namespace spectrum
