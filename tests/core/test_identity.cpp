// Which cycle a line is: records made here with a known rate, whose obliquity outweighs their
// precession (the factor-of-two trap), the lines' misfit on signal and on AR(1) noise, and a
// trace whose period belongs to another line, or becomes another line after a step in rate.
#include "core/astro/CycleIdentity.h"
#include "core/astro/SpectralMisfit.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TraceReading.h"
#include "core/astro/TrackCheck.h"
#include "core/astro/TrackFlags.h"
#include "core/service/AnalysisService.h"
#include "core/service/CycleReadings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using namespace astro;

namespace {

constexpr double trueRate = 2.0; // cm/kyr
constexpr double spacing = 0.05; // metres: 2.5 kyr per sample
constexpr double pi = 3.14159265358979323846;

struct Mix {
    double precession = 0.5, obliquity = 1.2, eccentricity = 0.3, noise = 0.3;
};

// Eccentricity and its modulation of precession as in nature; obliquity modulated at twice the
// eccentricity periods, so that read twice as fast it looks like precession modulated by
// eccentricity: the trap that makes r2_opt favour the doubled rate. timeAt: kyr at a depth (m).
std::vector<double> record(std::size_t n, const Mix& mix, unsigned seed,
                           const std::function<double(double)>& timeAt) {
    const Targets t;
    std::mt19937_64 g(seed);
    std::normal_distribution<double> normal;
    std::vector<double> y(n);
    double noise = normal(g);
    for (std::size_t i = 0; i < n; ++i) {
        const double time = timeAt(spacing * static_cast<double>(i));
        double e = 0, m = 0, p = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            e += std::cos(2 * pi * time / t.eccentricity[k * 2] + k);
            m += std::cos(2 * pi * time / (2 * t.eccentricity[k * 2]) + 2 * k);
        }
        for (std::size_t k = 0; k < t.precession.size(); ++k)
            p += std::cos(2 * pi * time / t.precession[k] + 3 * k);
        noise = 0.5 * noise + std::sqrt(0.75) * normal(g);
        y[i] = mix.eccentricity * e + mix.precession * (1 + 0.3 * e) * p +
               mix.obliquity * (1 + 0.3 * m) * std::cos(2 * pi * time / 41.0) + mix.noise * noise;
    }
    return y;
}

std::vector<double> record(std::size_t n, const Mix& mix, unsigned seed) {
    return record(n, mix, seed, [](double z) { return z * 100 / trueRate; });
}

series::Series asSeries(const std::vector<double>& y) {
    series::Series s;
    for (std::size_t i = 0; i < y.size(); ++i)
        s.xpos.push_back(spacing * static_cast<double>(i));
    s.yval = y;
    return s;
}

analysis::RunParameters lineTest(int window, int step) {
    analysis::RunParameters q;
    q.window = window;
    q.step = step;
    q.nfft = analysis::wholeRecordTransformLength(window);
    q.fmax = 0.5;
    return q;
}

service::WindowLines linesOf(const series::Series& s, int window, int step, double level = 0.95) {
    analysis::Provenance p;
    p.deltat = spacing;
    p.samples = static_cast<int>(s.yval.size());
    service::Execution quiet;
    quiet.quiet = true;
    service::RunControl control;
    return service::analyseLines(s, p, lineTest(window, step), {level, 0}, control, quiet);
}

TimeOptSettings settings() {
    TimeOptSettings s;
    s.grid = {0.8, 8, 120, false};
    return s;
}

MisfitSettings misfitSettings(int sims, std::uint64_t seed = 1) {
    MisfitSettings m;
    m.simulations = sims;
    m.seed = seed;
    return m;
}

} // namespace

TEST(CycleIdentity, ObliquityOutweighingPrecessionIsNotTakenForIt) {
    const series::Series s = asSeries(record(1200, {}, 7));
    const TimeOptScan scan = timeOpt(s.yval, spacing, settings());
    ASSERT_FALSE(scan.problem);
    const service::WindowLines lines = linesOf(s, 1200, 1);
    ASSERT_TRUE(lines.outcome.finished()) << lines.outcome.problem;
    std::vector<double> rates;
    for (const RateScore& r : scan.scores)
        rates.push_back(r.rate);
    const CycleIdentity id =
        identifyCycle(scan.scores, spectralMisfit(lines.windows[0], rates, misfitSettings(500)));
    EXPECT_NEAR(id.rate(), trueRate, 0.1 * trueRate);
    // The doubled rate scores too (the trap is set) and is named as the alternative.
    ASSERT_TRUE(id.alternative);
    EXPECT_NEAR(id.candidates[*id.alternative].score.rate, 2 * trueRate, 0.25 * trueRate);
}

// Two readings, r2_opt favouring 2 cm/kyr over 4.4: lines whose corrected null probabilities
// are 0.8 and 1 (no better than chance at either) leave the choice to r2_opt; lines five times
// less likely by chance at 4.4 take it.
TEST(CycleIdentity, LinesDecideOnlyWhereTheyTellTheReadingsApart) {
    std::vector<RateScore> scores;
    for (int i = 0; i <= 20; ++i) {
        const double rate = 1 + 0.2 * i;
        const double r2 = std::fabs(rate - 2) < 1e-9     ? 0.3
                          : std::fabs(rate - 4.4) < 1e-9 ? 0.2
                                                         : 0.01;
        scores.push_back({rate, r2, r2, r2, 0});
    }
    const auto identified = [&](double pAt2, double pAt44) {
        MisfitScan lines;
        lines.rows = {{scores[5].rate, 0.004, pAt2}, {scores[17].rate, 0.004, pAt44}};
        return identifyCycle(scores, lines).rate();
    };
    EXPECT_DOUBLE_EQ(identified(0.5, 0.4), scores[5].rate);
    EXPECT_DOUBLE_EQ(identified(0.5, 0.1), scores[17].rate);
}

TEST(CycleIdentity, WithoutPrecessionNoWindowIsSilentlyDoubled) {
    Mix mix;
    mix.precession = 0;
    const series::Series s = asSeries(record(1600, mix, 11));
    const double windowLength = 1200 * spacing, stepLength = 200 * spacing;
    const EvolutiveTimeOpt e =
        evolutiveTimeOpt(s.xpos, s.yval, settings(), windowLength, stepLength);
    ASSERT_FALSE(e.problem);
    const WindowSignificance sig = evolutiveSignificance(s.xpos, s.yval, settings(), e, 40, 3);
    const service::WindowLines lines =
        linesOf(s, static_cast<int>(e.windowSamples), static_cast<int>(e.stepSamples), 0.99);
    ASSERT_EQ(lines.windows.size(), e.centres.size());
    const FlaggedTrack t =
        flagTrack(e, sig.pValues, 0.05, evolutiveIdentity(e, lines.windows, misfitSettings(3000)));
    for (std::size_t w = 0; w < t.points.size(); ++w) {
        const bool doubled = t.identifiedRate(w) > 1.5 * trueRate;
        const bool refused = t.flags[w] == tuning::RateFlag::Alias ||
                             t.flags[w] == tuning::RateFlag::Edge ||
                             t.flags[w] == tuning::RateFlag::Jump;
        EXPECT_TRUE(!doubled || refused) << "window " << w << " rate " << t.identifiedRate(w);
    }
}

TEST(SpectralMisfit, FindsTheRateAndStaysQuietOnNoise) {
    const series::Series s = asSeries(record(1200, {1.0, 0.6, 0.4, 0.3}, 5));
    const std::vector<double> rates = gridRates({0.8, 8, 120, false});
    const MisfitScan signal =
        spectralMisfit(linesOf(s, 1200, 1).windows[0], rates, misfitSettings(5000));
    ASSERT_FALSE(signal.problem);
    EXPECT_NEAR(signal.rows[signal.best].rate, trueRate, 0.1 * trueRate);
    EXPECT_LE(signal.bestCorrected, 0.05);

    // AR(1) noise: the best rate's corrected null probability exceeds 0.05 in at least 17 of 20.
    int quiet = 0;
    for (unsigned seed = 0; seed < 20; ++seed) {
        std::mt19937_64 g(100 + seed);
        std::normal_distribution<double> normal;
        std::vector<double> y(600);
        for (std::size_t i = 1; i < y.size(); ++i)
            y[i] = 0.7 * y[i - 1] + normal(g);
        const MisfitScan noise = spectralMisfit(linesOf(asSeries(y), 600, 1).windows[0], rates,
                                                misfitSettings(5000, seed));
        quiet += noise.problem || noise.bestCorrected > 0.05 ? 1 : 0;
    }
    EXPECT_GE(quiet, 17);
}

TEST(TrackCheck, FortyOneOnAPrecessionLineNamesPrecession) {
    // A 21-kyr line at 2 cm/kyr: 0.42 m per cycle.
    const tuning::Trace trace{{1, 2, 3}, {1 / 0.42, 1 / 0.42, 1 / 0.42}};
    const tuning::RateTrack track{{0, 4}, {trueRate, trueRate}};
    const auto m = checkTraceAgainstTrack(trace, 41, track, 1.0, {});
    ASSERT_EQ(m.size(), 3u);
    EXPECT_NEAR(m[0].periodAtTrack, 21, 1e-9);
    const std::string text = mismatchText(m, {10, 11, 12}, 41);
    EXPECT_NE(text.find("this line is a 21-kyr cycle: precession, not 41 kyr"), std::string::npos)
        << text;
    // Called by its own period, the same line agrees with the track.
    EXPECT_TRUE(checkTraceAgainstTrack(trace, 21, track, 1.0, {}).empty());
}

TEST(TraceReading, AfterAStepTheTracedLineIsReadAsPrecessionToo) {
    // 2 cm/kyr to 40 m, then 4: obliquity's line at 1.22 cycles/m before, the 19-kyr
    // precession line at 1.31 after, where a trace that follows the line by continuity goes.
    const double step = 40;
    const auto timeAt = [&](double z) { return z < step ? z * 50 : step * 50 + (z - step) * 25; };
    const Mix mix{1.0, 0.6, 0.3, 0.3};
    const series::Series s = asSeries(record(1600, mix, 7, timeAt));
    tuning::RowSpread rows;
    for (double x = 10; x <= 70; x += 4) {
        const double f = x < step ? 100 / (41 * 2.0) : 100 / (19.0677 * 4.0);
        rows.position.push_back(x);
        rows.main.push_back({f, f * 0.97, f * 1.03});
    }
    rows.windowLength = 16;
    service::Execution quiet;
    quiet.quiet = true;
    const tuning::RowSpread read = service::withTraceReadings(s.xpos, s.yval, rows, 41, 1, quiet);
    ASSERT_EQ(read.others.size(), rows.main.size()) << read.readings;
    for (std::size_t i = 0; i < rows.position.size(); ++i) {
        const double x = rows.position[i];
        SCOPED_TRACE(x);
        if (x + rows.windowLength / 2 < step) { // the window wholly before the step
            EXPECT_TRUE(read.others[i].empty());
        } else if (x - rows.windowLength / 2 > step) {
            // The further mode: the frequency obliquity has at the rate the precession reading
            // gives, 1.31 x 19.07 / 41 = 0.61 cycles/m, the interval scaled with it.
            ASSERT_EQ(read.others[i].size(), 1u);
            EXPECT_NEAR(read.others[i][0].value, 100 / (41 * 4.0), 0.02);
            EXPECT_NEAR(read.others[i][0].high / read.others[i][0].value, 1.03 / 1.0, 1e-9);
        }
    }
    EXPECT_NE(read.readings.find("-kyr precession"), std::string::npos) << read.readings;
    // Unevenly spaced samples are not read, and the block says so.
    std::vector<double> uneven = s.xpos;
    uneven[5] += spacing / 3;
    EXPECT_EQ(service::withTraceReadings(uneven, s.yval, rows, 41, 1, quiet).readings,
              "not read: the samples are not evenly spaced");
}
