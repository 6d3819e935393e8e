// Series preparation: natural log, polynomial or LOWESS trend removal, standardising.
// Polynomial trends: Chebyshev basis on positions mapped to [-1, 1], Householder QR (Golub & Van
// Loan 2013, sec. 5.2), fitted values as the projection Q1 Q1' y, so no normal equations and no
// back-substitution. LOWESS: Cleveland (1979), local straight line, tricube weights, no
// robustness iterations.
#include "core/series/Preparation.h"

#include "core/text/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>
#include <thread>
#include <utility>

namespace series {

namespace {

using text::exactNumber;

bool allFinite(const std::vector<double>& v, std::size_t* where) {
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!std::isfinite(v[i])) {
            *where = i;
            return false;
        }
    return true;
}

struct LocalSums {
    double xbar, ybar; // weighted means, xbar relative to x_i
    double sxx, sxy;   // weighted sums of centred squares and products
};

// Tricube-weighted means and centred sums over m samples, all with |x - xi| / h < 1.
// Two passes (means, then centred sums) keep the slope accurate when the window is lopsided or
// the values sit on a large offset; paired accumulators shorten the dependency chains.
LocalSums localSums(const double* xs, const double* ys, double* w, std::size_t m, double xi,
                    double invH) {
    for (std::size_t j = 0; j < m; ++j) {
        const double u = std::fabs(xs[j] - xi) * invH;
        const double c = 1.0 - u * u * u;
        w[j] = c * c * c;
    }
    double sw0 = 0, sw1 = 0, swx0 = 0, swx1 = 0, swy0 = 0, swy1 = 0;
    std::size_t j = 0;
    for (; j + 1 < m; j += 2) {
        sw0 += w[j];
        sw1 += w[j + 1];
        swx0 += w[j] * (xs[j] - xi);
        swx1 += w[j + 1] * (xs[j + 1] - xi);
        swy0 += w[j] * ys[j];
        swy1 += w[j + 1] * ys[j + 1];
    }
    if (j < m) {
        sw0 += w[j];
        swx0 += w[j] * (xs[j] - xi);
        swy0 += w[j] * ys[j];
    }
    LocalSums s;
    const double total = sw0 + sw1;
    s.xbar = (swx0 + swx1) / total;
    s.ybar = (swy0 + swy1) / total;
    const double xc = xi + s.xbar; // rounding here only shifts sxx by total * error^2
    double sxx0 = 0, sxx1 = 0, sxy0 = 0, sxy1 = 0;
    for (j = 0; j + 1 < m; j += 2) {
        const double c0 = xs[j] - xc, c1 = xs[j + 1] - xc;
        sxx0 += w[j] * c0 * c0;
        sxx1 += w[j + 1] * c1 * c1;
        sxy0 += w[j] * c0 * (ys[j] - s.ybar);
        sxy1 += w[j + 1] * c1 * (ys[j + 1] - s.ybar);
    }
    if (j < m) {
        const double c0 = xs[j] - xc;
        sxx0 += w[j] * c0 * c0;
        sxy0 += w[j] * c0 * (ys[j] - s.ybar);
    }
    s.sxx = sxx0 + sxx1;
    s.sxy = sxy0 + sxy1;
    return s;
}

const char* const kDetrendChoices =
    "use none, linear, poly:N (N from 1 to 6) or lowess:F (F above 0 and at most 1)";

} // namespace

bool operator==(const Detrend& a, const Detrend& b) {
    if (a.method != b.method)
        return false;
    switch (a.method) {
    case Detrend::Method::Polynomial:
        return a.degree == b.degree;
    case Detrend::Method::Lowess:
        return a.span == b.span;
    default:
        return true;
    }
}

std::optional<Detrend> parseDetrend(std::string_view text, std::string* why) {
    const auto refuse = [&](const std::string& reason) -> std::optional<Detrend> {
        if (why)
            *why = "detrend '" + std::string(text) + "': " + reason;
        return std::nullopt;
    };
    Detrend d;
    if (text == "none")
        return d;
    if (text == "linear") {
        d.method = Detrend::Method::Linear;
        d.degree = 1;
        return d;
    }
    const std::string_view poly = "poly:", lowess = "lowess:";
    if (text.substr(0, poly.size()) == poly) {
        const std::string_view arg = text.substr(poly.size());
        int n = 0;
        const auto r = std::from_chars(arg.data(), arg.data() + arg.size(), n);
        if (arg.empty() || r.ec != std::errc() || r.ptr != arg.data() + arg.size() || n < 1 ||
            n > maxPolynomialDegree)
            return refuse("the polynomial degree must be a whole number from 1 to 6");
        d.method = Detrend::Method::Polynomial;
        d.degree = n;
        return d;
    }
    if (text.substr(0, lowess.size()) == lowess) {
        const std::string_view arg = text.substr(lowess.size());
        double f = 0.0;
        const auto r = std::from_chars(arg.data(), arg.data() + arg.size(), f);
        // !(f > 0) also refuses NaN.
        if (arg.empty() || r.ec != std::errc() || r.ptr != arg.data() + arg.size() || !(f > 0.0) ||
            f > 1.0)
            return refuse("the LOWESS span must be a number above 0 and at most 1");
        d.method = Detrend::Method::Lowess;
        d.span = f;
        return d;
    }
    return refuse(std::string("unknown detrending; ") + kDetrendChoices);
}

std::string detrendText(const Detrend& d) {
    switch (d.method) {
    case Detrend::Method::Linear:
        return "linear";
    case Detrend::Method::Polynomial:
        return "poly:" + std::to_string(d.degree);
    case Detrend::Method::Lowess:
        return "lowess:" + text::exactNumber(d.span);
    default:
        return "none";
    }
}

bool Preparation::any() const {
    return log || detrend.method != Detrend::Method::None || standardise;
}

std::string Preparation::describe() const {
    std::vector<std::string> steps;
    if (log)
        steps.push_back("log");
    switch (detrend.method) {
    case Detrend::Method::Linear:
        steps.push_back("linear trend removed");
        break;
    case Detrend::Method::Polynomial:
        steps.push_back("polynomial trend of degree " + std::to_string(detrend.degree) +
                        " removed");
        break;
    case Detrend::Method::Lowess:
        steps.push_back("LOWESS trend with span " + text::writtenNumber(detrend.span) + " removed");
        break;
    default:
        break;
    }
    if (standardise)
        steps.push_back("standardised");
    if (steps.empty())
        return "none";
    std::string out = steps[0];
    for (std::size_t i = 1; i < steps.size(); ++i)
        out += ", then " + steps[i];
    return out;
}

std::vector<double> polynomialTrend(const std::vector<double>& x, const std::vector<double>& y,
                                    int degree) {
    const std::size_t n = y.size();
    const std::size_t p = static_cast<std::size_t>(degree) + 1;
    if (x.size() != n || degree < 1 || degree > maxPolynomialDegree || n < p)
        return {};
    const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
    // Halves first so that extreme positions cannot overflow.
    const double centre = *lo / 2 + *hi / 2;
    const double half = *hi / 2 - *lo / 2;
    if (!(half > 0.0) || !std::isfinite(centre) || !std::isfinite(half))
        return {};

    // Column-major n x p design matrix of Chebyshev polynomials T_k(t), t in [-1, 1]: nearly
    // orthogonal on spread-out positions, unlike powers of raw positions (1e6 + k at degree 3
    // already has a condition number near 1e36).
    std::vector<double> a(n * p);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = (x[i] - centre) / half;
        a[i] = 1.0;
        a[n + i] = t;
        for (std::size_t k = 2; k < p; ++k)
            a[k * n + i] = 2.0 * t * a[(k - 1) * n + i] - a[(k - 2) * n + i];
    }
    std::vector<double> columnNorm(p);
    for (std::size_t k = 0; k < p; ++k) {
        double s = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            s += a[k * n + i] * a[k * n + i];
        columnNorm[k] = std::sqrt(s);
    }

    // Householder reflector k is H = I - tau v v' with v stored in a[k*n + k .. k*n + n-1].
    std::vector<double> tau(p);
    std::vector<double> z = y;
    const auto reflect = [&](std::size_t k, double* col) {
        const double* v = &a[k * n];
        double s = 0.0;
        for (std::size_t i = k; i < n; ++i)
            s += v[i] * col[i];
        s *= tau[k];
        for (std::size_t i = k; i < n; ++i)
            col[i] -= s * v[i];
    };
    for (std::size_t k = 0; k < p; ++k) {
        double* v = &a[k * n];
        double s = 0.0;
        for (std::size_t i = k; i < n; ++i)
            s += v[i] * v[i];
        const double norm = std::sqrt(s);
        // What is left of this column after the lower-degree terms is rounding-level: the
        // positions cannot separate this term from the others.
        if (!(norm > 1e-10 * columnNorm[k]))
            return {};
        const double akk = v[k];
        v[k] = akk + std::copysign(norm, akk);
        tau[k] = 1.0 / (norm * (norm + std::fabs(akk)));
        for (std::size_t j = k + 1; j < p; ++j)
            reflect(k, &a[j * n]);
        reflect(k, z.data());
    }
    // z = Q' y; keep its first p entries and map back: fitted = Q [z1; 0].
    std::fill(z.begin() + static_cast<std::ptrdiff_t>(p), z.end(), 0.0);
    for (std::size_t k = p; k-- > 0;)
        reflect(k, z.data());
    return z;
}

// Tie rule for the q nearest samples: the window [lo, lo + q) moves right only when the sample
// entering on the right is strictly nearer than the one leaving on the left, so ties keep the
// left one. Ties cannot change the result: a sample at distance h gets weight 0 either way, and
// h is the q-th smallest distance whichever tied sample is kept.
std::vector<double> lowessTrend(const std::vector<double>& x, const std::vector<double>& y,
                                double span) {
    const std::size_t n = y.size();
    if (x.size() != n || n == 0 || !(span > 0.0) || span > 1.0)
        return {};
    for (std::size_t i = 1; i < n; ++i)
        if (!(x[i] >= x[i - 1]))
            return {};
    const double fq = std::floor(span * static_cast<double>(n));
    const std::size_t q = std::min(n, std::max<std::size_t>(2, static_cast<std::size_t>(fq)));

    std::vector<double> trend(n);
    // Each sample's fit stands alone: long records share the samples out over the cores, each
    // part finding its first window from the start, so the trend is the same whatever the split.
    const auto fitRange = [&](std::size_t from, std::size_t to) {
        std::vector<double> w(q);
        std::size_t lo = 0;
        for (std::size_t i = from; i < to; ++i) {
            const double xi = x[i];
            while (lo + q < n && x[lo + q] - xi < xi - x[lo])
                ++lo;
            const std::size_t end = lo + q;
            const double h = std::max(xi - x[lo], x[end - 1] - xi);
            if (!(h > 0.0)) {
                // Only repeated positions give h == 0: plain mean of the samples at x_i.
                double sum = 0.0;
                std::size_t m = 0;
                for (std::size_t j = lo; j < end; ++j)
                    if (x[j] == xi) {
                        sum += y[j];
                        ++m;
                    }
                trend[i] = sum / static_cast<double>(m);
                continue;
            }
            // Samples with d/h >= 1 weigh 0; on sorted positions they sit at the window's ends,
            // so trimming them keeps the loops free of branches (and vectorisable). d * (1/h)
            // differs from d/h by an ulp, which only matters within ulps of h, where weights
            // are < 1e-45.
            const double invH = 1.0 / h;
            std::size_t first = lo, last = end;
            while (std::fabs(x[first] - xi) * invH >= 1.0)
                ++first;
            while (std::fabs(x[last - 1] - xi) * invH >= 1.0)
                --last;
            const LocalSums ls =
                localSums(x.data() + first, y.data() + first, w.data(), last - first, xi, invH);
            // A single non-zero weight (the sample itself, so xbar == 0 exactly) gives sxx == 0:
            // the line is undetermined and the weighted mean stands in for it.
            trend[i] = ls.sxx > 0.0 ? ls.ybar - (ls.sxy / ls.sxx) * ls.xbar : ls.ybar;
        }
    };
    const std::size_t parts =
        static_cast<double>(n) * static_cast<double>(q) < 1e7
            ? 1
            : std::max<std::size_t>(1,
                                    std::min<std::size_t>(4, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    for (std::size_t k = 1; k < parts; ++k)
        helpers.emplace_back(fitRange, n * k / parts, n * (k + 1) / parts);
    fitRange(0, n / parts);
    for (std::thread& t : helpers)
        t.join();
    return trend;
}

PreparedValues prepareValues(const Preparation& p, const std::vector<double>& x,
                             const std::vector<double>& y, const std::vector<int>& lines) {
    PreparedValues out;
    PreparationStep step = PreparationStep::Values;
    const auto fail = [&](std::string why) {
        out.values.clear();
        out.trend.clear();
        out.fitted.clear();
        out.problem = std::move(why);
        out.failedStep = step;
        return out;
    };
    const std::size_t n = y.size();
    const auto lineText = [&](std::size_t i) { return "line " + std::to_string(lines[i]); };
    if (lines.size() != n)
        return fail("the series has " + std::to_string(n) + " values but " +
                    std::to_string(lines.size()) + " line numbers");
    std::size_t bad = 0;
    if (!allFinite(y, &bad))
        return fail(lineText(bad) + " holds a value that is not a finite number");
    out.values = y;
    if (!p.any())
        return out;
    if (n == 0)
        return fail("the series has no samples to prepare");

    if (p.log) {
        step = PreparationStep::Log;
        for (std::size_t i = 0; i < n; ++i) {
            if (!(y[i] > 0.0))
                return fail(lineText(i) + " holds the value " + text::writtenNumber(y[i]) +
                            ", which has no logarithm; the log needs values above 0");
            out.values[i] = std::log(y[i]);
        }
    }

    const Detrend& d = p.detrend;
    if (d.method != Detrend::Method::None) {
        step = PreparationStep::Detrend;
        if (x.size() != n)
            return fail("the series has " + std::to_string(n) + " values but " +
                        std::to_string(x.size()) + " positions");
        for (std::size_t i = 0; i < n; ++i) {
            if (!std::isfinite(x[i]))
                return fail(lineText(i) + " holds a position that is not a finite number");
            if (i > 0 && !(x[i] > x[i - 1]))
                return fail(lineText(i) + " holds the position " + text::writtenNumber(x[i]) +
                            ", which is not above the previous one (" +
                            text::writtenNumber(x[i - 1]) +
                            "); detrending needs strictly increasing positions");
        }
        if (d.method == Detrend::Method::Lowess) {
            if (!(d.span > 0.0) || d.span > 1.0)
                return fail("the LOWESS span " + text::writtenNumber(d.span) +
                            " is outside the allowed range (above 0 and at most 1)");
            if (n < 3)
                return fail("a LOWESS trend needs at least 3 samples; the series has " +
                            std::to_string(n));
            out.trend = lowessTrend(x, out.values, d.span);
        } else {
            const int degree = d.method == Detrend::Method::Linear ? 1 : d.degree;
            if (degree < 1 || degree > maxPolynomialDegree)
                return fail("the polynomial degree " + std::to_string(degree) +
                            " is outside the allowed range (1 to 6)");
            // One sample more than the coefficients, or the residuals are pure rounding.
            const std::size_t need = static_cast<std::size_t>(degree) + 2;
            const std::string name = d.method == Detrend::Method::Linear
                                         ? std::string("a linear trend")
                                         : "a polynomial trend of degree " + std::to_string(degree);
            if (n < need)
                return fail(name + " needs at least " + std::to_string(need) +
                            " samples; the series has " + std::to_string(n));
            out.trend = polynomialTrend(x, out.values, degree);
            if (out.trend.empty())
                return fail("the positions are too clustered to fit " + name);
        }
        out.fitted = out.values;
        for (std::size_t i = 0; i < n; ++i)
            out.values[i] -= out.trend[i];
        if (!allFinite(out.trend, &bad) || !allFinite(out.values, &bad))
            return fail("removing the trend gave a value that is not a finite number at " +
                        lineText(bad) + " (values too large?)");
    }

    if (p.standardise) {
        step = PreparationStep::Standardise;
        if (n < 2)
            return fail("standardising needs at least 2 samples; the series has 1");
        double sum = 0.0;
        for (double v : out.values)
            sum += v;
        const double mean = sum / static_cast<double>(n);
        double ss = 0.0;
        for (double v : out.values)
            ss += (v - mean) * (v - mean);
        const double sd = std::sqrt(ss / static_cast<double>(n - 1));
        if (!std::isfinite(mean) || !std::isfinite(sd))
            return fail("standardising gave a value that is not a finite number (values too "
                        "large?)");
        if (sd == 0.0)
            return fail("every value is " + text::writtenNumber(out.values[0]) +
                        " before standardising; a constant series cannot be standardised");
        for (double& v : out.values)
            v = (v - mean) / sd;
        if (!allFinite(out.values, &bad))
            return fail("standardising gave a value that is not a finite number at " +
                        lineText(bad));
    }
    return out;
}

} // namespace series
