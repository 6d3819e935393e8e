// The astronomical commands end to end: the test on a record made here (cycles at the target
// periods, precession modulated by eccentricity, laid on a depth axis at a known rate, plus
// AR(1) noise), the files each command writes, the age model from a hand-written rate track
// against its closed form, and every bad input refused by name with no file written.
#include "tests/support/RunProcess.h"
#include "tests/support/TempDir.h"

#include "core/series/SeriesFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

using namespace testing_support;

namespace {

const std::string cli = TONALITH_CLI;

// Eccentricity terms and precession whose amplitude follows them, at time t (kyr).
double orbitalSignal(double t) {
    const double e[] = {405.6795, 130.719, 123.839, 98.86307, 94.87666};
    const double p[] = {23.62069, 22.31868, 19.06768, 18.91979};
    const double eAmp[] = {1.0, 0.6, 0.5, 0.8, 0.6}, pAmp[] = {1.0, 0.8, 0.7, 0.6};
    double ecc = 0, prec = 0;
    for (int k = 0; k < 5; ++k)
        ecc += eAmp[k] * std::cos(2 * M_PI * t / e[k] + k);
    for (int k = 0; k < 4; ++k)
        prec += pAmp[k] * std::cos(2 * M_PI * t / p[k] + 2 * k);
    return 0.3 * ecc + (1 + 0.25 * ecc) * prec;
}

constexpr double spacing = 0.04; // metres
constexpr int samples = 1000;

// The record at `rate` cm/kyr with AR(1) noise of lag-1 correlation 0.5, into path.
std::string record(const std::string& path, double rate) {
    std::mt19937_64 g(3);
    std::normal_distribution<double> normal;
    std::ofstream out(path);
    out.precision(17);
    out << "depth\tvalue\n";
    double noise = 0;
    for (int i = 0; i < samples; ++i) {
        const double z = spacing * i;
        noise = 0.5 * noise + std::sqrt(0.75) * normal(g);
        out << z << "\t" << orbitalSignal(100 * z / rate) + 0.6 * noise << "\n";
    }
    return path;
}

// The first line that is not a comment, and the value after `key` in the '#' block.
std::string headerLine(const std::string& text) {
    for (const auto line : series::splitLines(text))
        if (!line.empty() && line[0] != '#')
            return std::string(line);
    return "";
}

double stated(const std::string& text, const std::string& key) {
    const std::size_t at = text.find("# " + key + ": ");
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size() + 4);
}

TEST(CliAstro, TimeOptFindsTheRateAndCallsItSignificant) {
    TempDir dir;
    // A rate between the grid's points; a short grid keeps the simulations fast.
    const std::string data = record(dir / "core.txt", 2.04);
    const ProcessResult r =
        runProcess(cli, {"timeopt", data, "--quiet", "--sedmin", "1.5", "--sedmax", "2.8",
                         "--numsed", "27", "--sims", "200", "--seed", "4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(headerLine(r.out), "sedimentation_rate\tr2_envelope\tr2_power\tr2_opt");
    EXPECT_NEAR(stated(r.out, "optimal sedimentation rate") / 2.04, 1, 0.03) << r.out;
    EXPECT_LE(stated(r.out, "p-value"), 0.05) << r.out;
    EXPECT_NE(r.out.find(" (200 simulations)\n"), std::string::npos);
    // The rate's interval, before the optimum; --interval asks for another probability.
    EXPECT_LT(r.out.find("# rate interval: 95 % from "),
              r.out.find("# optimal sedimentation rate: "));
    const ProcessResult narrower =
        runProcess(cli, {"timeopt", data, "--quiet", "--sedmin", "1.5", "--sedmax", "2.8",
                         "--numsed", "27", "--interval", "0.5"});
    ASSERT_EQ(narrower.exitCode, 0) << narrower.err;
    EXPECT_NE(narrower.out.find("# rate interval: 50 % from "), std::string::npos);
}

TEST(CliAstro, EachCommandWritesItsColumns) {
    TempDir dir;
    const std::string data = record(dir / "core.txt", 2.0);
    const ProcessResult filtered =
        runProcess(cli, {"filter", data, "--quiet", "--passband", "1.5:3.5"});
    ASSERT_EQ(filtered.exitCode, 0) << filtered.err;
    EXPECT_EQ(headerLine(filtered.out), "position\tvalue\tfiltered\tenvelope\tedge");
    EXPECT_EQ(std::count(filtered.out.begin(), filtered.out.end(), '\n') -
                  std::count(filtered.out.begin(), filtered.out.end(), '#'),
              samples + 1);
    // The record's ends are marked, its middle is not.
    std::vector<std::string> ends;
    for (const auto line : series::splitLines(filtered.out)) {
        const auto fields = series::splitFields(line);
        if (fields.size() == 5 && series::parseNumber(fields[0]))
            ends.emplace_back(fields[4]);
    }
    ASSERT_EQ(ends.size(), static_cast<std::size_t>(samples));
    EXPECT_EQ(ends.front(), "1");
    EXPECT_EQ(ends.back(), "1");
    EXPECT_EQ(ends[samples / 2], "0");

    const ProcessResult evolutive =
        runProcess(cli, {"etimeopt", data, "--quiet", "--window-length", "20", "--step-length", "5",
                         "--numsed", "11", "--sedmin", "1", "--sedmax", "3", "--sims", "20",
                         "--track", dir / "track.tsv"});
    ASSERT_EQ(evolutive.exitCode, 0) << evolutive.err;
    EXPECT_EQ(headerLine(evolutive.out),
              "x_centre\tsedimentation_rate\tr2_envelope\tr2_power\tr2_opt");
    const std::string track = readAll(dir / "track.tsv");
    EXPECT_EQ(headerLine(track),
              "x_centre\tsedimentation_rate\tr2_opt\tp_value\tflag\tidentified_rate\trate_low\t"
              "rate_high\tmode_share");
    // The track makes an age model, unless a window is flagged edge, alias or jump: then only
    // when asked.
    const ProcessResult tuned =
        runProcess(cli, {"tune", data, "--quiet", "--sedrate", dir / "track.tsv"});
    const bool flagged = track.find("\tedge\n") != std::string::npos ||
                         track.find("\talias\n") != std::string::npos ||
                         track.find("\tjump\n") != std::string::npos;
    EXPECT_EQ(tuned.exitCode, flagged ? 2 : 0) << tuned.err;
    // One window on the grid's edge: refused, naming it and the remedy; taken when accepted.
    std::ofstream(dir / "edge.tsv") << "x_centre\tsedimentation_rate\tr2_opt\tp_value\tflag\n"
                                       "5\t2\t0.4\t0.01\tok\n"
                                       "10\t3\t0.4\t0.01\tedge\n"
                                       "15\t2\t0.4\t0.01\tok\n";
    const ProcessResult edge = runProcess(cli, {"tune", data, "--sedrate", dir / "edge.tsv"});
    EXPECT_EQ(edge.exitCode, 2);
    EXPECT_NE(edge.err.find("1 window of the track is flagged edge, alias or jump: x_centre 10 "
                            "(line 3, edge)"),
              std::string::npos)
        << edge.err;
    EXPECT_NE(edge.err.find("--accept-flags"), std::string::npos);
    EXPECT_EQ(
        runProcess(cli, {"tune", data, "--quiet", "--sedrate", dir / "edge.tsv", "--accept-flags"})
            .exitCode,
        0);
}

TEST(CliAstro, MisfitFindsTheRateAndTheTraceIsHeldAgainstTheTrack) {
    TempDir dir;
    const std::string data = record(dir / "core.txt", 2.0);
    const ProcessResult asmRun = runProcess(cli, {"asm", data, "--quiet", "--sims", "500"});
    ASSERT_EQ(asmRun.exitCode, 0) << asmRun.err;
    EXPECT_EQ(headerLine(asmRun.out), "sedimentation_rate\tmisfit\tp_null");
    EXPECT_NEAR(stated(asmRun.out, "best sedimentation rate"), 2.0, 0.2) << asmRun.out;

    // A trace of a precession line (21 kyr at 2 cm/kyr: 0.42 m) called 41 kyr, against a track
    // that identifies 2 cm/kyr: refused naming precession; used when accepted, and said so.
    const std::string trace = dir.file("trace.tsv", "x_centre\tfrequency\n5\t2.380952\n"
                                                    "20\t2.380952\n35\t2.380952\n");
    const std::string track = dir.file(
        "track.tsv", "x_centre\tsedimentation_rate\tidentified_rate\n5\t4.4\t2\n35\t4.4\t2\n");
    const std::vector<std::string> tune = {"tune",     data, "--trace",       trace,
                                           "--period", "41", "--check-track", track};
    const ProcessResult refused = runProcess(cli, tune);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("cycle: precession, not 41 kyr"), std::string::npos) << refused.err;
    std::vector<std::string> accepted = tune;
    accepted.insert(accepted.end(), {"--accept-flags", "--quiet", "--model", dir / "model.tsv"});
    ASSERT_EQ(runProcess(cli, accepted).exitCode, 0);
    EXPECT_NE(readAll(dir / "model.tsv").find("# checked against track: "), std::string::npos);

    // tune --sedrate integrates identified_rate, unless told otherwise, and says which.
    const ProcessResult identified =
        runProcess(cli, {"tune", data, "--quiet", "--sedrate", track, "--model", dir / "m1.tsv"});
    ASSERT_EQ(identified.exitCode, 0) << identified.err;
    EXPECT_NE(readAll(dir / "m1.tsv").find("# rate column: identified_rate\n"), std::string::npos);
    ASSERT_EQ(runProcess(cli, {"tune", data, "--quiet", "--sedrate", track, "--rate-column",
                               "sedimentation_rate", "--model", dir / "m2.tsv"})
                  .exitCode,
              0);
    // The last sample at 39.96 m: 1998 kyr at 2 cm/kyr, 908 at 4.4.
    const auto lastAge = [](const std::string& model) {
        double age = NAN;
        for (const auto line : series::splitLines(model))
            if (const auto f = series::splitFields(line); f.size() == 3 && line[0] != '#')
                age = series::parseNumber(f[1]).value_or(age);
        return age;
    };
    EXPECT_NEAR(lastAge(readAll(dir / "m1.tsv")), 1998, 1e-6);
    EXPECT_NEAR(lastAge(readAll(dir / "m2.tsv")), 1998 * 2 / 4.4, 1e-6);
}

// A rate from 1 cm/kyr at 0 m to 3 cm/kyr at 20 m, then held: the age below 20 m is
// 1000 ln(1 + z / 10) kyr, beyond it 1000 ln 3 + 100 (z - 20) / 3, from the start age.
TEST(CliAstro, TuneBySedimentationRateIsTheClosedForm) {
    TempDir dir;
    const std::string data = record(dir / "core.txt", 2.0);
    std::ofstream(dir / "rates.tsv") << "# by hand\nx_centre\tsedimentation_rate\n0\t1\n20\t3\n";
    const ProcessResult r =
        runProcess(cli, {"tune", data, "--quiet", "--sedrate", dir / "rates.tsv", "--start-age",
                         "5", "--model", dir / "model.tsv", "-o", dir / "tuned.tsv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string model = readAll(dir / "model.tsv");
    EXPECT_EQ(headerLine(model), "position\tage\tsedimentation_rate");
    // The rate's unit named once, as the record's positions and the track's time give it.
    const std::string unit = "# sedimentation_rate: ";
    EXPECT_NE(model.find(unit + "m per kyr\n"), std::string::npos) << model;
    EXPECT_EQ(model.find(unit), model.rfind(unit)) << model;
    int rows = 0;
    for (const auto line : series::splitLines(model)) {
        const auto fields = series::splitFields(line);
        const auto z = fields.size() == 3 ? series::parseNumber(fields[0]) : std::nullopt;
        if (!z)
            continue;
        const double age =
            *z <= 20 ? 1000 * std::log1p(*z / 10) : 1000 * std::log(3.0) + 100 * (*z - 20) / 3;
        EXPECT_NEAR(*series::parseNumber(fields[1]), 5 + age, 1e-9 * (5 + age)) << "z " << *z;
        ++rows;
    }
    EXPECT_EQ(rows, samples);
}

// --age-ma: the block writes k and every period of the age; without it nothing changes.
TEST(CliAstro, AnAgeSetsThePeriodsAndTheBlockSaysSo) {
    TempDir dir;
    const std::string data = record(dir / "core.txt", 2.0);
    const std::vector<std::string> test = {"timeopt",  data,  "--quiet",  "--sedmin", "1.5",
                                           "--sedmax", "2.5", "--numsed", "5"};
    std::vector<std::string> aged = test;
    aged.insert(aged.end(), {"--age-ma", "120"});
    const ProcessResult old = runProcess(cli, aged), now = runProcess(cli, test);
    ASSERT_EQ(old.exitCode, 0) << old.err;
    ASSERT_EQ(now.exitCode, 0) << now.err;
    EXPECT_GT(stated(old.out, "precession constant k"), 50.48) << old.out;
    EXPECT_LT(stated(old.out, "precession periods"), stated(now.out, "precession periods"));
    EXPECT_LT(stated(old.out, "obliquity periods"), 40.97);
    EXPECT_EQ(stated(old.out, "eccentricity periods"), stated(now.out, "eccentricity periods"));
    EXPECT_NE(old.out.find("# targets: precession and obliquity for an age of 120 Ma"),
              std::string::npos);
    EXPECT_EQ(now.out.find("precession constant"), std::string::npos);
    EXPECT_EQ(now.out.find("obliquity"), std::string::npos);
}

// The lines after the '#' block.
std::string rowsOf(const std::string& text) {
    return text.substr(text.find(headerLine(text)));
}

// A track of 2 cm/kyr with a 10 % interval in every row (windows of 8 m, as its block says): with
// --ensemble 0 the files are those of the single model; with an ensemble the model keeps its
// columns and appends the band around it, the block gives the duration's interval (about the
// 1998 kyr of 39.96 m at 2 cm/kyr), and the ensemble's file holds every model.
TEST(CliAstro, TheBandIsAppendedAndEnsembleZeroChangesNothing) {
    TempDir dir;
    const std::string data = record(dir / "core.txt", 2.0);
    std::string track = "# window: 8 position units, step 1\n"
                        "x_centre\tsedimentation_rate\trate_low\trate_high\n";
    for (int x = 4; x <= 36; ++x)
        track += std::to_string(x) + "\t2\t1.8\t2.2\n";
    std::ofstream(dir / "track.tsv") << track;
    const auto tune = [&](const std::string& name, std::vector<std::string> more) {
        std::vector<std::string> args = {"tune",
                                         data,
                                         "--quiet",
                                         "--sedrate",
                                         dir / "track.tsv",
                                         "--model",
                                         dir / (name + "-model.tsv"),
                                         "-o",
                                         dir / (name + ".tsv")};
        args.insert(args.end(), more.begin(), more.end());
        const ProcessResult r = runProcess(cli, args);
        EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
        return readAll(dir / (name + "-model.tsv"));
    };
    const std::string single = tune("single", {});
    EXPECT_EQ(tune("zero", {"--ensemble", "0", "--seed", "9", "--interval", "0.9"}), single);
    EXPECT_EQ(readAll(dir / "zero.tsv"), readAll(dir / "single.tsv"));
    EXPECT_EQ(single.find("age_low"), std::string::npos);

    const std::string banded =
        tune("band", {"--ensemble", "300", "--ensemble-file", dir / "members.tsv"});
    EXPECT_EQ(headerLine(banded),
              "position\tage\tsedimentation_rate\tage_low\tage_median\tage_high");
    EXPECT_EQ(rowsOf(readAll(dir / "band.tsv")), rowsOf(readAll(dir / "single.tsv")));
    std::vector<std::vector<double>> rows;
    for (const auto line : series::splitLines(banded)) {
        std::vector<double> v;
        for (const auto field : series::splitFields(line))
            if (const auto x = series::parseNumber(field))
                v.push_back(*x);
        if (v.size() == 6)
            rows.push_back(v);
    }
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(samples));
    for (const auto& v : rows) {
        EXPECT_NEAR(v[1], 100 * v[0] / 2, 1e-9 * (1 + v[1])); // the central model as before
        EXPECT_LE(v[3], v[4]);
        EXPECT_LE(v[4], v[5]);
    }
    // Ten percent at 95 % is a standard deviation of 5 % in a row; over 39 m of windows 8 m
    // long the duration's is some 2 to 3 %: an interval of a few percent either side.
    const std::size_t at = banded.find("# duration: ");
    const std::string duration = banded.substr(at + 12, banded.find('\n', at) - at - 12);
    const double low = rows.back()[3], high = rows.back()[5];
    EXPECT_LT(low, 1998 * 0.98);
    EXPECT_GT(low, 1998 * 0.85);
    EXPECT_GT(high, 1998 * 1.02);
    EXPECT_LT(high, 1998 * 1.15);
    EXPECT_EQ(duration.rfind("1998 (95 % interval ", 0), 0u) << duration;
    const std::string members = headerLine(readAll(dir / "members.tsv"));
    EXPECT_EQ(std::count(members.begin(), members.end(), '\t'), 300);
}

TEST(CliAstro, BadInputIsRefusedByNameAndLeavesNoFile) {
    TempDir dir;
    const std::string data = record(dir / "core.txt", 2.0);
    const std::string oneKind = dir.file("e.tsv", "period\tkind\n405.6795\te\n130.719\te\n");
    const std::string down = dir.file("down.tsv", "x_centre\tsedimentation_rate\n5\t1\n3\t2\n");
    const std::string zero = dir.file("zero.tsv", "x_centre\tsedimentation_rate\n1\t1\n5\t0\n");
    const std::string oneRate = dir.file("one.tsv", "x_centre\tsedimentation_rate\n1\t2\n");
    const std::string banded = dir.file(
        "banded.tsv", "x_centre\tsedimentation_rate\trate_low\trate_high\n1\t2\t1.8\t2.2\n");
    const std::string trace = dir.file("trace.tsv", "x_centre\tfrequency\n1\t2\n5\t2\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"timeopt", data, "--numsed", "0"}, "--numsed"},
        {{"timeopt", data, "--sedmin", "-1"}, "--sedmin"},
        {{"timeopt", data, "--sedmin", "3", "--sedmax", "2"}, "--sedmax"},
        {{"timeopt", data, "--precession-band", "0.065:0.035"}, "--precession-band"},
        {{"timeopt", data, "--precession-band", "0.035"}, "--precession-band"},
        {{"timeopt", data, "--sedmin", "0.1", "--sedmax", "0.2"}, "--sedmax"}, // none scored
        {{"timeopt", data, "--targets", oneKind}, "--targets"},
        {{"timeopt", data, "--age-ma", "700"}, "0 to 620"},
        {{"etimeopt", data, "--window-length", "20", "--step-length", "5", "--age-ma", "-5"},
         "--age-ma"},
        {{"timeopt", data, "--age-ma", "65", "--targets", oneKind}, "--age-ma"},
        {{"timeopt", data, "--plot", dir / "curves.gif"}, "--plot"},
        {{"timeopt", data, "--positions-in", "ft"}, "--positions-in"},
        {{"filter", data, "--passband", "0:1"}, "--passband"},
        {{"filter", data, "--passband", "1:20"}, "--passband"},
        {{"filter", data, "--passband", "x:2"}, "--passband"},
        {{"filter", data}, "--passband"},
        {{"etimeopt", data, "--window-length", "50", "--step-length", "5"}, "--window-length"},
        {{"etimeopt", data, "--window-length", "20"}, "--step-length"},
        {{"etimeopt", data, "--window-length", "20", "--step-length", "5", "--map",
          dir / "map.jpg"},
         "--map"},
        {{"tune", data, "--sedrate", down}, "--sedrate"},
        {{"tune", data, "--sedrate", zero}, "--sedrate"},
        {{"tune", data, "--sedrate", zero, "--trace", down, "--period", "41"}, "--sedrate"},
        {{"tune", data, "--sedrate", zero, "--period", "41"}, "--sedrate"},
        {{"tune", data, "--sedrate", oneRate, "--ensemble", "10"}, "--sedrate"}, // no intervals
        {{"tune", data, "--sedrate", banded, "--ensemble", "10"}, "--window-length"},
        {{"tune", data, "--sedrate", oneRate, "--ensemble-file", dir / "e.tsv"}, "--ensemble"},
        {{"tune", data, "--sedrate", oneRate, "--anchor", "10:500", "--start-age", "3"},
         "--anchor"},
        {{"tune", data, "--sedrate", oneRate, "--anchor", "100:500"}, "--anchor"},
        {{"tune", data, "--sedrate", oneRate, "--anchor", "30:500", "--anchor", "10:600"},
         "--anchor"},
        {{"tune", data, "--sedrate", oneRate, "--anchor", "10:500:-2"}, "--anchor"},
        {{"tune", data, "--trace", oneRate, "--period", "41:14"}, "--period"},
        {{"asm", data, "--level", "1.5"}, "--level"},
        {{"asm", data, "--sims", "0"}, "--sims"},
        {{"asm", data, "--tapers", "1"}, "--tapers"},
        {{"asm", data, "--sedmin", "0.001", "--sedmax", "0.002"}, "--sedmin"},
        {{"tune", data, "--sedrate", down, "--rate-column", "r2_opt"}, "--sedrate"},
        {{"tune", data, "--trace", trace, "--period", "41", "--check-track", dir / "none.tsv"},
         "--check-track"},
    };
    for (const auto& [args, option] : cases) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {"--quiet", "-o", dir / "out.tsv"});
        const ProcessResult r = runProcess(cli, all);
        std::string line = args[0];
        for (std::size_t i = 2; i < args.size(); ++i)
            line += " " + args[i];
        EXPECT_EQ(r.exitCode, 2) << line << ": " << r.err;
        EXPECT_NE(r.err.find(option), std::string::npos) << line << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << line << ": " << r.err;
        EXPECT_FALSE(std::ifstream(dir / "out.tsv").good()) << line;
    }
}

} // namespace
