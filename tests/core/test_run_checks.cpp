// Checks made before a run, and the sample series analysed end to end.
#include "core/analysis/RunParameters.h"
#include "core/series/SeriesFile.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <gtest/gtest.h>

#include <cmath>

using analysis::ParameterId;
using analysis::RunParameters;

namespace {

series::Series evenSeries(int n, double dt = 1.0) {
    series::Series s;
    for (int i = 0; i < n; ++i) {
        s.xpos.push_back(i * dt);
        s.yval.push_back(std::sin(i * 0.1));
        s.lines.push_back(i + 2);
    }
    return s;
}

TEST(RunChecks, ParametersTheEngineWouldRefuseAreNamed) {
    struct Case {
        RunParameters p;
        int npts;
        std::optional<ParameterId> parameter;
        const char* says;
    };
    auto with = [](auto edit) {
        RunParameters p;
        edit(p);
        return p;
    };
    const Case cases[] = {
        {RunParameters{}, 300, ParameterId::Window,
         "window length 400 exceeds the 300 samples of the series"},
        {with([](RunParameters& p) { p.window = 1; }), 1000, ParameterId::Window,
         "below the minimum of 2"},
        {with([](RunParameters& p) { p.step = 0; }), 1000, ParameterId::Step,
         "window step 0 must be at least 1"},
        {with([](RunParameters& p) { p.nfft = 256; }), 1000, ParameterId::Nfft,
         "shorter than the window length 400"},
        {with([](RunParameters& p) { p.nfft = 1048577; }), 1000, ParameterId::Nfft,
         "exceeds the maximum 1048576"},
        {with([](RunParameters& p) { p.tapers = 11; }), 1000, ParameterId::Tapers,
         "number of tapers 11 is outside 1 .. 10"},
        {with([](RunParameters& p) { p.tapers = 0; }), 1000, ParameterId::Tapers,
         "outside 1 .. 10"},
        {with([](RunParameters& p) { p.tbw = 250; }), 1000, ParameterId::Tbw, "below 200"},
        {with([](RunParameters& p) { p.tbw = std::nan(""); }), 1000, ParameterId::Tbw,
         "not a number"},
        {with([](RunParameters& p) { p.fmax = INFINITY; }), 1000, ParameterId::Fmax,
         "not a number"},
        {RunParameters{}, 600000, std::nullopt, "at most"},
        {with([](RunParameters& p) {
             p.step = 1;
             p.nfft = 1048576;
             p.fmax = 0.5;
         }),
         100000, ParameterId::Step, "99601 windows x 524289 frequencies"},
    };
    for (const Case& c : cases) {
        const auto problem = analysis::checkParameters(c.p, c.npts, 1.0);
        ASSERT_TRUE(problem) << c.says;
        EXPECT_EQ(problem->parameter, c.parameter) << problem->text;
        EXPECT_NE(problem->text.find(c.says), std::string::npos)
            << problem->text << " / " << c.says;
    }
    EXPECT_FALSE(analysis::checkParameters(RunParameters{}, 1000, 1.0));
    EXPECT_EQ(analysis::checkParameters(RunParameters{}, 1000, 0.0)->stage,
              analysis::Stage::Spacing);
}

TEST(RunChecks, SeriesProblemsNameTheFirstOffendingLine) {
    auto s = evenSeries(10);
    EXPECT_FALSE(analysis::checkSeries(s));
    s.yval[4] = std::nan("");
    EXPECT_NE(analysis::checkSeries(s)->text.find("line 6 holds the value nan"), std::string::npos);
    s = evenSeries(10);
    s.yval[2] = INFINITY;
    EXPECT_NE(analysis::checkSeries(s)->text.find("line 4"), std::string::npos);
    s = evenSeries(10);
    s.xpos[7] = s.xpos[6];
    const auto repeated = analysis::checkSeries(s);
    ASSERT_TRUE(repeated);
    EXPECT_EQ(repeated->stage, analysis::Stage::Spacing);
    EXPECT_NE(repeated->text.find("line 9 (position 6) does not follow line 8"), std::string::npos)
        << repeated->text;
    EXPECT_NE(analysis::checkSeries(evenSeries(1))->text.find("only one data line"),
              std::string::npos);
    EXPECT_NE(analysis::checkSeries(evenSeries(0))->text.find("no data line"), std::string::npos);
}

TEST(RunChecks, UnevenSpacingIsReportedWithItsLargestDeviation) {
    auto s = evenSeries(10, 0.5);
    EXPECT_TRUE(analysis::checkSpacing(s).even);
    s.xpos[5] += 0.1; // spacings 0.6 then 0.4
    const auto r = analysis::checkSpacing(s);
    EXPECT_FALSE(r.even);
    EXPECT_EQ(r.deltat, 0.5);
    EXPECT_NEAR(r.largestDeviation, 0.1, 1e-12);
    EXPECT_EQ(r.line, 7);
    EXPECT_NE(r.text.find("not evenly spaced"), std::string::npos);
    // Rounding noise in written positions is not unevenness.
    auto noisy = evenSeries(10, 0.1);
    noisy.xpos[3] += 1e-12;
    EXPECT_TRUE(analysis::checkSpacing(noisy).even);
}

// The sample: eccentricity, obliquity and precession of the last 2000 kyr (Laskar et al.
// 2004). On the defaults every window finds the obliquity line near 1/41 per kyr and a
// precession line near 1/19 .. 1/23 per kyr at 95 %.
TEST(SampleSeries, EveryWindowFindsObliquityAndPrecession) {
    const auto s = series::loadSeries(TONALITH_SAMPLE, 1, 1);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->xpos.size(), 2001u);
    const RunParameters p;
    const int npts = 2001;
    const int nwin = analysis::windowCount(p, npts);
    const int nsel = analysis::binCount(p);
    ASSERT_EQ(nwin, 65);
    ASSERT_EQ(nsel, 246);
    std::vector<double> xc(size_t(nwin) * nsel), f(xc.size()), a(xc.size()), pr(xc.size());
    std::FILE* quiet = std::fopen("/dev/null", "w");
    engine::setDiagnosticStream(quiet);
    const int status = engine::mwc2(xc.data(), f.data(), a.data(), pr.data(), s->xpos.data(), p.tbw,
                                    p.fmax, analysis::sampleSpacing(*s), s->yval.data(), 1, npts,
                                    p.tapers, p.window, p.step, p.nfft, 95, nullptr, nullptr);
    engine::setDiagnosticStream(nullptr);
    std::fclose(quiet);
    ASSERT_EQ(status, 0);
    for (int w = 0; w < nwin; ++w) {
        bool obliquity = false;
        bool precession = false;
        for (int i = 0; i < nsel; ++i) {
            const std::size_t r = size_t(w) * nsel + i;
            if (pr[r] < 0.95)
                continue;
            obliquity = obliquity || (f[r] >= 1 / 43.0 && f[r] <= 1 / 39.0);
            precession = precession || (f[r] >= 1 / 20.0 && f[r] <= 1 / 18.0);
        }
        EXPECT_TRUE(obliquity) << "window " << w + 1 << " centred at " << xc[size_t(w) * nsel];
        EXPECT_TRUE(precession) << "window " << w + 1 << " centred at " << xc[size_t(w) * nsel];
    }
}

} // namespace
