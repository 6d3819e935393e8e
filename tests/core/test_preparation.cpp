// Series preparation against independent references: long-double least squares, a direct
// O(n^2) LOWESS (Cleveland 1979), and the detrending texts.
#include "core/series/Preparation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using series::Detrend;
using series::Preparation;

namespace {

using Method = Detrend::Method;
using Values = std::vector<double>;

void expectClose(const Values& got, const Values& want, double relTol) {
    ASSERT_EQ(got.size(), want.size());
    double scale = 0.0;
    for (double v : want)
        scale = std::max(scale, std::fabs(v));
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], relTol * scale) << "sample " << i;
}

// Least squares through the normal equations in long double, positions u centred and scaled by
// the caller; Gaussian elimination needs no pivoting on this positive definite matrix. Adequate
// at degree <= 3 on a few dozen points: condition ~1e4 against long double eps 1e-19.
Values normalEquationFit(const std::vector<long double>& u, const Values& y, int degree) {
    const int p = degree + 1;
    std::vector<std::vector<long double>> m(p, std::vector<long double>(p + 1, 0.0L));
    for (size_t i = 0; i < u.size(); ++i)
        for (int r = 0; r < p; ++r) {
            for (int c = 0; c < p; ++c)
                m[r][c] += std::pow(u[i], r + c);
            m[r][p] += std::pow(u[i], r) * y[i];
        }
    for (int k = 0; k < p; ++k)
        for (int r = k + 1; r < p; ++r)
            for (int c = p; c >= k; --c)
                m[r][c] -= m[r][k] / m[k][k] * m[k][c];
    std::vector<long double> coef(p);
    for (int k = p - 1; k >= 0; --k) {
        coef[k] = m[k][p];
        for (int c = k + 1; c < p; ++c)
            coef[k] -= m[k][c] * coef[c];
        coef[k] /= m[k][k];
    }
    Values fit(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        long double s = 0.0L;
        for (int k = p - 1; k >= 0; --k)
            s = s * u[i] + coef[k];
        fit[i] = static_cast<double>(s);
    }
    return fit;
}

// LOWESS from the definition: sort all distances, h = q-th smallest, tricube weights, weighted
// line about the weighted mean in long double; weighted mean when under two samples weigh.
Values directLowess(const Values& x, const Values& y, double span,
                    const std::vector<size_t>& only = {}) {
    const size_t n = x.size(), q = std::max<size_t>(2, std::floor(span * n));
    Values out(n, NAN);
    std::vector<size_t> at = only;
    if (at.empty())
        for (size_t i = 0; i < n; ++i)
            at.push_back(i);
    for (size_t i : at) {
        Values d(n);
        for (size_t j = 0; j < n; ++j)
            d[j] = std::fabs(x[j] - x[i]);
        Values sorted = d;
        std::sort(sorted.begin(), sorted.end());
        const long double h = sorted[q - 1];
        std::vector<long double> w(n, 0.0L);
        long double sw = 0, mx = 0, my = 0, sxx = 0, sxy = 0;
        int used = 0;
        for (size_t j = 0; j < n; ++j)
            if (d[j] < h) {
                w[j] = std::pow(1 - std::pow(d[j] / h, 3), 3);
                sw += w[j], mx += w[j] * x[j], my += w[j] * y[j], used += w[j] > 0;
            }
        mx /= sw, my /= sw;
        for (size_t j = 0; j < n; ++j)
            sxx += w[j] * (x[j] - mx) * (x[j] - mx), sxy += w[j] * (x[j] - mx) * (y[j] - my);
        out[i] = static_cast<double>(used < 2 ? my : my + sxy / sxx * (x[i] - mx));
    }
    return out;
}

std::vector<int> lineNumbers(size_t n) { // one header line before the data
    std::vector<int> lines(n);
    std::iota(lines.begin(), lines.end(), 2);
    return lines;
}

TEST(PolynomialTrend, ReproducesItsOwnDegreeAndMatchesLongDoubleFits) {
    // Exact polynomials of each degree on uneven positions, in powers of (x - 20) / 20.
    // Tolerance: rounding of a well-conditioned QR, a few hundred ulps.
    Values x(40), y(40);
    for (size_t k = 0; k < x.size(); ++k)
        x[k] = k + 0.3 * std::sin(1.7 * k);
    for (int degree = 1; degree <= series::maxPolynomialDegree; ++degree) {
        for (size_t k = 0; k < x.size(); ++k) {
            y[k] = 0.0;
            for (int j = degree; j >= 0; --j)
                y[k] = y[k] * (x[k] - 20.0) / 20.0 + (j % 2 ? -1.0 : 1.0) * (j + 1);
        }
        SCOPED_TRACE(degree);
        expectClose(series::polynomialTrend(x, y, degree), y, 1e-13);
    }
    // Noisy data against the long-double solve on centred, scaled steps; offsets of 1e6 make
    // powers of raw positions hopeless (condition ~1e36 at degree 3). Tolerance 1e-11.
    struct Case {
        double offset, step;
        int degree;
    };
    for (const Case c :
         {Case{0, 1, 1}, {0, 1, 3}, {1e6, 0.01, 1}, {1e6, 0.01, 3}, {-5e5, .25, 2}}) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << " degree " << c.degree);
        const int n = 30;
        std::mt19937 rng(11);
        std::normal_distribution<double> noise(0.0, 0.5);
        Values xs(n), ys(n);
        std::vector<long double> u(n);
        for (int k = 0; k < n; ++k) {
            xs[k] = c.offset + c.step * k; // xs[k] - offset is exact
            u[k] = ((xs[k] - c.offset) / c.step - (n - 1) / 2.0L) / n;
            ys[k] = 3.0 + 0.5 * k - 0.02 * k * k + noise(rng);
        }
        expectClose(series::polynomialTrend(xs, ys, c.degree), normalEquationFit(u, ys, c.degree),
                    1e-11);
    }
}

TEST(LowessTrend, MatchesDirectDefinition) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> gap(0.1, 2.0);
    std::normal_distribution<double> noise(0.0, 0.4);
    Values uneven(57), even(80);
    for (size_t k = 1; k < uneven.size(); ++k)
        uneven[k] = uneven[k - 1] + gap(rng);
    for (size_t k = 0; k < even.size(); ++k)
        even[k] = 1000.0 + 0.5 * k; // equal gaps: ties at the window edge
    // 0.01 gives q = 2: the neighbour sits at h and weighs 0, so the trend is the data itself.
    for (const Values& x : {uneven, even})
        for (double span : {0.01, 0.1, 0.37, 1.0}) {
            SCOPED_TRACE(testing::Message() << "n " << x.size() << " span " << span);
            Values y(x.size());
            for (size_t k = 0; k < y.size(); ++k)
                y[k] = 100.0 + std::sin(x[k] / 3.0) + noise(rng);
            expectClose(series::lowessTrend(x, y, span), directLowess(x, y, span), 1e-12);
        }
}

// A long record is shared out over the cores: the samples at the parts' edges fit as the
// definition says.
TEST(LowessTrend, LongRecordsSharedOutMatchTheDefinition) {
    const size_t n = 4000;
    Values x(n), y(n);
    for (size_t k = 0; k < n; ++k) {
        x[k] = k + 0.3 * std::sin(k * 1.7);
        y[k] = std::sin(k / 40.0) + 0.001 * k;
    }
    const Values fast = series::lowessTrend(x, y, 0.8); // n q = 1.28e7: shared out
    const std::vector<size_t> edges = {0, 999, 1000, 1999, 2000, 2999, 3000, n - 1};
    const Values direct = directLowess(x, y, 0.8, edges);
    for (size_t i : edges)
        EXPECT_NEAR(fast[i], direct[i], 1e-10) << "sample " << i;
}

TEST(LowessTrend, LongSpanRemovesLineButKeepsShortCycle) {
    // 0.01 x plus a unit sine of period 50; q = 1000 samples covers 20 periods. The residual's
    // amplitude at that period (orthogonal sums over 40 whole periods) stays within 5 %.
    const int n = 2000;
    const double w = 2 * std::acos(-1.0) / 50;
    Values x(n), y(n);
    for (int k = 0; k < n; ++k)
        x[k] = k, y[k] = 0.01 * k + std::sin(w * k);
    const Values trend = series::lowessTrend(x, y, 0.5);
    ASSERT_EQ(trend.size(), x.size());
    double c = 0, s = 0;
    for (int k = 0; k < n; ++k) {
        c += (y[k] - trend[k]) * std::cos(w * k) * 2 / n;
        s += (y[k] - trend[k]) * std::sin(w * k) * 2 / n;
        EXPECT_NEAR(trend[k], 0.01 * k, 0.05) << "sample " << k;
    }
    EXPECT_NEAR(std::hypot(c, s), 1.0, 0.05);
}

TEST(PrepareValues, AppliesLogThenTrendThenStandardising) {
    const int n = 50;
    Values x(n), y(n), logY(n);
    std::vector<long double> u(n);
    for (int k = 0; k < n; ++k) {
        x[k] = 0.7 * k;
        u[k] = x[k];
        logY[k] = 2.0 + 0.3 * x[k] + 0.1 * std::sin(1.3 * k);
        y[k] = std::exp(logY[k]);
    }
    const auto r =
        series::prepareValues({true, {Method::Linear, 1, 0.0}, true}, x, y, lineNumbers(n));
    ASSERT_FALSE(r.problem) << *r.problem;
    expectClose(r.trend, normalEquationFit(u, logY, 1), 1e-12); // fitted to the logs
    double mean = 0, ss = 0;
    for (double v : r.values)
        mean += v / n;
    for (double v : r.values)
        ss += (v - mean) * (v - mean);
    EXPECT_NEAR(mean, 0.0, 1e-14);
    EXPECT_NEAR(std::sqrt(ss / (n - 1)), 1.0, 1e-14);
    EXPECT_EQ(series::prepareValues({}, {}, y, lineNumbers(n)).values, y); // no step: untouched
}

TEST(PrepareValues, RefusesWithAReason) {
    const Preparation log{true, {}, false}, stdz{false, {}, true};
    const Preparation cubic{false, {Method::Polynomial, 3, 0.0}, false};
    const Preparation lin{false, {Method::Linear, 1, 0.0}, false};
    struct Case {
        Preparation p;
        Values x, y;
        std::vector<const char*> mentions;
    };
    const Case cases[] = {
        {log, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -3}, {"line 12", "value -3,", "above 0"}},
        {log, {}, {1, 2, 0}, {"line 4", "value 0,", "logarithm"}},
        {stdz, {}, {1, NAN, 2}, {"line 3", "finite"}},
        {stdz, {}, {2.5, 2.5, 2.5}, {"constant"}},
        {stdz, {}, {2.5}, {"at least 2"}},
        {stdz, {}, {1.7e308, 1.7e308, 0}, {"finite"}}, // the sum overflows
        {cubic, {0, 1, 2, 3}, {1, 5, 2, 7}, {"degree 3", "at least 5"}},
        {lin, {0, 1, 1, 2}, {1, 5, 2, 7}, {"line 4", "increasing"}},
    };
    for (const Case& c : cases) {
        const auto r = series::prepareValues(c.p, c.x, c.y, lineNumbers(c.y.size()));
        ASSERT_TRUE(r.problem) << c.mentions[0];
        for (const char* m : c.mentions)
            EXPECT_NE(r.problem->find(m), std::string::npos) << *r.problem;
        EXPECT_TRUE(r.values.empty() && r.trend.empty());
    }
}

TEST(Detrend, ReadsWritesAndDescribesTexts) {
    const std::pair<const char*, Detrend> good[] = {{"none", {}},
                                                    {"linear", {Method::Linear, 1, 0.0}},
                                                    {"poly:1", {Method::Polynomial, 1, 0.0}},
                                                    {"poly:6", {Method::Polynomial, 6, 0.0}},
                                                    {"lowess:0.1", {Method::Lowess, 0, 0.1}},
                                                    {"lowess:1", {Method::Lowess, 0, 1.0}},
                                                    {"lowess:2.5e-2", {Method::Lowess, 0, 0.025}}};
    for (const auto& [text, want] : good) {
        const auto d = series::parseDetrend(text);
        ASSERT_TRUE(d) << text;
        EXPECT_EQ(*d, want) << text;
        EXPECT_EQ(series::parseDetrend(series::detrendText(*d)), d) << text;
    }
    for (const char* text :
         {"poly:0", "poly:7", "poly:", "poly:3x", "poly:-1", "poly: 3", "lowess:0", "lowess:1.5",
          "lowess:abc", "lowess:-0.1", "lowess:nan", "lowess:inf", "lowess:", "lowess:0.1 ",
          "quadratic", "", "Linear", "none;"}) {
        std::string why;
        EXPECT_FALSE(series::parseDetrend(text, &why)) << text;
        EXPECT_NE(why.find("'" + std::string(text) + "'"), std::string::npos) << why;
    }
    EXPECT_EQ(series::detrendText({Method::Lowess, 0, 0.1}), "lowess:0.1"); // shortest form
    EXPECT_EQ(series::parseDetrend(series::detrendText({Method::Lowess, 0, 1 / 3.0}))->span,
              1 / 3.0);
    EXPECT_EQ(Preparation{}.describe(), "none");
    EXPECT_FALSE(Preparation{}.any());
    EXPECT_EQ((Preparation{true, {Method::Polynomial, 3, 0.0}, true}.describe()),
              "log, then polynomial trend of degree 3 removed, then standardised");
}

} // namespace
