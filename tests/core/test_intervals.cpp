// The rate's interval and the traced frequency's interval, lightly: on likelihoods whose
// intervals are known in closed form, and on a few simulated records (the calibration over
// hundreds of records is bench/calibrate_intervals.py's).
#include "core/astro/AstroFiles.h"
#include "core/astro/RatePosterior.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"
#include "core/service/AnalysisService.h"
#include "core/tuning/FrequencyInterval.h"
#include "core/tuning/TraceFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

using namespace astro;

namespace {

// 97.5 % point of the standard normal (Abramowitz and Stegun, table 26.1).
constexpr double z975 = 1.959964;

// log N(rate; centre, sd), up to its constant, at every rate.
LikelihoodAt gaussian(double centre, double sd) {
    return [=](const std::vector<double>& rates) {
        std::vector<double> v;
        for (double r : rates)
            v.push_back(-0.5 * std::pow((r - centre) / sd, 2));
        return v;
    };
}

std::vector<RateLikelihood> onGrid(const LikelihoodAt& at, double low, double high, int count) {
    std::vector<double> rates;
    for (int i = 0; i < count; ++i)
        rates.push_back(low + (high - low) * i / (count - 1));
    const std::vector<double> values = at(rates);
    std::vector<RateLikelihood> p;
    for (int i = 0; i < count; ++i)
        p.push_back({rates[i], values[i]});
    return p;
}

// Precession, modulated by eccentricity as the target periods beat, and obliquity at time t.
double orbit(double t) {
    const Targets targets;
    const double amplitude[] = {1.0, 0.75, 0.6, 0.45};
    double p = 0;
    for (std::size_t k = 0; k < 4; ++k)
        p += amplitude[k] * std::cos(2 * M_PI * t / targets.precession[k] + 1.3 * k);
    return p + 0.5 * std::cos(2 * M_PI * t / 41.0);
}

// n samples 4 cm apart at `rate` cm/kyr, with AR(1) noise (rho 0.5) of standard deviation sd.
std::vector<double> record(std::size_t n, double rate, double sd, unsigned seed) {
    std::mt19937_64 g(seed);
    std::normal_distribution<double> normal;
    std::vector<double> y(n);
    double noise = normal(g);
    for (std::size_t i = 0; i < n; ++i) {
        noise = 0.5 * noise + std::sqrt(0.75) * normal(g);
        y[i] = orbit(100 * 0.04 * static_cast<double>(i) / rate) + sd * noise;
    }
    return y;
}

const double trueRate = 2.13; // cm/kyr, between the default grid's rates

} // namespace

TEST(RatePosterior, AGaussianLikelihoodGivesItsIntervalWhateverTheGrid) {
    // sd 0.01 on a grid 0.1 apart: the whole likelihood between two grid rates.
    const LikelihoodAt at = gaussian(2.0437, 0.01);
    for (const int count : {19, 181, 1801}) {
        const auto refined = refineLikelihood(onGrid(at, 1.1, 2.9, count), at);
        const RateInterval i = rateInterval(refined, 0.95);
        ASSERT_EQ(i.modes.size(), 1u) << count;
        EXPECT_NEAR(i.modes[0].low, 2.0437 - z975 * 0.01, 2e-4) << count;
        EXPECT_NEAR(i.modes[0].high, 2.0437 + z975 * 0.01, 2e-4) << count;
        EXPECT_NEAR(i.modes[0].share, 1, 1e-9);
        EXPECT_NEAR(i.modes[0].peak, 2.0437, 2e-3);
        // 68.27 % of a normal lies within one standard deviation.
        const RateInterval one = rateInterval(refined, 0.6827);
        EXPECT_NEAR(one.modes[0].high - one.modes[0].low, 0.02, 2e-4) << count;
    }
}

TEST(RatePosterior, TwoModesAreToldApartWithTheirShares) {
    // 0.7 N(2, 0.02) + 0.3 N(4, 0.02): two modes, each holding its share.
    const LikelihoodAt at = [](const std::vector<double>& rates) {
        std::vector<double> v;
        for (double r : rates)
            v.push_back(std::log(0.7 * std::exp(-0.5 * std::pow((r - 2) / 0.02, 2)) +
                                 0.3 * std::exp(-0.5 * std::pow((r - 4) / 0.02, 2)) + 1e-300));
        return v;
    };
    const RateInterval i = rateInterval(refineLikelihood(onGrid(at, 1, 5, 41), at), 0.95);
    ASSERT_EQ(i.modes.size(), 2u);
    EXPECT_NEAR(i.modes[0].share, 0.7, 1e-3);
    EXPECT_NEAR(i.modes[1].share, 0.3, 1e-3);
    EXPECT_EQ(i.holding(2.01), &i.modes[0]);
    EXPECT_EQ(i.holding(3.99), &i.modes[1]);
    // Each mode's stretch holds 95 % of its own share, about its centre.
    EXPECT_LT(i.modes[0].low, 2 - 0.03);
    EXPECT_GT(i.modes[0].high, 2 + 0.03);
    EXPECT_LT(i.modes[1].high - i.modes[1].low, 0.1);
    // Nothing known, no interval.
    EXPECT_TRUE(rateInterval({{1, 0}}, 0.95).modes.empty());
    EXPECT_EQ(rateInterval({{1, 0}}, 0.95).holding(1), nullptr);
    EXPECT_TRUE(rateInterval({{1, 0}, {2, NAN}}, 0.95).modes.empty());
}

TEST(RateInterval, HoldsTheRecordsRateAndNarrowsWithLengthAndLessNoise) {
    const TimeOptSettings settings;
    const auto width = [&](std::size_t n, double sd, double* peak) {
        const TimeOptScan scan = timeOpt(record(n, trueRate, sd, 5), 0.04, settings);
        EXPECT_FALSE(scan.problem);
        const RateInterval i = rateInterval(scan.likelihood, 0.95);
        const RateMode* m = i.holding(scan.scores[scan.best].rate);
        EXPECT_NE(m, nullptr);
        if (!m)
            return 0.0;
        // The interval holds the posterior's peak, and the grid's optimum lies within a grid
        // step (2.3 %) of it.
        EXPECT_LE(m->low, m->peak);
        EXPECT_GE(m->high, m->peak);
        EXPECT_LT(scan.scores[scan.best].rate / m->high, 1.024);
        EXPECT_GT(scan.scores[scan.best].rate / m->low, 1 / 1.024);
        *peak = m->peak;
        return m->high - m->low;
    };
    double peak = 0;
    const double base = width(600, 1.0, &peak);
    EXPECT_NEAR(peak / trueRate, 1, 0.01);
    EXPECT_LT(width(1200, 1.0, &peak), 0.6 * base);
    EXPECT_LT(width(600, 0.4, &peak), 0.6 * base);

    // The evolutive form gives every window its interval, in the track file too.
    std::vector<double> z(900);
    for (std::size_t i = 0; i < z.size(); ++i)
        z[i] = 0.04 * static_cast<double>(i);
    const EvolutiveTimeOpt e = evolutiveTimeOpt(z, record(900, trueRate, 0.7, 6), settings, 16, 8);
    ASSERT_FALSE(e.problem);
    ASSERT_EQ(e.likelihoods.size(), e.centres.size());
    const FlaggedTrack track = flagTrack(e, {}, 0.05, {}, 0.9);
    for (std::size_t w = 0; w < e.centres.size(); ++w) {
        const RateMode* m = track.mode(w);
        ASSERT_NE(m, nullptr) << w;
        EXPECT_LT(m->low, trueRate * 1.03) << w;
        EXPECT_GT(m->high, trueRate / 1.03) << w;
    }
    TestDescription d;
    d.record.deltat = 0.04;
    d.interval = 0.9;
    std::istringstream text(trackText(d, 16, 8, track, 0, 0.05));
    std::string line, columns, last;
    while (std::getline(text, line)) {
        if (line.rfind("x_centre", 0) == 0)
            columns = line;
        last = line;
    }
    EXPECT_EQ(columns, "x_centre\tsedimentation_rate\tr2_opt\tp_value\tflag\tidentified_rate\t"
                       "rate_low\trate_high\tmode_share");
    EXPECT_EQ(std::count(last.begin(), last.end(), '\t'), 8) << last;

    // As an ensemble draws the track in the window: each window's mode, its others beside it.
    std::string why;
    const auto spread = trackSpread(track, 16, &why);
    ASSERT_TRUE(spread) << why;
    EXPECT_EQ(spread->widened, 0);
    EXPECT_EQ(spread->windowLength, 16);
    EXPECT_EQ(spread->probability, 0.9);
    for (std::size_t w = 0; w < e.centres.size(); ++w) {
        // The mode's interval, stretched to hold a rate on the grid it may miss by a step.
        EXPECT_EQ(spread->main[w].low, std::min(track.mode(w)->low, track.identifiedRate(w))) << w;
        EXPECT_EQ(spread->main[w].high, std::max(track.mode(w)->high, track.identifiedRate(w)))
            << w;
        EXPECT_EQ(spread->others[w].size() + 1, track.intervals[w].modes.size()) << w;
    }
}

TEST(AstroFiles, TheIntervalComesBeforeTheOptimum) {
    const TimeOptScan scan = timeOpt(record(600, trueRate, 1.0, 7), 0.04, TimeOptSettings());
    TestDescription d;
    d.record.deltat = 0.04;
    const std::string t = timeOptText(d, scan, nullptr);
    const std::size_t interval = t.find("# rate interval: 95 % from ");
    ASSERT_NE(interval, std::string::npos);
    EXPECT_LT(interval, t.find("# optimal sedimentation rate: "));
    EXPECT_NE(t.find("the mode holding the optimum", interval), std::string::npos);
}

namespace {

// One sinusoid of frequency f (cycles per sample) and amplitude a in white noise, analysed by
// the engine in windows of 200 samples.
results::ResultSet sinusoidMap(double f, double a, unsigned seed) {
    std::mt19937_64 g(seed);
    std::normal_distribution<double> normal;
    series::Series s;
    for (int i = 0; i < 1000; ++i) {
        s.xpos.push_back(i);
        s.yval.push_back(a * std::cos(2 * M_PI * f * i + 0.4) + normal(g));
        s.lines.push_back(i + 2);
    }
    results::ResultSet r;
    r.provenance.samples = 1000;
    r.provenance.params.window = 200;
    r.provenance.params.step = 100;
    r.provenance.params.nfft = 1024;
    r.provenance.params.fmax = 0.5;
    service::RunControl control;
    service::Execution quiet;
    quiet.quiet = true;
    EXPECT_TRUE(service::analyseMap(s, r, control, quiet).finished());
    return r;
}

} // namespace

TEST(FrequencyInterval, HoldsTheTracedBinAndTheLineAndNarrowsWithLessNoise) {
    const double f = 0.1234; // between the bins (1/1024 apart)
    const auto widths = [&](double a) {
        const results::ResultSet r = sinusoidMap(f, a, 11);
        const int window = 2, bin = tuning::nearestBin(r, f);
        std::vector<tuning::TracePoint> trace =
            tuning::traceLine(r, window, bin, 0.004, tuning::TraceBy::Amplitude);
        service::Execution quiet;
        quiet.quiet = true;
        service::addTraceIntervals(trace, r, 0.95, quiet);
        double total = 0;
        for (const tuning::TracePoint& p : trace) {
            EXPECT_LE(p.frequencyLow, p.frequency);
            EXPECT_GE(p.frequencyHigh, p.frequency);
            EXPECT_LT(p.frequencyLow, f);
            EXPECT_GT(p.frequencyHigh, f);
            total += p.frequencyHigh - p.frequencyLow;
        }
        return total / static_cast<double>(trace.size());
    };
    const double noisy = widths(0.5);
    // The line's frequency is known to a fraction of the tapers' half-bandwidth (3 / 200).
    EXPECT_LT(noisy, 0.015);
    EXPECT_LT(widths(2.0), 0.5 * noisy);

    // In the file, two columns after the flag; NA where no interval is known.
    const results::ResultSet r = sinusoidMap(f, 1, 12);
    std::vector<tuning::TracePoint> trace =
        tuning::traceLine(r, 0, tuning::nearestBin(r, f), 0.004, tuning::TraceBy::Amplitude);
    trace[1].frequencyLow = 0.12;
    trace[1].frequencyHigh = 0.125;
    const std::string t = tuning::traceText(r.provenance, {}, trace);
    EXPECT_NE(t.find("flag\tfrequency_low\tfrequency_high\n"), std::string::npos);
    EXPECT_NE(t.find("\tNA\tNA\n"), std::string::npos);
    EXPECT_NE(t.find("\t0.12\t0.125\n"), std::string::npos);
    // A single taper leaves nothing to fit the line against.
    results::ResultSet one = r;
    one.provenance.params.tapers = 1;
    EXPECT_FALSE(tuning::frequencyInterval(one, 0, trace[0].bin, {1.0}, 0.95));
}
