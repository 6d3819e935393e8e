// Following a line through a map, the age model's integral, the tuned series and trace files.
#include "core/tuning/AgeModel.h"
#include "core/tuning/LineTrace.h"
#include "core/tuning/TraceFile.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tuning;

namespace {

// A map of `windows` x 100 bins (frequency i / 100 at spacing 1) whose amplitude is a bump
// centred on bin line(w) in window w, with a stronger line fixed at bin 80.
results::ResultSet chirpMap(int windows, const std::function<double(int)>& line) {
    results::ResultSet r;
    r.windows = windows;
    r.bins = 100;
    r.provenance.params.tbw = 3;
    r.provenance.params.window = 100;
    r.provenance.deltat = 1;
    for (int w = 0; w < windows; ++w)
        for (int i = 0; i < r.bins; ++i) {
            r.xcent.push_back(10.0 * w);
            r.freq.push_back(i / 100.0);
            r.ampl.push_back(std::exp(-0.5 * std::pow(i - line(w), 2)) +
                             3 * std::exp(-0.5 * std::pow(i - 80.0, 2)));
            r.prob.push_back(0.5);
        }
    return r;
}

} // namespace

TEST(LineTrace, FollowsAChirpAndKeepsOutOfAStrongerLineBeyondTheBand) {
    // The line drifts one bin per window from bin 20 to 69; the band is two bins.
    const results::ResultSet r = chirpMap(50, [](int w) { return 20.0 + w; });
    const auto trace = traceLine(r, 25, 45, 0.02, TraceBy::Amplitude);
    ASSERT_EQ(trace.size(), 50u);
    for (int w = 0; w < 50; ++w) {
        EXPECT_EQ(trace[w].window, w);
        EXPECT_EQ(trace[w].bin, 20 + w) << "window " << w;
        EXPECT_EQ(trace[w].centre, 10.0 * w);
    }
    // By probability: the most significant bin within the band, whatever its amplitude.
    results::ResultSet p = r;
    p.prob[p.row(26, 44)] = 0.999;
    EXPECT_EQ(traceLine(p, 25, 45, 0.02, TraceBy::Probability)[26].bin, 44);
    EXPECT_EQ(snapToPeak(r, 10, 0.27, TraceBy::Amplitude), 30); // the bump at bin 30
    EXPECT_EQ(startBin(r, 10, 0.27, 0.05, TraceBy::Amplitude), 30);
    EXPECT_DOUBLE_EQ(halfBandwidth(r), 0.03);
}

// The traced line fades from window 25 on while a stronger one sits six bins above it: the
// trace climbs to it, and the rows say so; the age model refuses such a trace unless told.
// A window's local mean, strong at frequency 0, is never entered.
TEST(LineTrace, AFadingLineIsFlaggedAndTheLowestBandNeverEntered) {
    results::ResultSet r = chirpMap(50, [](int) { return 40.0; });
    for (int w = 0; w < r.windows; ++w)
        for (int i = 0; i < r.bins; ++i) {
            double& a = r.ampl[r.row(w, i)];
            a = (w < 25 ? 1.0 : 0.01) * std::exp(-0.5 * std::pow(i - 40.0, 2)) +
                3 * std::exp(-0.5 * std::pow(i - 46.0, 2)) + 5 * std::exp(-i / 2.0);
            r.prob[r.row(w, i)] = 0.99;
        }
    const auto trace = traceLine(r, 0, 40, 0.04, TraceBy::Amplitude);
    for (int w = 0; w < 25; ++w)
        ASSERT_EQ(trace[w].flag, TraceFlag::Ok) << w;
    EXPECT_EQ(trace[25].bin, 44);
    EXPECT_EQ(trace[25].flag, TraceFlag::Jump);
    EXPECT_EQ(trace.back().bin, 46);
    std::string why;
    const auto back = readTrace(traceText(r.provenance, {0, 0.4, 0.04}, trace), &why);
    ASSERT_TRUE(back) << why;
    const auto problem = flaggedRowsProblem(*back, "--accept-flags");
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("x_centre 250 (line "), std::string::npos) << *problem;
    EXPECT_NE(problem->find("give --accept-flags to use it"), std::string::npos) << *problem;
    ReadTrace kept = *back;
    kept.flags.assign(kept.flags.size(), TraceFlag::Weak);
    EXPECT_FALSE(flaggedRowsProblem(kept, "--accept-flags"));

    // Started near 0, the trace stays at W = 0.03 or above, and its start is on that edge.
    const auto low =
        traceLine(r, 0, startBin(r, 0, 0.01, 0.04, TraceBy::Amplitude), 0.04, TraceBy::Amplitude);
    for (const TracePoint& p : low)
        ASSERT_GE(p.frequency, halfBandwidth(r));
    EXPECT_EQ(low[1].flag, TraceFlag::Edge);
    r.prob[r.row(3, 40)] = 0.5;
    EXPECT_EQ(traceLine(r, 0, 40, 0.04, TraceBy::Amplitude)[3].flag, TraceFlag::Weak);
}

// On an age record a cycle keeps its period. The chirp climbs one bin (0.01) per window from
// 0.20; with 1 / P = 0.255 and W = 0.03, the rows below 0.225 (windows 0 to 2) and above 0.285
// (windows 9 on) have drifted, whatever their neighbours say; the others keep their flags. The
// file says so and gives the period and W back; a trace without flags is flagged alike from
// the W of its block, and one whose block gives no W cannot be.
TEST(LineTrace, OnAnAgeRecordRowsOffThePeriodAreDrift) {
    const results::ResultSet r = chirpMap(12, [](int w) { return 20.0 + w; });
    const double period = 1 / 0.255;
    const auto plain = traceLine(r, 5, 25, 0.02, TraceBy::Amplitude);
    auto trace = plain;
    flagDrift(trace, period, halfBandwidth(r));
    std::vector<TraceFlag> expected;
    for (int w = 0; w < 12; ++w)
        expected.push_back(w <= 2 || w >= 9 ? TraceFlag::Drift : plain[w].flag);
    std::vector<TraceFlag> flags;
    for (const TracePoint& p : trace)
        flags.push_back(p.flag);
    EXPECT_EQ(flags, expected);

    TraceStart start{50, 0.25, 0.02};
    const std::string before = traceText(r.provenance, start, plain);
    EXPECT_EQ(before.find("drift"), std::string::npos); // as written before periods were given
    EXPECT_EQ(before.find("period of the traced cycle"), std::string::npos);
    start.period = period;
    std::string why;
    const auto back = readTrace(traceText(r.provenance, start, trace), &why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(back->flags, expected);
    EXPECT_DOUBLE_EQ(back->period, period);
    EXPECT_DOUBLE_EQ(back->halfBandwidth, 0.03);
    const auto problem = flaggedRowsProblem(*back, "--accept-flags");
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("flagged jump, edge or drift: x_centre 0 (line "), std::string::npos)
        << *problem;
    EXPECT_NE(problem->find(", drift), "), std::string::npos) << *problem;
    EXPECT_NE(problem->find("drifted from its period"), std::string::npos) << *problem;

    auto bare = readTrace("# trace criterion: largest amplitude, never below the half-bandwidth "
                          "W = 0.03 cycles per position unit\nx_centre\tfrequency\n0\t0.2\n"
                          "10\t0.25\n20\t0.3\n",
                          &why);
    ASSERT_TRUE(bare) << why;
    EXPECT_EQ(bare->period, 0);
    ASSERT_TRUE(flagDriftedRows(*bare, 4));
    EXPECT_EQ(bare->flags, (std::vector{TraceFlag::Drift, TraceFlag::Ok, TraceFlag::Drift}));
    auto byHand = readTrace("x_centre\tfrequency\n0\t0.2\n", &why);
    ASSERT_TRUE(byHand) << why;
    EXPECT_FALSE(flagDriftedRows(*byHand, 4));
    EXPECT_TRUE(byHand->flags.empty());
}

// For f linear between (0, 0.1), (10, 0.2) and (20, 0.1) and held beyond, the integral from
// z0 is known in closed form; the model is exact at every sample.
TEST(AgeModel, ExactForPiecewiseLinearFrequencyWithHeldEnds) {
    const Trace t{{0, 10, 20}, {0.1, 0.2, 0.1}};
    const auto F = [](double z) { // integral of f from -5
        if (z <= 0)
            return 0.1 * (z + 5);
        if (z <= 10)
            return 0.5 + 0.1 * z + 0.005 * z * z;
        if (z <= 20)
            return 2.0 + 0.2 * (z - 10) - 0.005 * (z - 10) * (z - 10);
        return 3.5 + 0.1 * (z - 20);
    };
    std::vector<double> z;
    for (double x = -5; x <= 25; x += 0.75)
        z.push_back(x);
    const AgeModel m = ageModel(z, t, 41, 100);
    for (std::size_t i = 0; i < z.size(); ++i) {
        EXPECT_NEAR(m.age[i], 100 + 41 * F(z[i]), 1e-9) << z[i];
        EXPECT_DOUBLE_EQ(m.rate[i], 1 / (41 * frequencyAt(t, z[i])));
    }
    // Values linear in age come back linear at every step.
    std::vector<double> v(z.size());
    for (std::size_t i = 0; i < z.size(); ++i)
        v[i] = 2 * m.age[i] - 7;
    EXPECT_NE(ageModelText(results::HeaderBlock("age model"), m)
                  .find("# sedimentation_rate: position units per age unit"),
              std::string::npos);
    const TunedSeries s = tunedSeries(m, v, 5);
    EXPECT_EQ(s.age.front(), 100);
    EXPECT_LE(s.age.back(), m.age.back());
    EXPECT_GT(s.age.back() + 5, m.age.back());
    for (std::size_t k = 0; k < s.age.size(); ++k) {
        EXPECT_DOUBLE_EQ(s.age[k], 100 + 5.0 * k);
        EXPECT_NEAR(s.value[k], 2 * s.age[k] - 7, 1e-9);
    }
}

TEST(TraceFile, RoundTripAndRefusalsNameTheLine) {
    const results::ResultSet r = chirpMap(5, [](int w) { return 20.0 + w; });
    const auto trace = traceLine(r, 0, 20, 0.02, TraceBy::Amplitude);
    std::string why;
    const auto back = readTrace(traceText(r.provenance, {0, 0.2, 0.02}, trace), &why);
    ASSERT_TRUE(back) << why;
    ASSERT_EQ(back->trace.position.size(), 5u);
    for (std::size_t w = 0; w < 5; ++w) {
        EXPECT_EQ(back->trace.position[w], trace[w].centre);
        EXPECT_EQ(back->trace.frequency[w], trace[w].frequency);
    }
    // A trace written by hand, comma-separated, with other columns around.
    const auto byHand = readTrace("# by hand\nnote,x_centre,frequency\na,1,0.5\nb,2,0.25\n", &why);
    ASSERT_TRUE(byHand);
    EXPECT_TRUE(byHand->flags.empty());
    for (const auto& [text, says] :
         {std::pair{"x_centre\tfrequency\n1\t0.1\n1\t0.2\n", "line 3 of the trace holds the "
                                                             "position 1"},
          std::pair{"x_centre\tfrequency\n1\t0.1\n2\t0\n", "line 3 of the trace holds the "
                                                           "frequency 0"},
          std::pair{"x\tf\n1\t0.1\n", "columns named x_centre and frequency"},
          std::pair{"x_centre\tfrequency\n1\tnan\n", "line 2 of the trace holds the frequency"}}) {
        EXPECT_FALSE(readTrace(text, &why)) << text;
        EXPECT_NE(why.find(says), std::string::npos) << why;
    }
}

TEST(AgeModelText, AddsALabelledCentimetreRateOnRequest) {
    const AgeModel m{{10.0, 10.5}, {0.0, 50.0}, {0.01, 0.02}};
    const std::string t = ageModelText(results::HeaderBlock("age model"), m, {"", 100.0});
    EXPECT_EQ(t.substr(t.find('\n') + 1),
              "position\tage\tsedimentation_rate\tsedimentation_rate_cm_per_kyr\n"
              "10\t0\t0.01\t1\n10.5\t50\t0.02\t2\n");
}
