// Reshaping result rows into the map's matrices, the spectral lines of one window, and the
// number of lines white noise passes by chance.
#include "core/results/ChanceLines.h"
#include "core/results/FalseDiscovery.h"
#include "core/results/ResultSet.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace results;

namespace {

TEST(TransposeGrid, WindowMajorRowsBecomeOneRowPerFrequency) {
    // 3 frequencies x 2 windows: window 0 holds a0 a1 a2, window 1 holds b0 b1 b2.
    const std::vector<double> rows = {10, 11, 12, 20, 21, 22};
    EXPECT_EQ(*transposeGrid(rows, 3, 2), (std::vector<double>{10, 20, 11, 21, 12, 22}));
    EXPECT_TRUE(transposeGrid(rows, 0, 2)->empty());
    EXPECT_FALSE(transposeGrid(rows, 3, 3)); // fewer rows than frequencies x windows
    EXPECT_EQ(*transposeGrid({1, 2, 3, 4, 5, 6, 7}, 3, 2),
              (std::vector<double>{1, 4, 2, 5, 3, 6})); // the rest ignored
    EXPECT_EQ(distinctCount({0.5, 0.25, 0.5, 1.0, 0.25}), 3u);
}

ResultSet oneWindow(const std::vector<double>& prob, const std::vector<double>& ampl) {
    ResultSet r;
    r.windows = 1;
    r.bins = static_cast<int>(prob.size());
    for (int i = 0; i < r.bins; ++i) {
        r.xcent.push_back(50.0);
        r.freq.push_back(0.01 * i);
    }
    r.prob = prob;
    r.ampl = ampl;
    return r;
}

TEST(FindPeaks, LocalMaximaAmongTheSignificantBins) {
    //                     0     1     2     3     4    5     6     7     8    9
    const ResultSet r = oneWindow({0.20, 0.96, 0.99, 0.97, 0.5, 0.95, 0.97, 0.96, 0.98, 0.3},
                                  {0.1, 1.0, 2.0, 1.5, 0.2, 0.5, 0.7, 0.6, 0.9, 0.1});
    const auto peaks = findPeaks(r, 0, 0.95);
    ASSERT_EQ(peaks.size(), 3u);
    EXPECT_DOUBLE_EQ(peaks[0].frequency, 0.02);
    EXPECT_DOUBLE_EQ(peaks[0].period, 50.0);
    EXPECT_EQ(peaks[0].amplitude, 2.0);
    EXPECT_DOUBLE_EQ(peaks[1].frequency, 0.06); // two humps in one run of significant bins
    EXPECT_DOUBLE_EQ(peaks[2].frequency, 0.08);
    EXPECT_EQ(peaks[2].centre, 50.0);
    EXPECT_TRUE(findPeaks(r, 0, 0.995).empty());
}

TEST(FindPeaks, APlateauOfCertaintyIsOneLineAtItsLargestAmplitude) {
    const ResultSet r = oneWindow({0.1, 1.0, 1.0, 1.0, 0.2}, {0.0, 0.8, 1.3, 0.9, 0.0});
    const auto peaks = findPeaks(r, 0, 0.95);
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_DOUBLE_EQ(peaks[0].frequency, 0.02);
    // Probabilities that could not be evaluated (1e37) are no lines; frequency 0 (the mean or a
    // trend) is never one.
    const ResultSet unknown = oneWindow({1.0e37, 1.0e37}, {1, 1});
    EXPECT_TRUE(findPeaks(unknown, 0, 0.95).empty());
    const ResultSet zero = oneWindow({0.99, 0.1}, {1, 0});
    EXPECT_TRUE(findPeaks(zero, 0, 0.95).empty());
}

// 1000 windows of white noise (fixed seed) for the default settings and two others: the lines
// found per window at three levels against the expected count the peaks header states.
TEST(ChanceLines, ExpectedCountMatchesWhiteNoise) {
    struct Case {
        int window, nfft;
    };
    engine::setDiagnosticsDiscarded(true);
    for (const Case c : {Case{400, 4096}, Case{200, 2048}, Case{1000, 8192}}) {
        analysis::RunParameters p;
        p.window = c.window;
        p.nfft = c.nfft;
        const int n = p.window + 999 * p.step;
        std::mt19937_64 rng(23);
        std::normal_distribution<double> noise;
        std::vector<double> x(n), y(n);
        for (int t = 0; t < n; ++t) {
            x[t] = t;
            y[t] = noise(rng);
        }
        ResultSet r;
        r.windows = analysis::windowCount(p, n);
        r.bins = analysis::binCount(p);
        for (auto* v : {&r.xcent, &r.freq, &r.ampl, &r.prob})
            v->resize(static_cast<std::size_t>(r.windows) * r.bins);
        ASSERT_EQ(engine::mwc2(r.xcent.data(), r.freq.data(), r.ampl.data(), r.prob.data(),
                               x.data(), p.tbw, p.fmax, 1, y.data(), 1, n, p.tapers, p.window,
                               p.step, p.nfft, 95, nullptr, nullptr),
                  0);
        for (const double level : {0.9, 0.95, 0.99}) {
            double lines = 0;
            for (int w = 0; w < r.windows; ++w)
                lines += static_cast<double>(findPeaks(r, w, level).size());
            const double expected = expectedChanceLines(p, level);
            EXPECT_NEAR(lines / r.windows / expected, 1.0, 0.35)
                << "window " << c.window << ", level " << level << ": " << lines / r.windows
                << " lines per window, " << expected << " expected";
        }
    }
    engine::setDiagnosticsDiscarded(false);
}

} // namespace
