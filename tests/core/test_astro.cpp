// The astronomical test on records made here: cycles at the target periods, precession
// modulated by eccentricity as in nature, laid on a depth axis at a known rate, plus AR(1)
// noise. The band-pass and envelope on sines, the age model from a rate track against its
// closed form, and every refusal.
#include "core/astro/AstroFiles.h"
#include "core/astro/BandPass.h"
#include "core/astro/TargetsAtAge.h"
#include "core/astro/TestReading.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"
#include "core/text/NumberText.h"
#include "core/tuning/SedimentationRate.h"
#include "core/units/RecordUnits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

using namespace astro;

namespace {

// The astronomical signal at time t (kyr): eccentricity terms, and precession whose amplitude
// follows them.
double orbitalSignal(double t) {
    const Targets targets;
    const double eAmp[] = {1.0, 0.6, 0.5, 0.8, 0.6}, pAmp[] = {1.0, 0.8, 0.7, 0.6};
    double e = 0, p = 0;
    for (std::size_t k = 0; k < 5; ++k)
        e += eAmp[k] * std::cos(2 * M_PI * t / targets.eccentricity[k] + k);
    for (std::size_t k = 0; k < 4; ++k)
        p += pAmp[k] * std::cos(2 * M_PI * t / targets.precession[k] + 2 * k);
    return 0.3 * e + (1 + 0.25 * e) * p;
}

std::vector<double> ar1(std::size_t n, double rho, double sd, unsigned seed) {
    std::mt19937_64 g(seed);
    std::normal_distribution<double> normal;
    std::vector<double> x(n);
    x[0] = normal(g);
    for (std::size_t i = 1; i < n; ++i)
        x[i] = rho * x[i - 1] + std::sqrt(1 - rho * rho) * normal(g);
    for (double& v : x)
        v *= sd;
    return x;
}

// n samples every `spacing` metres at times age(z), plus AR(1) noise.
template <class Age>
std::vector<double> record(std::size_t n, double spacing, Age age, double noise, unsigned seed) {
    std::vector<double> y = ar1(n, 0.5, noise, seed);
    for (std::size_t i = 0; i < n; ++i)
        y[i] += orbitalSignal(age(spacing * static_cast<double>(i)));
    return y;
}

const double spacing = 0.04; // metres: about 2 kyr per sample at 2 cm/kyr

// The power fit is sharp: across a thousand precession cycles a rate off by 1 % puts the cycles
// out of phase, so the record's rate is taken on the default grid.
const double gridRate = gridRates(RateGrid())[60]; // 2.0185 cm/kyr

Execution on(int workers) {
    Execution e;
    e.workers = workers;
    return e;
}

} // namespace

TEST(TimeOpt, FindsTheRateOfAnAstronomicalRecordAndCallsItSignificant) {
    const std::vector<double> y = record(
        1000, spacing, [](double z) { return 100 * z / gridRate; }, 0.6, 3);
    const TimeOptSettings settings;
    const TimeOptScan scan = timeOpt(y, spacing, settings);
    ASSERT_FALSE(scan.problem) << scan.problem->text;
    const RateScore& best = scan.scores[scan.best];
    EXPECT_NEAR(best.rate / gridRate, 1, 0.03);
    EXPECT_GT(best.r2Opt, 0.1);
    // Rates whose precession band would pass the Nyquist frequency (below 0.52 cm/kyr at
    // 4 cm samples) are not scored.
    EXPECT_GT(scan.scores.front().rate, 0.52);
    EXPECT_LT(scan.scores.size(), 100u);
    const Significance sig = significance(y, spacing, settings, scan, 200, 1, on(2));
    ASSERT_FALSE(sig.problem);
    EXPECT_LE(sig.pValue, 0.05);
    EXPECT_EQ(sig.pValue, (1.0 + sig.reaching) / 201);
    // Inside the grid and significant: nothing to caution, and the optimum is a candidate.
    const TestReading reading = readTest(scan, &sig);
    EXPECT_TRUE(reading.cautions.empty());
    EXPECT_TRUE(std::any_of(reading.candidates.begin(), reading.candidates.end(),
                            [&](const RateScore& c) { return c.rate == best.rate; }));
    EXPECT_EQ(readTest(scan, nullptr).cautions,
              std::vector<std::string>{
                  "no simulations were run: the optimum's significance is not known"});

    // A grid that stops below the true rate puts the optimum on its edge, and says so.
    TimeOptSettings low = settings;
    low.grid = {0.6, 1.5, 40, false};
    const TimeOptScan clipped = timeOpt(y, spacing, low);
    ASSERT_FALSE(clipped.problem);
    const TestReading edge = readTest(clipped, &sig);
    EXPECT_TRUE(edge.atEdge);
    EXPECT_EQ(edge.cautions.front(), "the optimum lies at the edge of the rate grid: widen it");

    // The same record with positions in centimetres gives the same scores.
    TimeOptSettings inCm = settings;
    inCm.metresPerUnit = *units::metresPer("cm");
    const TimeOptScan cm = timeOpt(y, 100 * spacing, inCm);
    ASSERT_EQ(cm.scores.size(), scan.scores.size());
    EXPECT_NEAR(cm.scores[cm.best].r2Opt, best.r2Opt, 1e-12);
}

TEST(TimeOpt, RedNoiseIsNotSignificantAndThePValueIgnoresTheWorkers) {
    const std::vector<double> y = ar1(1000, 0.6, 1.0, 12);
    const TimeOptSettings settings;
    const TimeOptScan scan = timeOpt(y, spacing, settings);
    ASSERT_FALSE(scan.problem);
    const Significance one = significance(y, spacing, settings, scan, 200, 7, on(1));
    const Significance two = significance(y, spacing, settings, scan, 200, 7, on(2));
    EXPECT_GT(one.pValue, 0.05);
    EXPECT_EQ(one.reaching, two.reaching);
    const auto cautions = readTest(scan, &one).cautions;
    EXPECT_TRUE(std::any_of(cautions.begin(), cautions.end(), [](const std::string& c) {
        return c.rfind("not significant at the 0.05 level (p-value ", 0) == 0;
    }));
    EXPECT_EQ(one.pValue, two.pValue);

    std::atomic<bool> stop{true};
    Execution stopped = on(2);
    stopped.cancel = &stop;
    EXPECT_TRUE(significance(y, spacing, settings, scan, 200, 7, stopped).cancelled);
}

// Each window's flag, the first that applies: edge, alias, jump, weak, ok.
TEST(TrackFlags, EdgeAliasJumpAndWeakAreTold) {
    EvolutiveTimeOpt e;
    for (int r = 0; r <= 30; ++r)
        e.rates.push_back(1 + 0.1 * r);
    // Per window, bumps of r2_opt at (rate, height).
    const std::vector<std::vector<std::pair<double, double>>> bumps = {
        {{2.0, 0.5}},             // ok
        {{2.0, 0.5}, {3.9, 0.3}}, // another peak at 1.95 times the rate: alias
        {{2.0, 0.5}},             // its neighbour 50 % faster: jump, as is that neighbour
        {{3.0, 0.5}},             // jump
        {{1.0, 0.5}},             // on the lowest rate: edge, before jump
        {{1.1, 0.5}}};            // not significant: weak
    for (std::size_t w = 0; w < bumps.size(); ++w) {
        e.centres.push_back(static_cast<double>(w));
        for (const double rate : e.rates) {
            double v = 0;
            for (const auto& [at, height] : bumps[w])
                v = std::max(v, height * std::exp(-std::pow((rate - at) / 0.15, 2)));
            e.cells.push_back({rate, 1, v, v});
        }
    }
    using tuning::RateFlag;
    const FlaggedTrack t = flagTrack(e, {0.001, 0.001, 0.001, 0.001, 0.001, 0.5}, 0.05);
    EXPECT_EQ(t.flags, (std::vector<RateFlag>{RateFlag::Ok, RateFlag::Alias, RateFlag::Jump,
                                              RateFlag::Jump, RateFlag::Edge, RateFlag::Weak}));
    // Untested, nothing is better than weak.
    EXPECT_EQ(flagTrack(e, {}, 0.05).flags[0], RateFlag::Weak);
}

// A window of AR(1) noise inside an astronomical record is not significant; the others are,
// and no p-value depends on the number of workers.
TEST(TimeOpt, EachWindowIsTestedAndNoiseIsWeak) {
    std::vector<double> y = record(
        1500, spacing, [](double z) { return 100 * z / gridRate; }, 0.6, 5);
    const std::vector<double> noise = ar1(500, 0.6, 1.0, 13);
    std::copy(noise.begin(), noise.end(), y.begin() + 500);
    std::vector<double> z(y.size());
    for (std::size_t i = 0; i < z.size(); ++i)
        z[i] = spacing * static_cast<double>(i);
    const TimeOptSettings settings;
    const EvolutiveTimeOpt e = evolutiveTimeOpt(z, y, settings, 500 * spacing, 500 * spacing);
    ASSERT_FALSE(e.problem);
    ASSERT_EQ(e.centres.size(), 3u);
    const WindowSignificance one = evolutiveSignificance(z, y, settings, e, 100, 3, on(1));
    const WindowSignificance two = evolutiveSignificance(z, y, settings, e, 100, 3, on(2));
    ASSERT_FALSE(one.problem);
    EXPECT_EQ(one.pValues, two.pValues);
    EXPECT_LE(one.pValues[0], 0.05);
    EXPECT_GT(one.pValues[1], 0.05);
    EXPECT_LE(one.pValues[2], 0.05);
    const FlaggedTrack t = flagTrack(e, one.pValues, 0.05);
    EXPECT_FALSE(t.significant[1]);
    EXPECT_NE(t.flags[1], tuning::RateFlag::Ok);
}

TEST(TimeOpt, EvolutiveFormTracksARampingRate) {
    // The rate rises linearly from 1 to 3 cm/kyr over 150 m: age(z) = 100 * integral of 1/s.
    const double length = 150, spacing = 0.05;
    const auto rate = [&](double z) { return 1 + 2 * z / length; };
    const auto age = [&](double z) { return 100 * length / 2 * std::log(rate(z)); };
    const std::size_t n = static_cast<std::size_t>(length / spacing);
    const std::vector<double> y = record(n, spacing, age, 0.3, 5);
    std::vector<double> z(n);
    for (std::size_t i = 0; i < n; ++i)
        z[i] = spacing * static_cast<double>(i);
    int progressCalls = 0;
    Execution e = on(2);
    e.progress = [&](std::size_t, std::size_t) { ++progressCalls; };
    const EvolutiveTimeOpt evolutive = evolutiveTimeOpt(z, y, TimeOptSettings(), 25, 12.5, e);
    ASSERT_FALSE(evolutive.problem) << evolutive.problem->text;
    const std::vector<TrackPoint> track = optimumTrack(evolutive);
    ASSERT_EQ(track.size(), 11u);
    EXPECT_GT(progressCalls, 0);
    int close = 0;
    for (const TrackPoint& p : track)
        close += std::abs(p.rate / rate(p.centre) - 1) <= 0.1;
    EXPECT_GE(close, 8) << "of " << track.size() << " windows";
}

TEST(BandPass, KeepsTheBandAndRecoversAnEnvelope) {
    const std::size_t n = 2000;
    std::vector<double> inBand(n), mixed(n), modulated(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i);
        inBand[i] = std::cos(2 * M_PI * 0.1 * t + 0.3);
        mixed[i] = inBand[i] + 2 * std::cos(2 * M_PI * 0.02 * t) + std::cos(2 * M_PI * 0.3 * t);
        modulated[i] = (1 + 0.5 * std::cos(2 * M_PI * 0.005 * t)) * std::cos(2 * M_PI * 0.1 * t);
    }
    const BandPassed kept = bandPass(mixed, 1.0, {0.08, 0.12});
    const BandPassed envelope = bandPass(modulated, 1.0, {0.08, 0.12});
    ASSERT_FALSE(kept.problem);
    double filterError = 0, envelopeError = 0;
    for (std::size_t i = 200; i < n - 200; ++i) {
        const double t = static_cast<double>(i);
        filterError = std::max(filterError, std::abs(kept.filtered[i] - inBand[i]));
        envelopeError =
            std::max(envelopeError,
                     std::abs(envelope.envelope[i] - (1 + 0.5 * std::cos(2 * M_PI * 0.005 * t))));
    }
    EXPECT_LT(filterError, 0.01);
    EXPECT_LT(envelopeError, 0.01);
}

// The edge marks of a band-pass sit at the record's two ends, cover where the envelope of a
// known sinusoid in the band sags, and nowhere else.
TEST(BandPass, MarksTheRecordsEdgesWhereTheEnvelopeSags) {
    const std::size_t n = 1000;
    const Band band{0.08, 0.12};
    std::vector<double> y(n);
    for (std::size_t i = 0; i < n; ++i)
        y[i] = 3 * std::cos(2 * M_PI * 0.095 * static_cast<double>(i) + 1.1);
    const BandPassed f = bandPass(y, 1.0, band);
    ASSERT_FALSE(f.problem);
    ASSERT_EQ(f.edge.size(), n);
    // One run at each end: the marks never come back once they have stopped.
    std::size_t head = 0, tail = 0;
    while (head < n && f.edge[head])
        ++head;
    while (tail < n && f.edge[n - 1 - tail])
        ++tail;
    EXPECT_GE(head, 1u);
    EXPECT_GE(tail, 1u);
    for (std::size_t i = head; i < n - tail; ++i)
        ASSERT_FALSE(f.edge[i]) << i;
    // The filter's response spans about 1 / (band width) = 25 samples: the sag, and so the
    // marks, reach into the record by less than that.
    EXPECT_LT(head, 25u);
    EXPECT_LT(tail, 25u);
    // This sinusoid (another frequency and phase than the reference) has its envelope below 0.9
    // of its amplitude at the marked samples, or close to them, and not elsewhere.
    int agree = 0;
    for (std::size_t i = 0; i < n; ++i)
        agree += (f.envelope[i] < 0.9 * 3) == f.edge[i];
    EXPECT_GE(agree, static_cast<int>(n) - 4);
    EXPECT_LT(f.envelope.front(), 0.9 * 3);
    EXPECT_LT(f.envelope.back(), 0.9 * 3);
}

// The least-squares share of y's variance that a constant and a cosine and a sine at each period
// explain at times t, by Householder QR on the normal columns; the test's own fit, independent of
// the one in TimeOpt.
double explainedShare(const std::vector<double>& y, const std::vector<double>& t,
                      const std::vector<double>& periods) {
    const std::size_t n = y.size(), m = 1 + 2 * periods.size();
    std::vector<std::vector<double>> a(m, std::vector<double>(n, 1.0));
    for (std::size_t j = 0; j < periods.size(); ++j)
        for (std::size_t i = 0; i < n; ++i) {
            a[1 + 2 * j][i] = std::cos(2 * M_PI * t[i] / periods[j]);
            a[2 + 2 * j][i] = std::sin(2 * M_PI * t[i] / periods[j]);
        }
    std::vector<double> r = y;
    double mean = 0;
    for (double v : y)
        mean += v / static_cast<double>(n);
    double total = 0;
    for (double v : y)
        total += (v - mean) * (v - mean);
    for (std::size_t k = 0; k < m; ++k) { // reflect column k (and the rest, and r) onto e_k
        double norm = 0;
        for (std::size_t i = k; i < n; ++i)
            norm += a[k][i] * a[k][i];
        norm = std::copysign(std::sqrt(norm), a[k][k]);
        std::vector<double> v(a[k].begin(), a[k].end());
        std::fill(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), 0.0);
        v[k] += norm;
        double vv = 0;
        for (std::size_t i = k; i < n; ++i)
            vv += v[i] * v[i];
        const auto reflect = [&](std::vector<double>& c) {
            double d = 0;
            for (std::size_t i = k; i < n; ++i)
                d += v[i] * c[i];
            for (std::size_t i = k; i < n; ++i)
                c[i] -= 2 * d / vv * v[i];
        };
        for (std::size_t j = k; j < m; ++j)
            reflect(a[j]);
        reflect(r);
    }
    double residual = 0;
    for (std::size_t i = m; i < n; ++i)
        residual += r[i] * r[i];
    return 1 - residual / total;
}

// Precession whose amplitude is exactly 1 + 0.5 cos(405.7 kyr) + 0.4 cos(123.8 kyr): the true
// r2_envelope is 1. Leaving out the record's sagging ends brings the test's r2_envelope closer
// to it than a fit of the whole envelope, in the record and in every window alike.
TEST(TimeOpt, LeavingTheEdgesOutBringsR2EnvelopeNearTheTruth) {
    const double rate = 2, dt = 2; // cm/kyr, kyr per sample: 4 cm samples
    const std::size_t n = 300;
    std::vector<double> y(n), t(n), z(n);
    for (std::size_t i = 0; i < n; ++i) {
        t[i] = dt * static_cast<double>(i);
        z[i] = rate * t[i] / 100;
        y[i] = (1 + 0.5 * std::cos(2 * M_PI * t[i] / 405.6795) +
                0.4 * std::cos(2 * M_PI * t[i] / 123.839)) *
               std::cos(2 * M_PI * t[i] / 22.31868);
    }
    TimeOptSettings settings;
    settings.grid = {rate, rate, 1, false};
    const TimeOptScan scan = timeOpt(y, z[1], settings);
    ASSERT_FALSE(scan.problem);
    const double withEdgesOut = scan.scores[0].r2Envelope;
    const BandPassed f = bandPass(y, dt, settings.precessionBand);
    const double whole = explainedShare(f.envelope, t, settings.targets.eccentricity);
    EXPECT_LT(1 - withEdgesOut, 0.5 * (1 - whole)) << withEdgesOut << " against " << whole;
    EXPECT_GT(withEdgesOut, 0.95);
    // The same fit over the unmarked samples is what the test computes.
    std::vector<double> inside, at;
    for (std::size_t i = 0; i < n; ++i)
        if (!f.edge[i]) {
            inside.push_back(f.envelope[i]);
            at.push_back(t[i]);
        }
    EXPECT_NEAR(explainedShare(inside, at, settings.targets.eccentricity), withEdgesOut, 1e-3);
    // A window as long as the record scores as the record does.
    const EvolutiveTimeOpt e = evolutiveTimeOpt(z, y, settings, z[1] * n, z[1]);
    ASSERT_FALSE(e.problem);
    ASSERT_EQ(e.cells.size(), 1u);
    EXPECT_EQ(e.cells[0].r2Envelope, withEdgesOut);
}

// At the present the model gives La2004's periods; back in time k grows, every precession and
// obliquity period shortens, obliquity about (k + g5) / (k + s3) times as much as the main
// precession term (dP / P = -dk / (k + f)), and the day at 620 Ma is the rhythmites' day.
TEST(TargetsAtAge, PresentPeriodsShortenBackInTime) {
    const Targets present;
    const Targets now = targetsAtAge(0);
    EXPECT_EQ(precessionConstantAt(0), 50.475838);
    for (std::size_t i = 0; i < present.obliquity.size(); ++i)
        EXPECT_NEAR(now.obliquity[i], present.obliquity[i], 1e-5) << i;
    // The default precession periods are La2004's averaged over -15 to +5 Myr, when k was a
    // little larger: within 0.3 %.
    for (std::size_t i = 0; i < present.precession.size(); ++i)
        EXPECT_NEAR(now.precession[i] / present.precession[i], 1, 0.003) << i;
    EXPECT_EQ(now.eccentricity, present.eccentricity);

    const Targets then = targetsAtAge(65);
    EXPECT_EQ(then.eccentricity, present.eccentricity);
    ASSERT_EQ(then.obliquity.size(), present.obliquity.size());
    for (std::size_t i = 0; i < then.precession.size(); ++i)
        EXPECT_LT(then.precession[i], now.precession[i]) << i;
    for (std::size_t i = 0; i < then.obliquity.size(); ++i)
        EXPECT_LT(then.obliquity[i], now.obliquity[i]) << i;
    const double precessionShare = 1 - then.precession[0] / now.precession[0];
    const double obliquityShare = 1 - then.obliquity[0] / now.obliquity[0];
    EXPECT_GT(precessionShare, 0.005); // tens of Myr of tides move k by per cents
    EXPECT_NEAR(obliquityShare / precessionShare, (50.48 + 4.26) / (50.48 - 18.85), 0.1);
    double k = 0;
    for (double age = 0; age <= 620; age += 62) {
        EXPECT_GT(precessionConstantAt(age), k) << age;
        k = precessionConstantAt(age);
    }
    // Williams (2000): 400 +- 7 solar days a year at 620 Ma, 21.9 +- 0.4 h; the model is set
    // only by the Moon's distance then, so the day is a check of its spin.
    const double siderealDay = 23.9344696 / earthMoonAt(620).spin;
    const double solarDay = siderealDay / (1 - siderealDay / (365.25636 * 24));
    EXPECT_NEAR(solarDay, 21.9, 0.4);
    EXPECT_NEAR(earthMoonAt(620).distance, 0.965, 1e-12);

    for (const double age : {-1.0, 620.5, static_cast<double>(NAN), 1e9}) {
        const auto problem = checkAge(age);
        ASSERT_TRUE(problem) << age;
        EXPECT_EQ(problem->parameter, analysis::ParameterId::AgeMa);
        EXPECT_NE(problem->text.find("from 0 to 620"), std::string::npos) << problem->text;
    }
    EXPECT_THROW(targetsAtAge(700), std::domain_error);
}

// Obliquity rows are read, kept apart and left out of the test's scores.
TEST(Targets, ObliquityRowsAreReadAndTimeOptLeavesThemAside) {
    const TargetsRead read =
        readTargets("period\tkind\n405.7\te\n41\to\n23.6\tp\n39.6\to\n19.1\tp\n");
    ASSERT_FALSE(read.problem);
    EXPECT_EQ(read.targets.obliquity, (std::vector<double>{41, 39.6}));
    EXPECT_EQ(read.targets.precession, (std::vector<double>{23.6, 19.1}));
    // A file replaces every default: without o rows, no obliquity.
    EXPECT_TRUE(readTargets("period\tkind\n405.7\te\n23.6\tp\n").targets.obliquity.empty());
    EXPECT_TRUE(readTargets("period\tkind\n41\to\n23.6\tp\n").problem); // no e
    EXPECT_NE(readTargets("period\tkind\n405\te\n41\tO\n").problem->text.find("o (obliquity)"),
              std::string::npos);

    const std::vector<double> y = record(
        400, spacing, [](double z) { return 100 * z / gridRate; }, 0.6, 3);
    TimeOptSettings with, without;
    with.grid = without.grid = {1.5, 2.8, 9, false};
    with.targets.obliquity = {41, 39.6, 53.7, 28.9, 29.9};
    without.targets.obliquity.clear();
    const TimeOptScan a = timeOpt(y, spacing, with), b = timeOpt(y, spacing, without);
    ASSERT_EQ(a.scores.size(), b.scores.size());
    for (std::size_t r = 0; r < a.scores.size(); ++r) {
        EXPECT_EQ(a.scores[r].r2Envelope, b.scores[r].r2Envelope);
        EXPECT_EQ(a.scores[r].r2Power, b.scores[r].r2Power);
    }
}

TEST(SedimentationRate, AgeModelMatchesTheClosedForm) {
    // 1 cm/kyr at 0 m rising to 3 at 10 m, falling to 2 at 20 m, held beyond: over a stretch
    // of length L from s0 to s1 the time is 100 L ln(s1 / s0) / (s1 - s0).
    const tuning::RateTrack track{{0, 10, 20}, {1, 3, 2}};
    ASSERT_FALSE(tuning::checkRateTrack(track));
    const double toTen = 1000 * std::log(3.0) / 2, toTwenty = toTen + 1000 * std::log(1.5);
    const struct {
        double z, age, rate;
    } expected[] = {{0, 0, 1},         {5, 500 * std::log(2.0), 2},
                    {10, toTen, 3},    {15, toTen + 500 * std::log(2.5 / 3) / -0.5, 2.5},
                    {20, toTwenty, 2}, {30, toTwenty + 500, 2}};
    for (double factor : {1.0, 0.01}) { // positions in metres, then in centimetres
        std::vector<double> z;
        for (const auto& e : expected)
            z.push_back(e.z / factor);
        tuning::RateTrack scaled = track;
        for (double& x : scaled.position)
            x /= factor;
        const tuning::AgeModel m = tuning::sedimentationAgeModel(z, scaled, factor, 7);
        for (std::size_t i = 0; i < z.size(); ++i) {
            EXPECT_NEAR(m.age[i], 7 + expected[i].age, 1e-9) << "z " << expected[i].z;
            EXPECT_NEAR(m.rate[i], expected[i].rate / (100 * factor), 1e-12);
        }
    }
}

TEST(AstroProblems, EveryBadInputIsRefusedWithItsSetting) {
    const std::vector<double> y = ar1(400, 0.5, 1, 1);
    std::vector<double> z(y.size());
    for (std::size_t i = 0; i < z.size(); ++i)
        z[i] = spacing * static_cast<double>(i);
    const auto with = [](auto change) {
        TimeOptSettings s;
        change(s);
        return s;
    };
    const struct {
        const char* what;
        TimeOptSettings settings;
        std::optional<analysis::ParameterId> parameter;
    } settings[] = {
        {"rate 0", with([](auto& s) { s.grid.low = 0; }), analysis::ParameterId::SedMin},
        {"highest below lowest", with([](auto& s) { s.grid.high = 0.4; }),
         analysis::ParameterId::SedMax},
        {"empty grid", with([](auto& s) { s.grid.count = 0; }), analysis::ParameterId::NumSed},
        {"no rate scored", with([](auto& s) {
             s.grid = {0.1, 0.5, 10, false};
         }),
         analysis::ParameterId::SedMax},
        {"band reversed", with([](auto& s) {
             s.precessionBand = {0.06, 0.03};
         }),
         analysis::ParameterId::PrecessionBand},
        {"band at 0", with([](auto& s) {
             s.precessionBand = {0, 0.03};
         }),
         analysis::ParameterId::PrecessionBand},
        {"no precession", with([](auto& s) { s.targets.precession.clear(); }),
         analysis::ParameterId::Targets},
    };
    for (const auto& c : settings) {
        const auto problem = timeOpt(y, spacing, c.settings).problem;
        ASSERT_TRUE(problem) << c.what;
        EXPECT_EQ(problem->parameter, c.parameter) << c.what;
        EXPECT_FALSE(problem->text.empty());
    }
    const TimeOptSettings good;
    EXPECT_EQ(timeOpt(std::vector<double>(20, 1.0), spacing, good).problem->parameter,
              std::nullopt);
    EXPECT_EQ(timeOpt(z, spacing, good).problem->parameter, std::nullopt); // a straight line
    std::vector<double> gap = y;
    gap[7] = NAN;
    EXPECT_EQ(timeOpt(gap, spacing, good).problem->parameter, std::nullopt);
    EXPECT_EQ(timeOpt(y, 0, good).problem->parameter, std::nullopt);
    EXPECT_EQ(evolutiveTimeOpt(z, y, good, 17, 1).problem->parameter,
              analysis::ParameterId::AstroWindowLength);
    EXPECT_EQ(evolutiveTimeOpt(z, y, good, 8, 0).problem->parameter,
              analysis::ParameterId::AstroStepLength);
    EXPECT_EQ(bandPass(y, 1, {0.1, 0.6}).problem->parameter, analysis::ParameterId::Passband);
    EXPECT_EQ(bandPass(y, 1, {0, 0.2}).problem->parameter, analysis::ParameterId::Passband);

    for (const char* targets : {"period\tkind\n405\te\n", "period\tkind\n23\tp\n", "period\n405\n",
                                "period\tkind\n405\tx\n23\tp\n", "period\tkind\n-4\te\n23\tp\n"})
        EXPECT_TRUE(readTargets(targets).problem) << targets;
    const TargetsRead read = readTargets("# mine\nkind\tperiod\ne\t400\np\t20\np\t23\n");
    ASSERT_FALSE(read.problem);
    EXPECT_EQ(read.targets.precession, (std::vector<double>{20, 23}));

    for (const char* text :
         {"x_centre\tsedimentation_rate\n1\t2\n1\t3\n",
          "x_centre\tsedimentation_rate\n1\t2\n2\t0\n", "x_centre\trate\n1\t2\n"}) {
        std::string why;
        EXPECT_FALSE(tuning::readRateTrack(text, &why)) << text;
        EXPECT_FALSE(why.empty());
    }
}

TEST(AstroFiles, BlocksEndWithTheOptimumAndColumnsAreTitled) {
    TimeOptScan scan;
    scan.scores = {{1, 0.5, 0.2, 0.1}, {2, 0.9, 0.5, 0.45}};
    scan.best = 1;
    Significance sig;
    sig.simulations = 99;
    sig.pValue = 0.03;
    TestDescription d;
    d.record.deltat = 0.01;
    const auto lastLines = [](const std::string& text, std::size_t count) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(count),
                                        lines.end());
    };
    EXPECT_EQ(lastLines(timeOptText(d, scan, &sig), 6),
              (std::vector<std::string>{"# optimal sedimentation rate: 2 cm/kyr", "# r2_opt: 0.45",
                                        "# p-value: 0.03 (99 simulations)",
                                        "sedimentation_rate\tr2_envelope\tr2_power\tr2_opt",
                                        "1\t0.5\t0.2\t0.1", "2\t0.9\t0.5\t0.45"}));
    EXPECT_EQ(lastLines(timeOptText(d, scan, nullptr), 4)[0], "# r2_opt: 0.45");
    // The optimum on the grid's edge: said, with the candidates and the rate's interval (none
    // without a likelihood), before the optimum.
    EXPECT_EQ(lastLines(timeOptText(d, scan, &sig), 9)[0],
              "# caution: the optimum lies at the edge of the rate grid: widen it");
    EXPECT_EQ(lastLines(timeOptText(d, scan, &sig), 8)[0], "# candidates: 2 cm/kyr (r2_opt 0.45)");
    EXPECT_EQ(lastLines(timeOptText(d, scan, &sig), 7)[0],
              "# rate interval: none: the likelihood is not known");

    EvolutiveTimeOpt e;
    e.centres = {5, 6};
    e.rates = {1, 2};
    e.cells = {scan.scores[0], scan.scores[1], {1, 0.9, 0.5, 0.45}, {2, 0.5, 0.2, 0.1}};
    EXPECT_EQ(lastLines(evolutiveText(d, 4, 1, e), 5)[0],
              "x_centre\tsedimentation_rate\tr2_envelope\tr2_power\tr2_opt");
    EXPECT_EQ(lastLines(trackText(d, 4, 1, flagTrack(e, {}, 0.05), 0, 0.05), 3),
              (std::vector<std::string>{
                  "x_centre\tsedimentation_rate\tr2_opt\tp_value\tflag\tidentified_rate\t"
                  "rate_low\trate_high\tmode_share",
                  "5\t2\t0.45\tNA\tedge\t2\tNA\tNA\tNA", "6\t1\t0.45\tNA\tedge\t1\tNA\tNA\tNA"}));
    const BandPassed f{{0.5, 0.6}, {1.5, 1.6}, {true, false}, std::nullopt};
    EXPECT_EQ(lastLines(filterText(d.record, {0.1, 0.2}, {3, 4}, {4, 5}, f), 3),
              (std::vector<std::string>{"position\tvalue\tfiltered\tenvelope\tedge",
                                        "3\t4\t0.5\t1.5\t1", "4\t5\t0.6\t1.6\t0"}));
    // With an age, the block says so and writes k and every period, obliquity too.
    d.ageMa = 65;
    d.settings.targets = targetsAtAge(65);
    const std::string aged = timeOptText(d, scan, &sig);
    EXPECT_NE(aged.find("# precession constant k: " + text::exactNumber(precessionConstantAt(65)) +
                        " arcsec/yr\n"),
              std::string::npos)
        << aged;
    EXPECT_NE(aged.find("# obliquity periods: " +
                        text::exactNumber(d.settings.targets.obliquity[0]) + ", "),
              std::string::npos);
    EXPECT_EQ(timeOptText(TestDescription(), scan, &sig).find("obliquity"), std::string::npos);
}
