#include "core/spectrum/RedNoise.h"

#include "core/spectrum/ExpectedPower.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/special_functions/digamma.hpp>
#include <boost/math/special_functions/trigamma.hpp>

#include <algorithm>
#include <array>
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

double biasCorrectionGain(int n) {
    return n > 4 ? n / (n - 3.0) : 1.0;
}

double biasCorrectedRho(double r1, int n) {
    const double rho = n > 4 ? (n * r1 + 1) / (n - 3.0) : r1;
    return std::clamp(rho, -kRhoMax, kRhoMax);
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

// Grid over [0, kRhoMax] to bracket the least cost, then golden section in the bracket.
double fitRho(const LogFit& fit) {
    constexpr int grid = 100;
    int best = 0;
    double bestCost = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= grid; ++i) {
        const double c = fit.cost(kRhoMax * i / grid);
        if (c < bestCost) {
            bestCost = c;
            best = i;
        }
    }
    double a = kRhoMax * std::max(best - 1, 0) / grid;
    double b = kRhoMax * std::min(best + 1, grid) / grid;
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

// What the levels need of chi2(nu) / nu, tabulated once on nodes evenly spaced in log nu
// (ratio 1.0024) over [kLowestDof, kHighestDof] and interpolated linearly in log nu (relative
// errors below 1e-6): its quantiles, E log and var log (trigamma(nu / 2)). A spectrum of many
// bins, each with its own nu, then needs no quantile of its own.
constexpr double kLowestDof = 0.25;
constexpr double kHighestDof = 4096;
constexpr int kDofNodes = 4096;
constexpr double kTabulatedLevels[] = {0.5, 0.90, 0.95, 0.99};
class ChiSquareTable {
public:
    struct Row {
        double logVariance = 0, logMean = 0;
        std::array<double, 4> quantile{}; // at kTabulatedLevels, divided by nu
    };
    static const ChiSquareTable& get() {
        static const ChiSquareTable table;
        return table;
    }
    Row at(double nu) const {
        const double at = std::clamp(std::log(nu / kLowestDof) / step_, 0.0, kDofNodes - 1.0);
        const int i = std::min(static_cast<int>(at), kDofNodes - 2);
        const double u = at - i;
        const Row& a = rows_[i];
        const Row& b = rows_[i + 1];
        Row r;
        r.logVariance = a.logVariance + u * (b.logVariance - a.logVariance);
        r.logMean = a.logMean + u * (b.logMean - a.logMean);
        for (std::size_t k = 0; k < r.quantile.size(); ++k)
            r.quantile[k] = a.quantile[k] + u * (b.quantile[k] - a.quantile[k]);
        return r;
    }
    // The nu whose log(chi2(nu) / nu) has this variance (which falls as nu grows).
    double dofOfLogVariance(double variance) const {
        const auto it = std::partition_point(
            rows_.begin(), rows_.end(), [&](const Row& r) { return r.logVariance > variance; });
        if (it == rows_.begin())
            return kLowestDof;
        if (it == rows_.end())
            return kHighestDof;
        const Row& b = *it;
        const Row& a = *(it - 1);
        const double u = (a.logVariance - variance) / (a.logVariance - b.logVariance);
        const double i = static_cast<double>(it - rows_.begin()) - 1 + u;
        return kLowestDof * std::exp(i * step_);
    }

private:
    ChiSquareTable() : step_(std::log(kHighestDof / kLowestDof) / (kDofNodes - 1)) {
        rows_.resize(kDofNodes);
        for (int i = 0; i < kDofNodes; ++i) {
            const double nu = kLowestDof * std::exp(i * step_);
            Row& r = rows_[i];
            r.logVariance = boost::math::trigamma(nu / 2);
            r.logMean = boost::math::digamma(nu / 2) - std::log(nu / 2);
            for (std::size_t k = 0; k < r.quantile.size(); ++k)
                r.quantile[k] = chiSquareQuantile(kTabulatedLevels[k], nu) / nu;
        }
    }
    double step_;
    std::vector<Row> rows_;
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

namespace {

// d log(level_j) / d log(power_i) = x_j . z_i: how the fitted level at bin j moves with the power
// at bin i, through the fit's two parameters (log S0 and rho) to first order.
struct Influence {
    std::vector<std::array<double, 2>> x, z;
};

// The ar1 fit: rho from the series, S0 the mean of power / shape over the used bins. Through
// the spectrum, the lag-one autocorrelation is sum cos(2 pi f dt) P / sum P over the bins.
Influence ar1Influence(const std::vector<double>& frequency, const std::vector<double>& level,
                       const std::vector<double>& slope, const std::vector<bool>& used, double dt,
                       double rhoGain) {
    const std::size_t m = level.size();
    double total = 0, lagOne = 0, meanSlope = 0, count = 0;
    for (std::size_t i = 0; i < m; ++i) {
        total += level[i];
        lagOne += std::cos(2 * M_PI * frequency[i] * dt) * level[i];
        if (used[i]) {
            meanSlope += slope[i];
            count += 1;
        }
    }
    Influence in;
    in.x.assign(m, {0.0, 0.0});
    in.z.assign(m, {0.0, 0.0});
    if (!(total > 0) || count == 0) // a series without variance: nothing to follow
        return in;
    lagOne /= total;
    meanSlope /= count;
    for (std::size_t i = 0; i < m; ++i) {
        in.x[i] = {1.0, slope[i] - meanSlope};
        in.z[i] = {used[i] ? 1 / count : 0.0,
                   rhoGain * (std::cos(2 * M_PI * frequency[i] * dt) - lagOne) * level[i] / total};
    }
    return in;
}

// The variance of log(power_j / level_j) as a share of that of log(power_j) alone: 1 - 2 h_j +
// v_j, h_j = x_j . sum_i c_ij z_i the part of the bin's own scatter the level follows, v_j =
// x_j' Z x_j the level's own scatter, c_ij the estimates' correlation. Kept in [0.1, 10].
std::vector<double> varianceShares(const Influence& in, const std::vector<double>& correlation) {
    const int m = static_cast<int>(in.x.size());
    const int lags = static_cast<int>(correlation.size());
    std::vector<std::array<double, 2>> cz(m, {0.0, 0.0});
    for (int j = 0; j < m; ++j)
        for (int i = std::max(0, j - lags + 1); i < std::min(m, j + lags); ++i) {
            const double c = correlation[std::abs(i - j)];
            cz[j][0] += c * in.z[i][0];
            cz[j][1] += c * in.z[i][1];
        }
    std::array<double, 4> Z{};
    for (int i = 0; i < m; ++i)
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                Z[2 * a + b] += in.z[i][a] * cz[i][b];
    std::vector<double> share(m);
    for (int j = 0; j < m; ++j) {
        const auto& x = in.x[j];
        const double h = x[0] * cz[j][0] + x[1] * cz[j][1];
        const double v = x[0] * x[0] * Z[0] + x[0] * x[1] * (Z[1] + Z[2]) + x[1] * x[1] * Z[3];
        share[j] = std::clamp(1 - 2 * h + v, 0.1, 10.0);
    }
    return share;
}

} // namespace

Background fitBackground(BackgroundKind kind, const std::vector<double>& frequency,
                         const std::vector<double>& power, const std::vector<double>& dof,
                         double rhoSeries, double dt, double W, const ExpectedPower& expected) {
    const size_t m = power.size();
    if (m == 0 || frequency.size() != m || dof.size() != m || !(dt > 0) ||
        !(std::fabs(rhoSeries) < 1))
        throw std::invalid_argument("fitBackground: bad sizes or parameters");
    for (size_t i = 0; i < m; ++i)
        if (!std::isfinite(power[i]) || !(dof[i] > 0) || !std::isfinite(dof[i]))
            throw std::invalid_argument("fitBackground: power or degrees of freedom not usable");

    Background bg;
    bg.kind = kind;
    std::vector<double> shape;
    std::vector<int> widths;
    // The bins that set S0 (and, robust, rho): from W up, below which the removed mean holds
    // the power down; every bin when none lies there.
    const bool anyAboveW = frequency.back() >= W;
    std::vector<bool> fitted(m);
    for (size_t i = 0; i < m; ++i)
        fitted[i] = frequency[i] >= W || !anyAboveW;
    if (kind == BackgroundKind::Ar1) {
        bg.rho = biasCorrectedRho(rhoSeries, expected.length());
        shape = expected.shape(bg.rho);
        double ratios = 0, used = 0;
        for (size_t i = 0; i < m; ++i)
            if (fitted[i]) {
                ratios += power[i] / shape[i];
                used += 1;
            }
        bg.S0 = ratios / used;
    } else {
        const double df = m > 1 ? frequency[1] - frequency[0] : 1.0;
        widths = robustHalfWidths(m, df, W);
        bg.smoothed = runningMedian(power, widths);
        const ChiSquareTable& table = ChiSquareTable::get();
        LogFit fit;
        for (size_t i = 0; i < m; ++i) {
            bg.smoothed[i] /= table.at(dof[i]).quantile[0];
            fitted[i] = fitted[i] && bg.smoothed[i] > 0;
            if (fitted[i]) {
                fit.logs.push_back(std::log(bg.smoothed[i]));
                fit.cosines.push_back(std::cos(2 * M_PI * frequency[i] * dt));
            }
        }
        for (double l : fit.logs)
            fit.centre += l / static_cast<double>(fit.logs.size());
        bg.rho = fit.logs.size() > 1 ? fitRho(fit) : 0.0;
        shape = expected.shape(bg.rho);
        // S0 against the expected shape at that rho: where the adaptive weights let some of a
        // steep spectrum's low-frequency power leak into the high bins, the fit has seen it.
        double logS0 = 0;
        for (size_t i = 0; i < m; ++i)
            if (fitted[i])
                logS0 += std::log(bg.smoothed[i] / shape[i]) / static_cast<double>(fit.logs.size());
        bg.S0 = fit.logs.empty() ? 0.0 : std::exp(logS0);
    }
    bg.level.resize(m);
    for (size_t i = 0; i < m; ++i)
        bg.level[i] = bg.S0 * shape[i];

    // The ar1 fit leans on the few bins that hold most of a red series' variance; the robust
    // one, through medians, hardly follows a bin's own excursion.
    std::vector<double> share(m, 1.0);
    if (kind == BackgroundKind::Ar1) {
        const double step = 1e-4 * (1 - std::fabs(bg.rho)) + 1e-7;
        const double other = bg.rho + step < kRhoMax ? bg.rho + step : bg.rho - step;
        const std::vector<double> moved = expected.shape(other);
        std::vector<double> slope(m);
        for (size_t i = 0; i < m; ++i)
            slope[i] = std::log(moved[i] / shape[i]) / (other - bg.rho);
        share = varianceShares(ar1Influence(frequency, bg.level, slope, fitted, dt,
                                            biasCorrectionGain(expected.length())),
                               expected.correlation());
    }

    const ChiSquareTable& table = ChiSquareTable::get();
    bg.level90.resize(m);
    bg.level95.resize(m);
    bg.level99.resize(m);
    bg.reliable.resize(m);
    for (size_t i = 0; i < m; ++i) {
        const ChiSquareTable::Row own = table.at(dof[i]);
        const ChiSquareTable::Row row =
            table.at(table.dofOfLogVariance(share[i] * own.logVariance));
        const double s = bg.level[i] * std::exp(own.logMean - row.logMean);
        bg.level90[i] = s * row.quantile[1];
        bg.level95[i] = s * row.quantile[2];
        bg.level99[i] = s * row.quantile[3];
        bg.reliable[i] = frequency[i] >= kReliableFrom * W;
    }
    return bg;
}

} // namespace spectrum
