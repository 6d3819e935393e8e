// The whole-record adaptive multitaper spectrum, its red-noise backgrounds and levels, the
// chi-square quantiles behind them, and Benjamini-Hochberg selection. Series are synthetic,
// from a fixed seed; normal deviates by Box-Muller so no library distribution is involved.
#include "core/analysis/RunParameters.h"
#include "core/results/FalseDiscovery.h"
#include "core/spectrum/ExpectedPower.h"
#include "core/spectrum/MultitaperSpectrum.h"
#include "core/spectrum/RedNoise.h"
#include "core/spectrum/SlepianTapers.h"
#include "core/spectrum/WholeRecord.h"
#include "engine/fft.h"
#include "engine/harmonic.h"
#include "engine/tapers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

using engine::quad;
using spectrum::BackgroundKind;

namespace {

struct Normal {
    std::mt19937_64 rng;
    double uniform() { return ((rng() >> 11) + 0.5) * 0x1.0p-53; } // (0, 1)
    double operator()() {
        const double r = std::sqrt(-2 * std::log(uniform()));
        return r * std::cos(2 * M_PI * uniform());
    }
};

// Stationary AR(1) with unit innovations (variance 1 / (1 - rho^2) from the first sample),
// mean removed; returns the variance.
constexpr int N = 4000;
double ar1Series(double rho, std::uint64_t seed, std::vector<double>& x, int n = N) {
    Normal e{std::mt19937_64(seed)};
    x.resize(n);
    x[0] = e() / std::sqrt(1 - rho * rho);
    for (int t = 1; t < n; ++t)
        x[t] = rho * x[t - 1] + e();
    double m = 0, var = 0;
    for (double v : x)
        m += v / n;
    for (double& v : x) {
        v -= m;
        var += v * v / n;
    }
    return var;
}

// K = 4 tapers of time-bandwidth 3 for N samples, computed once.
constexpr int K = 4;
struct Tapers {
    std::vector<double> v = std::vector<double>(size_t(N) * K), lambda = std::vector<double>(K);
    Tapers() {
        std::vector<quad> vq(v.size()), eig(K), ev(K), ev1m(K), work(engine::dpssWorkQuads(N));
        std::vector<int> itag(N / 2 + 1);
        int iflag = 0;
        engine::dpss(N, N, K, 3.0Q / N, vq.data(), eig.data(), iflag, work.data(), itag.data());
        engine::dpssev(N, N, K, 3.0Q / N, 1e-8Q, 1e-14Q, vq.data(), ev.data(), ev1m.data());
        std::copy(vq.begin(), vq.end(), v.begin());
        std::copy(ev.begin(), ev.end(), lambda.begin());
    }
};
const Tapers& tapers() {
    static const Tapers t;
    return t;
}

const int NFFT = 8192; // smallest power of two >= 2N
spectrum::AdaptiveSpectrum spectrumOf(const std::vector<double>& x, double dt) {
    return spectrum::adaptiveSpectrum(x.data(), N, dt, tapers().v.data(), N, tapers().lambda.data(),
                                      K, NFFT, NFFT / 2 + 1);
}
// What those tapers make of AR(1) noise whose mean was removed (as ar1Series does).
const spectrum::ExpectedPower& expected() {
    static const spectrum::ExpectedPower e(tapers().v, tapers().lambda, N, NFFT, NFFT / 2 + 1,
                                           spectrum::Removed::Mean, 3.0);
    return e;
}

TEST(AdaptiveSpectrum, RedNoiseAgainstItsBackgrounds) {
    const double dt = 2.0; // not 1, so that a missing dt factor shows
    std::vector<double> x;
    const double var = ar1Series(0.7, 11, x);
    const double rho = spectrum::lagOneAutocorrelation(x.data(), N);
    EXPECT_NEAR(rho, 0.7, 0.05); // standard error sqrt((1 - rho^2) / n) = 0.011
    const double ramp[] = {1, 2, 3, 4};
    EXPECT_DOUBLE_EQ(spectrum::lagOneAutocorrelation(ramp, 4), 0.25); // 1.25 / 5 by hand

    const auto s = spectrumOf(x, dt);
    EXPECT_TRUE(s.converged);
    EXPECT_LT(s.iterations, spectrum::kAdaptiveMaxIterations);
    double integral = 0;
    for (double p : s.power)
        integral += p / (NFFT * dt);
    EXPECT_NEAR(integral / var, 1.0, 0.05);

    // About 330 independent estimates (one per 2W = 6/n): the 5 % exceedance has a standard
    // error near 1.2 %.
    const double W = 3.0 / (N * dt);
    const auto ar1 = spectrum::fitBackground(BackgroundKind::Ar1, s.frequency, s.power, s.dof, rho,
                                             dt, W, expected());
    int above = 0;
    for (size_t j = 0; j < s.power.size(); ++j)
        above += s.power[j] > ar1.level95[j];
    EXPECT_GT(above, 0.02 * s.power.size());
    EXPECT_LT(above, 0.09 * s.power.size());
    // The robust fit describes the same process...
    const auto rob = spectrum::fitBackground(BackgroundKind::Robust, s.frequency, s.power, s.dof, 0,
                                             dt, W, expected());
    // Each bin's level from its own degrees of freedom: 2K where the weights keep every taper,
    // fewer where they drop some, half at frequency 0 and Nyquist. The ar1 fit's few dominant
    // bins are its own lowest ones; far above them a bin's share of the fit is too small to
    // change its level by more than a little.
    double fewest = 2 * K;
    for (size_t j = 0; j < s.power.size(); ++j) {
        ASSERT_LE(s.dof[j], 2 * K + 1e-9);
        fewest = std::min(fewest, s.dof[j]);
        const double scale = spectrum::chiSquareQuantile(0.95, s.dof[j]) / s.dof[j];
        ASSERT_NEAR(rob.level95[j] / rob.level[j] / scale, 1.0, 1e-5) << j;
        if (s.frequency[j] >= 8 * W) {
            ASSERT_NEAR(ar1.level95[j] / ar1.level[j] / scale, 1.0, 0.01) << j;
        }
    }
    EXPECT_LT(fewest, 2 * K - 1);

    EXPECT_NEAR(rob.rho, 0.7, 0.03);
    EXPECT_NEAR(rob.S0 / ar1.S0, 1.0, 0.1);
    // ...its rho is the least-squares fit in log above W (log S0 the mean residual: no rho of a
    // fine grid does better), and S0 that of the smoothed power against the expected power.
    auto misfit = [&](double r) {
        double sum = 0, sum2 = 0;
        int used = 0;
        for (size_t j = 0; j < s.power.size(); ++j) {
            if (s.frequency[j] < W)
                continue;
            const double c = std::cos(2 * M_PI * s.frequency[j] * dt);
            const double res = std::log(rob.smoothed[j] * (1 - 2 * r * c + r * r) / (1 - r * r));
            sum += res;
            sum2 += res * res;
            ++used;
        }
        return sum2 - sum * sum / used;
    };
    const double best = misfit(rob.rho);
    for (int i = 0; i < 1000; ++i)
        ASSERT_LE(best, misfit(i / 1000.0) * (1 + 1e-12)) << i / 1000.0;
    const std::vector<double> shape = expected().shape(rob.rho);
    double logS0 = 0;
    int used = 0;
    for (size_t j = 0; j < s.power.size(); ++j)
        if (s.frequency[j] >= W) {
            logS0 += std::log(rob.smoothed[j] / shape[j]);
            ++used;
        }
    EXPECT_NEAR(std::log(rob.S0), logS0 / used, 1e-12);
    for (size_t j = 0; j < s.power.size(); ++j)
        ASSERT_NEAR(rob.level[j], rob.S0 * shape[j], 1e-12 * rob.level[j]) << j;
}

// Pure AR(1) noise, 20 series a case: the share of bins above each background's 95 and 99 %
// levels, over the bins marked reliable, is near what the levels promise (band by band in
// bench/calibrate_spectrum_levels).
TEST(RedNoiseCalibration, BothBackgroundsOnPureAr1Noise) {
    for (const int n : {2000, 20000}) {
        const int nfft = analysis::wholeRecordTransformLength(n);
        const spectrum::TaperSet t = spectrum::slepianTapers(n, K, 3.0);
        ASSERT_EQ(t.status, 0);
        const double W = 3.0 / n;
        const spectrum::ExpectedPower expect(t.tapers, t.ratios, n, nfft, nfft / 2 + 1,
                                             spectrum::Removed::Mean, 3.0);
        for (const double rho : {0.0, 0.5, 0.9, 0.985}) {
            double above[2][2] = {}; // [kind][95, 99]
            double counted[2] = {};
            std::vector<double> x;
            for (std::uint64_t seed = 100; seed < 120; ++seed) {
                ar1Series(rho, seed, x, n);
                const auto s = spectrum::adaptiveSpectrum(x.data(), n, 1.0, t.tapers.data(), n,
                                                          t.ratios.data(), K, nfft, nfft / 2 + 1);
                const double r1 = spectrum::lagOneAutocorrelation(x.data(), n);
                for (const BackgroundKind kind : {BackgroundKind::Ar1, BackgroundKind::Robust}) {
                    const auto bg = spectrum::fitBackground(kind, s.frequency, s.power, s.dof, r1,
                                                            1.0, W, expect);
                    for (std::size_t j = 0; j < s.power.size(); ++j)
                        if (bg.reliable[j]) {
                            above[int(kind)][0] += s.power[j] > bg.level95[j];
                            above[int(kind)][1] += s.power[j] > bg.level99[j];
                            ++counted[int(kind)];
                        }
                }
            }
            for (const BackgroundKind kind : {BackgroundKind::Ar1, BackgroundKind::Robust}) {
                const double p95 = 100 * above[int(kind)][0] / counted[int(kind)];
                const double p99 = 100 * above[int(kind)][1] / counted[int(kind)];
                std::printf("calibration: n %5d rho %5.3f %-6s above level_95 %5.2f %%, above "
                            "level_99 %5.2f %%\n",
                            n, rho, spectrum::backgroundKindName(kind), p95, p99);
                EXPECT_GE(p95, 2.0) << n << " " << rho << " " << int(kind);
                EXPECT_LE(p95, 8.0) << n << " " << rho << " " << int(kind);
                EXPECT_LE(p99, 2.5) << n << " " << rho << " " << int(kind);
            }
        }
    }
}

TEST(AdaptiveSpectrum, SineStandsAboveBothBackgrounds) {
    const double dt = 2.0;
    const int j0 = 1000; // the line on bin j0
    std::vector<double> x;
    ar1Series(0.7, 12, x);
    for (int t = 0; t < N; ++t)
        x[t] += 0.3 * std::sin(2 * M_PI * j0 * t / NFFT);
    const double rho = spectrum::lagOneAutocorrelation(x.data(), N);
    const auto s = spectrumOf(x, dt);
    for (BackgroundKind kind : {BackgroundKind::Ar1, BackgroundKind::Robust}) {
        const auto bg = spectrum::fitBackground(kind, s.frequency, s.power, s.dof, rho, dt,
                                                3.0 / (N * dt), expected());
        EXPECT_GT(s.power[j0], bg.level99[j0]) << spectrum::backgroundKindName(kind);
        size_t top = 0; // largest excess over the background: the line, on its own bin
        for (size_t j = 1; j < s.power.size(); ++j)
            if (s.power[j] / bg.level[j] > s.power[top] / bg.level[top])
                top = j;
        EXPECT_NEAR(double(top), j0, 1) << spectrum::backgroundKindName(kind);
    }
}

// Percival and Walden (1993), eqs. 368a and 370a: every bin is the mean of the eigenspectra
// dt |y_k|^2 (two-sided) weighted by lambda_k b_k^2, b_k = S / (lambda_k S + (1 - lambda_k)
// sigma^2 dt). The transforms y_k come from the engine.
TEST(AdaptiveSpectrum, SolvesTheWeightEquationAtEveryBin) {
    const double dt = 2.0;
    std::vector<double> x;
    const double var = ar1Series(0.7, 15, x);
    const auto s = spectrumOf(x, dt);
    std::vector<double> work(4 * NFFT + engine::FFT_FACTOR_SLOTS), y(2 * NFFT * K);
    engine::fftinit(NFFT, work.data());
    engine::eigcoef(N, NFFT, K, x.data(), N, tapers().v.data(), work.data(), NFFT, y.data());
    const double* lambda = tapers().lambda.data();
    double worst = 0;
    for (int j = 0; j <= NFFT / 2; ++j) {
        const double S = (j == 0 || j == NFFT / 2) ? s.power[j] : s.power[j] / 2;
        double num = 0, den = 0;
        for (int k = 0; k < K; ++k) {
            const double b = S / (lambda[k] * S + (1 - lambda[k]) * var * dt);
            const double* yj = &y[2 * (k * NFFT + j)];
            num += lambda[k] * b * b * dt * (yj[0] * yj[0] + yj[1] * yj[1]);
            den += lambda[k] * b * b;
        }
        worst = std::max(worst, std::fabs(num / den - S) / S);
    }
    EXPECT_LT(worst, 1e-9); // the iteration stops at a relative change of 1e-10
}

TEST(AdaptiveSpectrum, WhiteNoiseIsFlatEvenBesideAStrongLine) {
    const double dt = 0.5;
    std::vector<double> x;
    const double var = ar1Series(0.0, 13, x);
    // Mean of power over the white level 2 var dt in band b of 8.
    auto band = [&](const spectrum::AdaptiveSpectrum& s, int b) {
        const size_t per = s.power.size() / 8;
        double sum = 0;
        for (size_t j = b * per; j < (b + 1) * per; ++j)
            sum += s.power[j];
        return sum / per / (2 * var * dt);
    };
    const auto s = spectrumOf(x, dt);
    EXPECT_TRUE(s.converged);
    EXPECT_LT(s.iterations, spectrum::kAdaptiveMaxIterations);
    // A band spans 1/16 cycle per sample, about 2K (1/16) / (2W) = 333 degrees of freedom: a
    // relative standard error of 0.078; allow 4.
    for (int b = 0; b < 8; ++b)
        EXPECT_NEAR(band(s, b), 1.0, 4 * 0.078) << "band " << b;

    // A line 66 dB above the noise in band 0. Unweighted, the broader tapers' leakage lifts
    // bands 2-7 two to nine times; the weights drop those tapers, leaving 2 to 4 degrees of
    // freedom a bin, hence the wider bounds.
    for (int t = 0; t < N; ++t)
        x[t] += 1000 * std::sin(2 * M_PI * 0.0503 * t + 0.3);
    const auto lined = spectrumOf(x, dt);
    EXPECT_TRUE(lined.converged);
    for (int b = 2; b < 8; ++b) {
        EXPECT_GT(band(lined, b), 0.6) << "band " << b;
        EXPECT_LT(band(lined, b), 1.4) << "band " << b;
    }
}

TEST(AdaptiveSpectrum, ArgumentsAndNames) {
    EXPECT_EQ(analysis::wholeRecordTransformLength(N), NFFT);
    EXPECT_THROW(spectrum::adaptiveSpectrum(nullptr, N, 1, nullptr, N, nullptr, K, NFFT, NFFT),
                 std::invalid_argument); // bins past Nyquist
    BackgroundKind kind = BackgroundKind::Ar1;
    EXPECT_TRUE(spectrum::parseBackgroundKind("robust", kind) && kind == BackgroundKind::Robust);
    EXPECT_FALSE(spectrum::parseBackgroundKind("AR1", kind));
    EXPECT_TRUE(
        spectrum::parseBackgroundKind(spectrum::backgroundKindName(BackgroundKind::Ar1), kind) &&
        kind == BackgroundKind::Ar1);
}

// E|Y(f)|^2 = g^H R g with g = P (v e^{-2 pi i f t}), summed by brute force over every pair of
// samples for one taper (no adaptive weights): the expected power with nothing, the mean or the
// line removed. One-sided with S0 = 1 (sigma^2 dt = 1/2): E|Y|^2 inside, half of it at 0 and
// Nyquist.
TEST(ExpectedPower, EqualsTheQuadraticFormOfEachBin) {
    const int n = 48, nfft = 64;
    const spectrum::TaperSet t = spectrum::slepianTapers(n, 1, 2.0);
    ASSERT_EQ(t.status, 0);
    const double rho = 0.8;
    for (const auto removed :
         {spectrum::Removed::Nothing, spectrum::Removed::Mean, spectrum::Removed::Line}) {
        const spectrum::ExpectedPower e(t.tapers, t.ratios, n, nfft, nfft / 2 + 1, removed, 2.0);
        const std::vector<double> shape = e.shape(rho);
        for (int j = 0; j <= nfft / 2; ++j) {
            std::vector<std::complex<double>> g(n);
            for (int s = 0; s < n; ++s)
                g[s] = t.tapers[s] * std::polar(1.0, -2 * M_PI * j * s / nfft);
            // Least-squares residual of g on the constant (and the line): the projection.
            const int removedCount = removed == spectrum::Removed::Nothing ? 0
                                     : removed == spectrum::Removed::Mean  ? 1
                                                                           : 2;
            for (int pass = 0; pass < removedCount; ++pass) {
                std::vector<double> q(n);
                double norm = 0;
                for (int s = 0; s < n; ++s) {
                    q[s] = pass == 0 ? 1.0 : s - 0.5 * (n - 1);
                    norm += q[s] * q[s];
                }
                std::complex<double> c = 0;
                for (int s = 0; s < n; ++s)
                    c += q[s] * g[s];
                for (int s = 0; s < n; ++s)
                    g[s] -= c * q[s] / norm;
            }
            std::complex<double> quadratic = 0;
            for (int a = 0; a < n; ++a)
                for (int b = 0; b < n; ++b)
                    quadratic += std::conj(g[a]) * std::pow(rho, std::abs(a - b)) * g[b];
            const double want =
                (j == 0 || j == nfft / 2) ? 0.5 * quadratic.real() : quadratic.real();
            ASSERT_NEAR(shape[j], want, 1e-9 * std::max(1.0, want)) << int(removed) << " " << j;
        }
    }
}

// The AR(1) level's scale does not depend on how finely the transform samples the spectrum
// (the record of the report: 700 samples, rho 0.989, unpadded against 8 times padded), and the
// bins marked unreliable are exactly those below 2W, for white and red noise, either
// background.
TEST(WholeRecordLevels, ScaleIndependentOfTheTransformAndReliableOnlyAbove) {
    const int n = 700;
    const spectrum::TaperSet t = spectrum::slepianTapers(n, K, 3.0);
    ASSERT_EQ(t.status, 0);
    const double W = 3.0 / n;
    auto spectrumAt = [&](const std::vector<double>& x, int nfft, BackgroundKind kind) {
        spectrum::WholeRecord r;
        for (int j = 0; j <= nfft / 2; ++j)
            r.frequency.push_back(double(j) / nfft);
        r.amplitude.assign(r.frequency.size(), 0.0);
        r.probability.assign(r.frequency.size(), 0.0);
        spectrum::WholeRecordRequest q;
        q.nfft = nfft;
        q.background = kind;
        spectrum::completeWholeRecord(r, x, 1.0, q, t.tapers, t.ratios);
        return r;
    };
    std::vector<double> x;
    for (std::uint64_t seed : {21, 22, 23}) {
        ar1Series(0.989, seed, x, n);
        const double coarse = spectrumAt(x, n, BackgroundKind::Ar1).background.S0;
        const double fine = spectrumAt(x, 8 * n, BackgroundKind::Ar1).background.S0;
        EXPECT_NEAR(coarse / fine, 1.0, 0.02) << seed;
    }
    for (const double rho : {0.0, 0.99})
        for (const BackgroundKind kind : {BackgroundKind::Ar1, BackgroundKind::Robust}) {
            ar1Series(rho, 30, x, n);
            const spectrum::WholeRecord r = spectrumAt(x, 2048, kind);
            const auto& reliable = r.background.reliable;
            ASSERT_EQ(reliable.size(), r.frequency.size());
            for (std::size_t j = 0; j < reliable.size(); ++j)
                ASSERT_EQ(bool(reliable[j]), r.frequency[j] >= 2 * W) << j;
            const double below = spectrum::unreliableBelow(r);
            EXPECT_TRUE(below >= 2 * W && below < 2 * W + 1.0 / 2048) << below;
        }
}

TEST(RunningMedian, MatchesSortingEachWindow) {
    Normal e{std::mt19937_64(14)};
    std::vector<double> v(301);
    for (double& a : v)
        a = std::round(4 * e()); // coarse values: many ties
    for (int half : {0, 1, 7, 60, 400}) {
        const auto med = spectrum::runningMedian(v, half);
        for (int j = 0; j < 301; ++j) {
            std::vector<double> w(v.begin() + std::max(0, j - half),
                                  v.begin() + std::min(301, j + half + 1));
            std::sort(w.begin(), w.end());
            const size_t c = w.size();
            ASSERT_EQ(med[j], c % 2 ? w[c / 2] : 0.5 * (w[c / 2 - 1] + w[c / 2])) << half << j;
        }
    }
}

TEST(ChiSquare, QuantilesAgainstTables) {
    // Abramowitz and Stegun (1964) table 26.8, rounded to 3 decimals: {dof, p, quantile}.
    const double table[][3] = {{2, 0.95, 5.991},  {2, 0.99, 9.210},  {4, 0.90, 7.779},
                               {8, 0.01, 1.646},  {8, 0.05, 2.733},  {8, 0.90, 13.362},
                               {8, 0.95, 15.507}, {8, 0.99, 20.090}, {20, 0.95, 31.410},
                               {3, 0.5, 2.366},   {3, 0.95, 7.815},  {5, 0.99, 15.086}};
    for (const auto& r : table)
        EXPECT_NEAR(spectrum::chiSquareQuantile(r[1], r[0]), r[2], 6e-4) << r[0] << " " << r[1];
    // Two degrees of freedom in closed form, -2 log(1 - p), including both far tails.
    for (double p : {1e-9, 0.3, 0.5, 0.999999})
        EXPECT_NEAR(spectrum::chiSquareQuantile(p, 2) / (-2 * std::log1p(-p)), 1.0, 1e-12) << p;
    EXPECT_THROW(spectrum::chiSquareQuantile(0.95, 0), std::invalid_argument);
    EXPECT_THROW(spectrum::chiSquareQuantile(1.5, 8), std::invalid_argument);
}

// The rule in counting form: the largest k with at least k p-values at or below k q / m, then
// everything at or below that line.
std::vector<bool> countingRule(const std::vector<double>& p, double q) {
    const size_t m = p.size();
    std::vector<bool> kept(m, false);
    for (size_t k = m; k >= 1; --k) {
        const double line = double(k) * q / double(m);
        if (std::count_if(p.begin(), p.end(), [&](double v) { return v <= line; }) >= long(k)) {
            for (size_t i = 0; i < m; ++i)
                kept[i] = p[i] <= line;
            break;
        }
    }
    return kept;
}

TEST(FalseDiscovery, StepUpWithTies) {
    // m = 10, q = 0.05, lines 0.005 i. Sorted: 0.001 0.012 0.013 0.013 0.013 0.024 0.04 ...;
    // 0.012 > 0.010 misses its own line, but 0.024 <= 0.030 at rank 6 keeps all six.
    const std::vector<double> p{0.2, 0.013, 0.001, 0.024, 0.013, 0.9, 0.012, 0.013, 0.04, 0.5};
    const std::vector<bool> expected{false, true, true, true,  true,
                                     false, true, true, false, false};
    EXPECT_EQ(results::benjaminiHochberg(p, 0.05), expected);
    for (double q : {0.0, 0.01, 0.05, 0.1, 0.26, 1.0})
        EXPECT_EQ(results::benjaminiHochberg(p, q), countingRule(p, q)) << q;
    EXPECT_EQ(results::benjaminiHochberg({0.04, 0.04, 0.04, 0.04}, 0.05),
              std::vector<bool>(4, true));
    EXPECT_TRUE(results::benjaminiHochberg({}, 0.05).empty());
    EXPECT_THROW(results::benjaminiHochberg({0.1, 1.2}, 0.05), std::invalid_argument);
    EXPECT_THROW(results::benjaminiHochberg({0.1, NAN}, 0.05), std::invalid_argument);
}

} // namespace
