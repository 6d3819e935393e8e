// The age band: rows drawn from their intervals as often as the intervals say and correlated by
// the samples their windows share, anchors met with their errors, and the stretches where time
// may be missing named.
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/Hiatus.h"
#include "core/tuning/NeighbourReadings.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/RowScatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>

using namespace tuning;

namespace {

std::vector<double> samples(int n) {
    std::vector<double> z(n);
    std::iota(z.begin(), z.end(), 0.0);
    return z;
}

// Rows every `step` from `first`, all `value` with the interval value / widen to value * widen.
RowSpread rows(double first, double last, double step, double value, double widen, double window) {
    RowSpread s;
    for (double x = first; x <= last; x += step) {
        s.position.push_back(x);
        s.main.push_back({value, value / widen, value * widen, 1});
    }
    s.windowLength = window;
    return s;
}

double mean(const std::vector<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

double sd(const std::vector<double>& v) {
    const double m = mean(v);
    double s = 0;
    for (double x : v)
        s += (x - m) * (x - m);
    return std::sqrt(s / static_cast<double>(v.size() - 1));
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double ma = mean(a), mb = mean(b);
    double ab = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        ab += (a[i] - ma) * (b[i] - mb);
    return ab / static_cast<double>(a.size() - 1) / (sd(a) * sd(b));
}

} // namespace

// 1000 samples at spacing 1; windows of 200 centred at 100, 150 and 500. The windows at 100 and
// 150 hold 201 samples each and share the 151 from 50 to 200: their draws correlate by
// 151 / 201; the window at 500 shares none. An asymmetric 90 % interval holds 90 % of its draws,
// 5 % fall below it; a further mode of share 0.3 takes 30 % of the draws.
TEST(RowDraws, IntervalsHoldTheirShareAndNeighboursCorrelateByTheirSamples) {
    const std::vector<double> z = samples(1000);
    RowSpread s;
    s.position = {100, 150, 500};
    s.main = {{2, 1.6, 2.2, 1}, {2, 1.6, 2.2, 1}, {5, 4, 6, 0.7}};
    s.others = {{}, {}, {{10, 9, 11, 0.3}}};
    s.probability = 0.9;
    s.windowLength = 200;
    ASSERT_FALSE(checkSpread(s));
    RowDraws draws(z, s, 7);
    const int n = 6000;
    std::vector<std::vector<double>> e(2);
    int inside = 0, below = 0, otherMode = 0;
    const double z90 = normalQuantile(0.95);
    for (int k = 0; k < n; ++k) {
        const std::vector<double> v = draws.next();
        inside += v[0] >= 1.6 && v[0] <= 2.2;
        below += v[1] < 1.6;
        otherMode += v[2] > 8;
        // Back to the standard normals behind the first two rows.
        for (int i = 0; i < 2; ++i)
            e[i].push_back(v[i] < 2 ? z90 * std::log(v[i] / 2) / std::log(2 / 1.6)
                                    : z90 * std::log(v[i] / 2) / std::log(2.2 / 2));
    }
    // Binomial standard errors: 0.0039 (90 %), 0.0028 (5 %), 0.0059 (30 %); four of them.
    EXPECT_NEAR(inside / double(n), 0.90, 0.016);
    EXPECT_NEAR(below / double(n), 0.05, 0.012);
    EXPECT_NEAR(otherMode / double(n), 0.30, 0.024);
    EXPECT_NEAR(correlation(e[0], e[1]), 151.0 / 201.0, 0.03);
    EXPECT_NEAR(sd(e[0]), 1.0, 0.04);

    // The same seed, the same draws.
    RowDraws again(z, s, 7);
    RowDraws first(z, s, 7);
    EXPECT_EQ(again.next(), first.next());

    // A shared error of 0.1 (log) in two rows whose windows share no samples, each with its
    // own of 0.058 (a 90 % interval of a factor 1.1): they correlate by 0.01 / 0.01336.
    RowSpread shared;
    shared.position = {100, 500};
    shared.main = {{2, 2 / 1.1, 2.2, 1, 0.1}, {2, 2 / 1.1, 2.2, 1, 0.1}};
    shared.probability = 0.9;
    shared.windowLength = 200;
    ASSERT_FALSE(checkSpread(shared));
    RowDraws both(z, shared, 3);
    std::vector<std::vector<double>> logs(2);
    for (int k = 0; k < n; ++k) {
        const std::vector<double> v = both.next();
        for (int i = 0; i < 2; ++i)
            logs[i].push_back(std::log(v[i] / 2));
    }
    EXPECT_NEAR(correlation(logs[0], logs[1]), 0.01 / 0.01336, 0.03);
    EXPECT_NEAR(sd(logs[0]), std::sqrt(0.01336), 0.005);
}

// Frequency rows of 0.05 with a period of 20: age = z exactly; a 20 % interval in every row.
// One anchor shifts every model to meet its age drawn with its error; two consistent anchors
// pin each model at both, so that between them the band is narrower than with the first alone
// (the anchors' 5 against the rows' spread of about 13 over 200 samples).
TEST(AgeEnsemble, AnchorsAreMetWithTheirErrorsAndTwoNarrowTheBandBetweenThem) {
    const std::vector<double> z = samples(1000);
    RowSpread s = rows(50, 950, 50, 0.05, 1.2, 100);
    const RowIntegral how{RowIntegral::Kind::Frequency, 20, 0, 1};
    EnsembleSettings settings;
    settings.members = 2000;
    settings.keepMembers = true;
    settings.anchors = {{300, 1000, 5}};

    const AgeEnsemble one = ageEnsemble(z, s, how, settings);
    ASSERT_FALSE(one.problem);
    EXPECT_DOUBLE_EQ(one.central.age[300], 1000); // the central model shifted to the anchor
    EXPECT_NEAR(one.central.age[700] - one.central.age[300], 400, 1e-9);
    settings.anchors.push_back({700, 1400, 5});
    const AgeEnsemble two = ageEnsemble(z, s, how, settings);
    ASSERT_FALSE(two.problem);
    for (const auto& [e, anchors] : {std::pair{&one, 1}, std::pair{&two, 2}})
        for (int j = 0; j < anchors; ++j) {
            const Anchor& a = settings.anchors[j];
            std::vector<double> at;
            for (const auto& m : e->members)
                at.push_back(m[static_cast<std::size_t>(a.position)]);
            EXPECT_NEAR(mean(at), a.age, 0.1 * a.sd) << a.position;
            EXPECT_NEAR(sd(at), a.sd, 0.1 * a.sd) << a.position;
        }
    const double widthOne = one.band.high[500] - one.band.low[500];
    const double widthTwo = two.band.high[500] - two.band.low[500];
    EXPECT_LT(widthTwo, 0.8 * widthOne) << widthOne << " " << widthTwo;

    // An anchor 100 older than the rows say: the central model is rescaled to meet it, and the
    // model without anchors misses it by 100, in standard deviations of the anchors' and the
    // ensemble's spread between them together.
    settings.anchors[1].age = 1500;
    const AgeEnsemble off = ageEnsemble(z, s, how, settings);
    EXPECT_NEAR(off.central.age[700], 1500, 1e-9);
    EXPECT_NEAR(off.central.rate[500], 400.0 / 500.0, 1e-12);
    ASSERT_EQ(off.misses.size(), 2u);
    EXPECT_NEAR(off.misses[1].miss, -100, 1e-9);
    EXPECT_LT(off.misses[1].inSd, -1.0);
    EXPECT_GT(off.misses[1].inSd, -100 / std::sqrt(5.0 * 5 + 5 * 5));

    // An exact anchor is met by every model.
    settings.anchors = {{300, 1000, 0}};
    for (const auto& m : ageEnsemble(z, s, how, settings).members)
        ASSERT_DOUBLE_EQ(m[300], 1000);
}

// Without members or anchors, the central model is the single model itself, number for number.
TEST(AgeEnsemble, WithoutMembersTheModelIsTheSingleOne) {
    const std::vector<double> z = samples(300);
    RowSpread s = rows(40, 260, 20, 0.05, 1.1, 80);
    s.main[3].value = 0.06; // not constant
    EnsembleSettings settings;
    settings.startAge = 17;
    const AgeEnsemble e = ageEnsemble(z, s, {RowIntegral::Kind::Frequency, 41, 0, 1}, settings);
    std::vector<double> f;
    for (const RowMode& m : s.main)
        f.push_back(m.value);
    const AgeModel single = ageModel(z, Trace{s.position, f}, 41, 17);
    EXPECT_EQ(e.central.age, single.age);
    EXPECT_EQ(e.central.rate, single.rate);
    EXPECT_TRUE(e.band.low.empty());
}

TEST(AgeEnsemble, RefusalsSayWhatIsWrong) {
    std::string why;
    for (const char* text : {"1", "1:2:3:4", "a:2", "1:2:-1", "1:inf"}) {
        EXPECT_FALSE(parseAnchor(text, &why)) << text;
        EXPECT_NE(why.find(text), std::string::npos) << why;
    }
    const auto a = parseAnchor("2.5:100:3", &why);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->position, 2.5);
    EXPECT_EQ(a->sd, 3);
    const std::vector<double> z = samples(100);
    const std::pair<std::vector<Anchor>, const char*> cases[] = {
        {{{120, 5, 0}}, "lies outside the record (0 to 99)"},
        {{{60, 50, 1}, {20, 80, 1}}, "is not older than the anchor at position 20"},
        {{{20, 50, 1}, {20, 80, 1}}, "two anchors at position 20"}};
    for (auto [anchors, says] : cases) {
        const auto problem = checkAnchors(anchors, z);
        ASSERT_TRUE(problem) << says;
        EXPECT_NE(problem->find(says), std::string::npos) << *problem;
    }
    EXPECT_TRUE(periodSdProblem(41, 14));
    EXPECT_FALSE(periodSdProblem(41, 13));
    RowSpread s = rows(10, 90, 10, 2, 1.1, 20);
    s.main[4].low = 2.1;
    const auto problem = checkSpread(s);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("row 5: the interval 2.1 to 2.2 does not hold the value 2"),
              std::string::npos)
        << *problem;
    EXPECT_NE(ensembleTooLarge(100000, 1000)->find("give at most 500 members"), std::string::npos);
}

// Rows every unit in windows of 12: those whose windows hold a break at 30 depart by 20 % and
// come back, which names one stretch around 30; a smooth ramp names none; a change to a rate
// the row itself allows as a further mode (the factor-of-two case) is no break, nor is one the
// rows show all along.
TEST(Hiatus, ABreakIsNamedWhereTheRowsDepartAndComeBack) {
    RowSpread s = rows(6, 54, 1, 2, 1.02, 12);
    for (std::size_t i = 0; i < s.position.size(); ++i)
        if (std::fabs(s.position[i] - 30) <= 3)
            s.main[i] = {2.4, 2.4 / 1.02, 2.4 * 1.02, 1};
    const auto named = possibleHiatuses(s, "rate");
    ASSERT_EQ(named.size(), 1u);
    EXPECT_NEAR(named[0].position, 30, 1.0);
    EXPECT_EQ(named[0].signs.size(), 2u); // out and back
    EXPECT_NE(named[0].signs[0].find("the rate changes by 20 %"), std::string::npos)
        << named[0].signs[0];

    RowSpread ramp = rows(6, 54, 1, 2, 1.02, 12);
    for (std::size_t i = 0; i < ramp.position.size(); ++i)
        ramp.main[i] = {2 + 0.02 * i, (2 + 0.02 * i) / 1.02, (2 + 0.02 * i) * 1.02, 1};
    EXPECT_TRUE(possibleHiatuses(ramp, "rate").empty());

    RowSpread alias = rows(6, 54, 1, 2, 1.02, 12);
    alias.others.resize(alias.main.size());
    alias.main[10] = {4, 3.9, 4.1, 0.6};
    alias.others[10] = {{2, 1.96, 2.04, 0.4}};
    EXPECT_TRUE(possibleHiatuses(alias, "rate").empty());
    alias.main[10].share = 0.4; // no mode holds most: named
    EXPECT_EQ(possibleHiatuses(alias, "rate").size(), 1u);

    // A noisy record whose rows jump by 20 % between most neighbours: the same departure is
    // no more than its usual change, and names nothing.
    RowSpread noisy = s;
    for (std::size_t i = 0; i < noisy.main.size(); i += 2)
        noisy.main[i] = {2.4, 2.4 / 1.02, 2.4 * 1.02, 1};
    EXPECT_TRUE(possibleHiatuses(noisy, "rate").empty());
}

// Rows of rate 2 every unit in windows of 12 over 60 samples, one of them read at the other cycle
// (4, a narrow interval and no further mode). Its neighbours' reading is drawn half the time, so
// that the band holds the model of rate 2 throughout (and the one the rows give, whose row at 4
// makes it younger), and the row is no break; a doubling that lasts is one.
TEST(AgeEnsemble, ARowReadAtTheOtherCycleIsDrawnAtEither) {
    const std::vector<double> z = samples(61);
    RowSpread s = rows(6, 54, 1, 2, 1.01, 12);
    const RowIntegral how{RowIntegral::Kind::Rate, 0, 0, 1};
    EnsembleSettings settings;
    settings.members = 400;
    const AgeModel truth = ageEnsemble(z, s, how, settings).central;
    s.main[20] = {4, 4 / 1.01, 4 * 1.01, 1};
    const AgeEnsemble e = ageEnsemble(z, s, how, settings);
    ASSERT_FALSE(e.problem) << *e.problem;
    for (std::size_t i = 0; i < z.size(); ++i) {
        EXPECT_LE(e.band.low[i], truth.age[i]) << i;
        EXPECT_GE(e.band.high[i], truth.age[i]) << i;
        EXPECT_LE(e.band.low[i], e.central.age[i]) << i;
    }
    EXPECT_LT(e.central.age.back(), truth.age.back() - 10); // half a unit's 50 kyr missing
    EXPECT_TRUE(possibleHiatuses(s, "rate").empty());
    EXPECT_EQ(outlyingReadings(s), 1u);

    // A real doubling of the rate from 30 on is no outlying row: it is named.
    RowSpread step = rows(6, 54, 1, 2, 1.01, 12);
    for (std::size_t i = 0; i < step.position.size(); ++i)
        if (step.position[i] >= 30)
            step.main[i] = {4, 4 / 1.01, 4 * 1.01, 1};
    EXPECT_EQ(outlyingReadings(step), 0u);
    EXPECT_EQ(possibleHiatuses(step, "rate").size(), 1u);
}

// A ramp from 1.5 to 3 cm/kyr over 40 m, measured in windows of 16 m stepped by 0.84 m whose
// rates run 7 % fast with intervals of 1 % (a window's best single rate departs from its
// centre's where the rate changes within it): the band, with the change across each window
// as an error the rows share, holds the ramp's ages at every metre.
TEST(AgeEnsemble, TheBandHoldsTheChangeOfRateWithinAWindow) {
    std::vector<double> z;
    for (int i = 0; i <= 2000; ++i)
        z.push_back(0.02 * i);
    RowSpread fast = rows(8, 32.1, 0.84, 1, 1.01, 16);
    std::vector<double> ramp;
    for (std::size_t i = 0; i < fast.position.size(); ++i) {
        ramp.push_back(1.5 + 1.5 * fast.position[i] / 40);
        const double v = 1.07 * ramp.back();
        fast.main[i] = {v, v / 1.01, v * 1.01, 1};
    }
    const RowIntegral how{RowIntegral::Kind::Rate, 0, 0, 1};
    const AgeModel truth = integrateRows(z, fast.position, ramp, how, 0, 0);
    EnsembleSettings settings;
    settings.members = 400;
    const AgeEnsemble e = ageEnsemble(z, fast, how, settings);
    ASSERT_FALSE(e.problem) << *e.problem;
    for (std::size_t i = 50; i < z.size(); i += 50) {
        EXPECT_LE(e.band.low[i], truth.age[i]) << z[i];
        EXPECT_GE(e.band.high[i], truth.age[i]) << z[i];
    }
    EXPECT_LT(e.durationHigh - e.durationLow, 0.5 * e.duration); // widened, not boundless
}

// Rows of 800-sample windows every 42 samples whose errors (sd 0.08 in log, drawn correlated by
// the windows' shared samples) their 1 % intervals do not show: the scatter read from the rows
// finds the 0.08 (on average over 300 records: the mean of ten closely correlated differences
// is rough for one), is blind to a trend linear in log, and widens the rows that claim less.
TEST(RowScatter, ReadsTheRowsOwnErrorsAndNotATrend) {
    const std::vector<double> z = samples(2000);
    RowSpread truth = rows(400, 1600, 42, 1, std::exp(1.96 * 0.08), 800);
    RowDraws draws(z, truth, 11);
    std::vector<double> found;
    RowSpread flat = rows(400, 1600, 42, 1, 1.01, 800);
    for (int k = 0; k < 300; ++k) {
        const std::vector<double> e = draws.next();
        RowSpread trend = flat;
        for (std::size_t i = 0; i < e.size(); ++i) {
            flat.main[i] = {e[i], e[i] / 1.01, e[i] * 1.01, 1};
            const double ramp = std::exp(flat.position[i] / 2000);
            trend.main[i] = {e[i] * ramp, e[i] * ramp / 1.01, e[i] * ramp * 1.01, 1};
        }
        found.push_back(rowScatter(flat));
        ASSERT_NEAR(rowScatter(trend), found.back(), 1e-9);
    }
    EXPECT_NEAR(mean(found), 0.08, 0.012);

    flat.main[0].low = flat.main[0].value / 2; // wider than any scatter here: kept
    flat.main[0].high = flat.main[0].value * 2;
    const double s = rowScatter(flat);
    ASSERT_GT(s, 0.01);
    const RowSpread widened = withRowScatter(flat);
    EXPECT_NEAR(std::log(widened.main[1].high / widened.main[1].low) / 2, 1.96 * s, 1e-3);
    EXPECT_DOUBLE_EQ(widened.main[0].high, flat.main[0].high);
}

// A row whose interval is NA, or holds another mode than the row's value (an identified rate
// the optimum's interval misses), takes the median widths of the others: here those of the
// first row, 2 from 1.8 to 2.2 (the upper of two medians); an interval of another mode is drawn
// as a further one. The window is the block's.
TEST(RowIntervals, RowsWithoutAnIntervalTakeTheMedianWidthsAndTheWindowIsTheBlocks) {
    const double na = std::nan("");
    const std::map<std::string, std::vector<double>> columns{{"rate_low", {1.8, 1.9, na, 1.8}},
                                                             {"rate_high", {2.2, 2.1, na, 2.2}}};
    std::string why;
    const auto s =
        spreadFrom({1, 2, 3, 4}, {2, 2, 2, 4}, columns, "rate_low", "rate_high", "track", &why);
    ASSERT_TRUE(s) << why;
    EXPECT_EQ(s->widened, 2);
    EXPECT_NEAR(s->main[2].low, 1.8, 1e-12);
    EXPECT_NEAR(s->main[2].high, 2.2, 1e-12);
    EXPECT_NEAR(s->main[3].low, 3.6, 1e-12);
    EXPECT_NEAR(s->main[3].high, 4.4, 1e-12);
    // Row 4's interval is another mode's: a further mode, with the row's share; row 3 has none.
    ASSERT_EQ(s->others.size(), 4u);
    EXPECT_TRUE(s->others[2].empty());
    ASSERT_EQ(s->others[3].size(), 1u);
    EXPECT_NEAR(s->others[3][0].value, std::sqrt(1.8 * 2.2), 1e-12);
    EXPECT_EQ(s->others[3][0].share, s->main[3].share);
    EXPECT_FALSE(spreadFrom({1}, {2}, {{"rate_low", {na}}, {"rate_high", {na}}}, "rate_low",
                            "rate_high", "track", &why));
    EXPECT_NE(why.find("holds no row with an interval"), std::string::npos) << why;
    EXPECT_FALSE(spreadFrom({1}, {2}, {}, "rate_low", "rate_high", "track", &why));
    EXPECT_NE(why.find("holds no columns named rate_low and rate_high"), std::string::npos);

    EXPECT_EQ(rowWindowLength("# window: 12.5 position units, step 1\nx_centre\n"), 12.5);
    EXPECT_EQ(rowWindowLength("# window: 400 samples\n# sample spacing: 0.02 (position units)\n"),
              8.0);
    EXPECT_FALSE(rowWindowLength("x_centre\n# window: 3 position units\n"));
}
