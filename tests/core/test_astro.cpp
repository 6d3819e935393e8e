// The astronomical test on records made here: cycles at the target periods, precession
// modulated by eccentricity as in nature, laid on a depth axis at a known rate, plus AR(1)
// noise. The band-pass and envelope on sines, the age model from a rate track against its
// closed form, and every refusal.
#include "core/astro/AstroFiles.h"
#include "core/astro/BandPass.h"
#include "core/astro/TestReading.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"
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
    // The optimum on the grid's edge: said, with the candidates, before the optimum.
    EXPECT_EQ(lastLines(timeOptText(d, scan, &sig), 8)[0],
              "# caution: the optimum lies at the edge of the rate grid: widen it");
    EXPECT_EQ(lastLines(timeOptText(d, scan, &sig), 7)[0], "# candidates: 2 cm/kyr (r2_opt 0.45)");

    EvolutiveTimeOpt e;
    e.centres = {5, 6};
    e.rates = {1, 2};
    e.cells = {scan.scores[0], scan.scores[1], {1, 0.9, 0.5, 0.45}, {2, 0.5, 0.2, 0.1}};
    EXPECT_EQ(lastLines(evolutiveText(d, 4, 1, e), 5)[0],
              "x_centre\tsedimentation_rate\tr2_envelope\tr2_power\tr2_opt");
    EXPECT_EQ(lastLines(trackText(d, 4, 1, flagTrack(e, {}, 0.05), 0, 0.05), 3),
              (std::vector<std::string>{
                  "x_centre\tsedimentation_rate\tr2_opt\tp_value\tflag\tidentified_rate",
                  "5\t2\t0.45\tNA\tedge\t2", "6\t1\t0.45\tNA\tedge\t1"}));
    const BandPassed f{{0.5}, {1.5}, std::nullopt};
    EXPECT_EQ(lastLines(filterText(d.record, {0.1, 0.2}, {3}, {4}, f), 2),
              (std::vector<std::string>{"position\tvalue\tfiltered\tenvelope", "3\t4\t0.5\t1.5"}));
}
