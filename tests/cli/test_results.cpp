// Results as numbers and figures from the command-line tool: grids that read back to the
// rows, the header block, maps drawn without a display, and the spectral lines of the sample.
#include "tests/support/RunProcess.h"
#include "tests/support/TempDir.h"

#include "core/series/SeriesFile.h"

#include <QCoreApplication>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

using namespace testing_support;

namespace {

const std::string cli = TONALITH_CLI;
const std::string sample = TONALITH_SAMPLE;

// Lines that are not comments: the header line first.
std::vector<std::vector<std::string>> table(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const auto line : series::splitLines(text)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        for (const auto f : series::splitFields(line))
            fields.emplace_back(f);
        rows.push_back(fields);
    }
    return rows;
}

double number(const std::string& s) {
    return *series::parseNumber(s);
}

TEST(ResultFiles, GridsReadBackToTheRows) {
    TempDir dir;
    const ProcessResult r =
        runProcess(cli, {"analyze", sample, "--column", "etp", "--quiet", "-o", dir / "rows.tsv",
                         "--grid", dir / "grid", "--window", "300", "--step", "100"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = table(readAll(dir / "rows.tsv"));
    ASSERT_EQ(rows.front(),
              (std::vector<std::string>{"x_centre", "frequency", "amplitude", "probability"}));
    const int windows = 18, bins = 246;
    ASSERT_EQ(rows.size(), 1u + windows * bins);
    for (const auto& [file, column] :
         {std::pair{"grid-amplitude.tsv", 2}, std::pair{"grid-probability.tsv", 3}}) {
        const auto grid = table(readAll(dir / file));
        ASSERT_EQ(grid.size(), 1u + bins) << file;
        ASSERT_EQ(grid[0].size(), 1u + windows);
        EXPECT_EQ(grid[0][0], "frequency");
        for (int w = 0; w < windows; ++w)
            ASSERT_EQ(number(grid[0][1 + w]), number(rows[1 + w * bins][0]))
                << "centre of window " << w;
        for (int i = 0; i < bins; ++i) {
            ASSERT_EQ(number(grid[1 + i][0]), number(rows[1 + i][1])) << "frequency " << i;
            for (int w = 0; w < windows; ++w)
                ASSERT_EQ(number(grid[1 + i][1 + w]), number(rows[1 + w * bins + i][column]))
                    << file;
        }
    }
}

TEST(ResultFiles, HeaderBlockSaysHowTheResultsWereMade) {
    TempDir dir;
    const ProcessResult r =
        runProcess(cli, {"analyze", sample, "--column", "obliquity_deg", "--quiet", "-o",
                         dir / "rows.tsv", "--tbw", "2.5", "--tapers", "3", "--nfft", "2048"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = readAll(dir / "rows.tsv");
    const std::vector<std::string> expected = {
        "# Tonalith " TONALITH_VERSION ": evolutive multitaper harmonic analysis, result rows",
        "# input: " + sample,
        std::string("# column: 3 (obliquity_deg)"),
        std::string("# header lines skipped: 1"),
        std::string("# samples: 2001"),
        std::string("# sample spacing: 1 (position units)"),
        std::string("# interpolation: none"),
        std::string("# mean removed: yes"),
        std::string("# time-bandwidth product: 2.5"),
        std::string("# tapers: 3"),
        std::string("# window: 400 samples"),
        std::string("# step: 25 samples"),
        std::string("# transform length: 2048"),
        std::string("# highest frequency: 0.06 cycles per sample")};
    for (const std::string& line : expected)
        EXPECT_NE(text.find(line + "\n"), std::string::npos) << line;

    // Read back as data: the comment lines are not data and not titles.
    const auto lines = series::splitLines(text);
    EXPECT_EQ(series::columnTitles(series::titleLine(lines), true),
              (std::vector<std::string>{"frequency", "amplitude", "probability"}));
    const auto back = series::loadSeries(dir / "rows.tsv", 1, 2);
    ASSERT_TRUE(back);
    const auto rows = table(text);
    ASSERT_EQ(back->xpos.size(), rows.size() - 1);
    EXPECT_EQ(back->yval[100], number(rows[101][2]));
}

TEST(ResultFiles, EachWindowsOwnMeanRemovalIsRecorded) {
    const ProcessResult r = runProcess(cli, {"analyze", sample, "--quiet", "--window-detrend",
                                             "mean", "--nfft", "1024", "--step", "200"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\n# window detrend: mean "), std::string::npos);
    const ProcessResult bad = runProcess(cli, {"trace", sample, "--window-detrend", "median"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("--window-detrend"), std::string::npos) << bad.err;
}

TEST(Figures, MapsInEveryFormatWithoutADisplay) {
    TempDir dir;
    const std::vector<std::string> common = {"analyze", sample, "--quiet", "-o", dir / "rows.tsv"};
    auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        return runProcess(cli, args, [] {
            ::unsetenv("DISPLAY");
            ::unsetenv("QT_QPA_PLATFORM");
        });
    };

    ASSERT_EQ(run({"--map", dir / "map.png", "--size", "640x480"}).exitCode, 0);
    QImage png(QString::fromStdString(dir / "map.png"));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), QSize(640, 480));
    QSet<QRgb> colours;
    for (int y = 100; y < 380; y += 4)
        for (int x = 150; x < 500; x += 4)
            colours.insert(png.pixel(x, y));
    EXPECT_GT(colours.size(), 50) << "the map area is coloured";

    // Log power in greyscale: many shades of grey, and the contours in one colour that stands
    // out from every grey (magenta), alone or blended with a grey at their edges.
    ASSERT_EQ(run({"--map", dir / "grey.png", "--size", "640x480", "--map-of", "logpower",
                   "--colours", "greyscale", "--reverse-x"})
                  .exitCode,
              0);
    QImage grey(QString::fromStdString(dir / "grey.png"));
    QSet<QRgb> shades;
    int contour = 0;
    for (int y = 100; y < 380; y += 4)
        for (int x = 150; x < 500; x += 4) {
            const QRgb c = grey.pixel(x, y);
            if (qRed(c) == qGreen(c) && qGreen(c) == qBlue(c))
                shades.insert(c);
            else if (qRed(c) == qBlue(c) && qRed(c) > qGreen(c))
                ++contour;
            else
                ADD_FAILURE() << "neither grey nor the contours' colour: " << std::hex << c;
        }
    EXPECT_GT(shades.size(), 20);
    EXPECT_GT(contour, 0);

    ASSERT_EQ(run({"--map", dir / "map.pdf"}).exitCode, 0);
    const std::string pdf = readAll(dir / "map.pdf");
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("/MediaBox [0 0 842"), std::string::npos) << "A4 landscape";
    EXPECT_NE(pdf.find("/Subtype /Image"), std::string::npos) << "the coloured map";

    ASSERT_EQ(run({"--map", dir / "small.pdf", "--size", "200x150"}).exitCode, 0);
    const std::string small = readAll(dir / "small.pdf");
    const std::size_t box = small.find("/MediaBox [0 0 ");
    ASSERT_NE(box, std::string::npos);
    std::istringstream dims(small.substr(box + 15, 40));
    double w = 0, h = 0;
    dims >> w >> h;
    EXPECT_NEAR(w, 200 / 25.4 * 72, 2.0); // millimetres in points
    EXPECT_NEAR(h, 150 / 25.4 * 72, 2.0);

    ASSERT_EQ(run({"--map", dir / "map.svg", "--size", "240x160"}).exitCode, 0);
    const std::string svg = readAll(dir / "map.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("<image"), std::string::npos) << "the coloured map";
    const std::size_t vb = svg.find("viewBox=\"0 0 ");
    ASSERT_NE(vb, std::string::npos);
    std::istringstream view(svg.substr(vb + 13, 40));
    view >> w >> h;
    EXPECT_NEAR(w / h, 240.0 / 160.0, 0.01);
}

TEST(Figures, BadMapRequestsAreRefusedAndLeaveNoFile) {
    TempDir dir;
    const ProcessResult format = runProcess(cli, {"analyze", sample, "--map", dir / "map.jpg"});
    EXPECT_EQ(format.exitCode, 2);
    EXPECT_NE(format.err.find("does not end in .pdf, .png or .svg"), std::string::npos);
    const ProcessResult size =
        runProcess(cli, {"analyze", sample, "--map", dir / "m.png", "--size", "wide"});
    EXPECT_EQ(size.exitCode, 2);
    EXPECT_NE(size.err.find("--size: 'wide' is not a size WxH"), std::string::npos);
    const ProcessResult missing =
        runProcess(cli, {"analyze", sample, "--quiet", "-o", dir / "rows.tsv", "--map",
                         dir / "no/such/folder/map.png"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("cannot write the map"), std::string::npos) << missing.err;
}

// The sample (Laskar et al. 2004): obliquity near 1/41 and precession near 1/19 per kyr are
// lines of every window at 0.95.
TEST(Peaks, EveryWindowOfTheSampleHasObliquityAndPrecession) {
    const ProcessResult r = runProcess(cli, {"peaks", sample, "--quiet", "--level", "0.95"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = table(r.out);
    ASSERT_EQ(rows.front(), (std::vector<std::string>{"x_centre", "frequency", "period",
                                                      "amplitude", "probability"}));
    std::map<double, std::pair<bool, bool>> found;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double centre = number(rows[i][0]), f = number(rows[i][1]);
        EXPECT_EQ(number(rows[i][2]), 1 / f);
        EXPECT_GE(number(rows[i][4]), 0.95);
        auto& [obliquity, precession] = found[centre];
        obliquity = obliquity || (f >= 1 / 43.0 && f <= 1 / 39.0);
        precession = precession || (f >= 1 / 20.0 && f <= 1 / 18.0);
    }
    EXPECT_EQ(found.size(), 65u);
    for (const auto& [centre, lines] : found) {
        EXPECT_TRUE(lines.first) << "obliquity in the window centred at " << centre;
        EXPECT_TRUE(lines.second) << "precession in the window centred at " << centre;
    }
    const ProcessResult bad = runProcess(cli, {"peaks", sample, "--level", "1.5"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("--level"), std::string::npos);
}

// A series file of noise (AR(1) with coefficient rho; 0 gives white noise) plus a sine.
std::string noiseFile(const std::string& path, int n, double rho, double amplitude,
                      double frequency, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> e;
    std::string text = "t\tv\n";
    char line[64];
    double x = e(rng) / std::sqrt(1 - rho * rho);
    for (int t = 0; t < n; ++t, x = rho * x + e(rng)) {
        std::snprintf(line, sizeof line, "%d\t%.17g\n", t,
                      x + amplitude * std::sin(2 * M_PI * frequency * t));
        text += line;
    }
    std::ofstream(path) << text;
    return path;
}

// A sine in red noise: its bin stands above the 99 % level with F-test probability at least
// 0.95 and its amplitude; the F-test columns are those of a map of one window the length of
// the record; the figure in every format.
TEST(Spectrum, SineInRedNoiseAndTheFTestOfOneWindow) {
    TempDir dir;
    const int n = 4000, nfft = 8192, bin = 1000;
    const std::string data = noiseFile(dir / "red.txt", n, 0.7, 2.0, double(bin) / nfft, 3);
    const ProcessResult r = runProcess(
        cli, {"spectrum", data, "--quiet", "--plot", dir / "s.png", "--size", "600x400"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = table(r.out);
    ASSERT_EQ(rows.front(), (std::vector<std::string>{"frequency", "period", "power", "amplitude",
                                                      "probability", "background", "level_90",
                                                      "level_95", "level_99", "dof", "reliable"}));
    ASSERT_EQ(rows.size(), nfft / 2 + 2u); // every bin from 0 to Nyquist
    EXPECT_EQ(rows[1][1], "NA");           // frequency 0 has no period
    EXPECT_NE(r.out.find("# period: NA at frequency 0"), std::string::npos);
    // Unreliable levels only in the lowest bins: those below 2W, W = 3 / n.
    EXPECT_NE(r.out.find("# reliable: 1 where the levels can be trusted; 0 below 2W = 0.0015,"),
              std::string::npos);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double f = number(rows[i][0]);
        ASSERT_TRUE(rows[i][10] == "0" || rows[i][10] == "1") << i;
        if (f < 3.0 / n || f >= 6.0 / n) {
            ASSERT_EQ(rows[i][10], f < 3.0 / n ? "0" : "1") << i;
        }
    }
    EXPECT_GT(number(rows[bin + 1][9]), 0);
    EXPECT_LE(number(rows[bin + 1][9]), 8);
    const auto& line = rows[bin + 1];
    EXPECT_EQ(number(line[0]), double(bin) / nfft);
    EXPECT_GT(number(line[2]), number(line[8]));
    EXPECT_GE(number(line[4]), 0.95);
    EXPECT_NEAR(number(line[3]), 2.0, 0.1);
    EXPECT_NE(r.out.find("# rho: "), std::string::npos);
    EXPECT_NE(r.out.find("# background: ar1"), std::string::npos);

    const ProcessResult one =
        runProcess(cli, {"analyze", data, "--quiet", "--window", std::to_string(n), "--step", "1",
                         "--nfft", std::to_string(nfft), "--fmax", "0.5"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    const auto map = table(one.out);
    ASSERT_EQ(map.size(), rows.size());
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i][3], map[i][2]) << "amplitude of bin " << i - 1;
        ASSERT_EQ(rows[i][4], map[i][3]) << "probability of bin " << i - 1;
    }

    EXPECT_EQ(readAll(dir / "s.png").rfind("\x89PNG", 0), 0u);
    for (const char* name : {"s.pdf", "s.svg"})
        ASSERT_EQ(runProcess(cli, {"spectrum", data, "--quiet", "--background", "robust", "-o",
                                   dir / "r.tsv", "--plot", dir / name})
                      .exitCode,
                  0);
    EXPECT_EQ(readAll(dir / "s.pdf").rfind("%PDF-", 0), 0u);
    EXPECT_NE(readAll(dir / "s.svg").find("</svg>"), std::string::npos);
    EXPECT_NE(readAll(dir / "r.tsv").find("# background: robust"), std::string::npos);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--background", "white"},
                                                {"--window", "100"},
                                                {"--plot", dir / "s.jpg"},
                                                {"--nfft", "1000"}}) {
        std::vector<std::string> args = {"spectrum", data, "-o", dir / "bad.tsv"};
        args.insert(args.end(), bad.begin(), bad.end());
        const ProcessResult refused = runProcess(cli, args);
        EXPECT_EQ(refused.exitCode, 2) << bad[0];
        EXPECT_NE(refused.err.find(bad[0]), std::string::npos) << refused.err;
        EXPECT_FALSE(std::ifstream(dir / "bad.tsv").good()) << bad[0];
    }
}

// White noise: at 0.95 alone most windows show lines by chance (about 2 among 24 independent
// frequencies); with the false discovery rate held at 0.05, few windows report any, and the
// '#' block says which rule was used and what to expect.
TEST(Peaks, FalseDiscoveryControlOnWhiteNoise) {
    TempDir dir;
    const std::string data = noiseFile(dir / "white.txt", 4000, 0.0, 0.0, 0.0, 5);
    const auto windowsWithLines = [&](std::vector<std::string> rule, std::string* out) {
        std::vector<std::string> args = {"peaks", data, "--quiet", "--step", "100"};
        args.insert(args.end(), rule.begin(), rule.end());
        const ProcessResult r = runProcess(cli, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        *out = r.out;
        std::set<std::string> centres;
        const auto rows = table(r.out);
        for (std::size_t i = 1; i < rows.size(); ++i)
            centres.insert(rows[i][0]);
        return centres.size();
    };
    std::string level, fdr;
    const std::size_t windows = (4000 - 400) / 100 + 1;
    EXPECT_GT(windowsWithLines({"--level", "0.95"}, &level), 0.8 * windows);
    EXPECT_LT(windowsWithLines({"--fdr", "0.05"}, &fdr), 0.2 * windows);
    // The lines stated for chance are about those these windows show (37 overlapping windows:
    // within 35 %; bench/calibrate_chance_lines measures it on 10000).
    const std::string stated = "expected chance lines per window at level 0.95: ";
    const std::size_t at = level.find(stated);
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(level.find(" (local maxima", at), std::string::npos);
    const double lines = static_cast<double>(table(level).size() - 1) / windows;
    EXPECT_NEAR(std::stod(level.substr(at + stated.size())) / lines, 1.0, 0.35) << lines;
    EXPECT_NE(fdr.find("Benjamini-Hochberg false-discovery control at rate 0.05"),
              std::string::npos);
    const ProcessResult bad = runProcess(cli, {"peaks", data, "--fdr", "1"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("--fdr"), std::string::npos);
}

// An astronomical-like signal in time (405, 100, 41 and 23 kyr with noise) laid on a depth
// axis whose sedimentation rate rises from 1 to 3 cm/kyr over the middle third of 3000 kyr,
// sampled every 2 cm; the true age of each sample goes to `truth`.
std::string sedimentedRecord(const std::string& path, std::vector<double>& truth) {
    const auto depth = [](double t) {
        const double u = std::clamp(t - 1000, 0.0, 1000.0);
        return std::min(t, 1000.0) + u + u * u / 1000 + 3 * std::max(t - 2000, 0.0);
    };
    const auto signal = [](double t) {
        return 0.5 * std::sin(2 * M_PI * t / 405) + 0.5 * std::sin(2 * M_PI * t / 100 + 1) +
               std::sin(2 * M_PI * t / 41 + 2) + 0.4 * std::sin(2 * M_PI * t / 23 + 0.5);
    };
    std::mt19937_64 rng(1);
    std::normal_distribution<double> noise(0, 0.2);
    std::string text = "depth_cm\tvalue\n";
    char line[80];
    for (double d = 0; d <= depth(3000); d += 2) {
        double lo = 0, hi = 3000; // the age at depth d, by bisection
        for (int i = 0; i < 60; ++i)
            (depth(0.5 * (lo + hi)) < d ? lo : hi) = 0.5 * (lo + hi);
        truth.push_back(0.5 * (lo + hi));
        std::snprintf(line, sizeof line, "%.17g\t%.17g\n", d, signal(truth.back()) + noise(rng));
        text += line;
    }
    std::ofstream(path) << text;
    return path;
}

// Trace the obliquity line, tune with 41 kyr: the ages agree with the truth within 1 % of the
// span, and the tuned series' map has the 41 kyr line at 0.95 within W/4 in every window.
TEST(Tuning, TracedObliquityGivesTheAgesBack) {
    TempDir dir;
    std::vector<double> truth;
    const std::string data = sedimentedRecord(dir / "core.txt", truth);
    const ProcessResult traced =
        runProcess(cli, {"trace", data, "--quiet", "--window", "200", "--step", "5", "--nfft",
                         "8192", "--fmax", "0.1", "--start", "100:0.0244", "-o", dir / "t.tsv"});
    ASSERT_EQ(traced.exitCode, 0) << traced.err;
    const std::string traceText = readAll(dir / "t.tsv");
    EXPECT_NE(traceText.find("# trace criterion: largest amplitude"), std::string::npos);
    // Every row's frequency interval holds its frequency.
    const auto traceRows = table(traceText);
    ASSERT_EQ(traceRows.front().size(), 8u);
    EXPECT_EQ(traceRows.front()[6], "frequency_low");
    EXPECT_EQ(traceRows.front()[7], "frequency_high");
    for (std::size_t i = 1; i < traceRows.size(); ++i) {
        EXPECT_LE(number(traceRows[i][6]), number(traceRows[i][1])) << "row " << i;
        EXPECT_GE(number(traceRows[i][7]), number(traceRows[i][1])) << "row " << i;
    }
    const ProcessResult tuned =
        runProcess(cli, {"tune", data, "--quiet", "--trace", dir / "t.tsv", "--period", "41",
                         "--step", "1", "--model", dir / "model.tsv", "-o", dir / "tuned.tsv"});
    ASSERT_EQ(tuned.exitCode, 0) << tuned.err;
    const auto model = table(readAll(dir / "model.tsv"));
    ASSERT_EQ(model.front(), (std::vector<std::string>{"position", "age", "sedimentation_rate"}));
    ASSERT_EQ(model.size(), truth.size() + 1);
    for (std::size_t i = 1; i < model.size(); ++i)
        ASSERT_NEAR(number(model[i][1]), truth[i - 1], 0.01 * 3000) << "sample " << i;
    const auto tunedRows = table(readAll(dir / "tuned.tsv"));
    EXPECT_EQ(tunedRows.front(), (std::vector<std::string>{"age", "value"}));
    EXPECT_EQ(number(tunedRows[2][0]) - number(tunedRows[1][0]), 1.0);

    const ProcessResult lines =
        runProcess(cli, {"peaks", dir / "tuned.tsv", "--quiet", "--window", "400", "--step", "50"});
    ASSERT_EQ(lines.exitCode, 0) << lines.err;
    std::map<double, double> nearest; // window centre -> closest line to 1/41
    const auto rows = table(lines.out);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double c = number(rows[i][0]), miss = std::fabs(number(rows[i][1]) - 1 / 41.0);
        nearest[c] = nearest.count(c) ? std::min(nearest[c], miss) : miss;
    }
    EXPECT_GE(nearest.size(), 50u);
    for (const auto& [centre, miss] : nearest)
        EXPECT_LE(miss, 0.25 * 3.0 / 400) << "window centred at " << centre;
}

// A record in time (kyr, one sample each) whose 41-kyr cycle fades into a 70-kyr one: its
// frequency glides from 1/41 to 1/70 between 800 and 1400 ka, so that a trace follows it in
// small steps, every row ok to its neighbours (as on LR04 after 1,900 ka).
std::string glidingRecord(const std::string& path, const char* positionTitle) {
    std::mt19937_64 rng(5);
    std::normal_distribution<double> noise(0, 0.1);
    std::string text = std::string(positionTitle) + "\tvalue\n";
    double cycles = 0;
    char line[80];
    for (int t = 0; t < 2000; ++t) {
        const double glide = std::clamp((t - 800) / 600.0, 0.0, 1.0);
        cycles += 1 / 41.0 + (1 / 70.0 - 1 / 41.0) * glide;
        std::snprintf(line, sizeof line, "%d\t%.17g\n", t,
                      std::cos(2 * M_PI * cycles) + noise(rng));
        text += line;
    }
    std::ofstream(path) << text;
    return path;
}

// On a record whose positions are ages a cycle keeps its period: with --period 41 the rows
// farther than W = tbw / window = 3/400 from 1/41 are drift, and only they; without it they
// were ok and the file is as before. tune refuses a drifted trace on an age record (its own
// flags, or the record's title in ka with the W of the trace's block) unless told; the same
// trace on a depth record is no concern of the period.
TEST(Tuning, OnAnAgeRecordATraceDriftingOffItsPeriodIsFlaggedAndRefused) {
    TempDir dir;
    const std::string ages = glidingRecord(dir / "ages.txt", "age_ka");
    const std::vector<std::string> traceLine = {"trace",  ages, "--quiet", "--window",  "400",
                                                "--step", "5",  "--start", "200:0.0244"};
    const auto traced = [&](const std::vector<std::string>& more, const std::string& out) {
        std::vector<std::string> args = traceLine;
        args.insert(args.end(), more.begin(), more.end());
        args.insert(args.end(), {"-o", out});
        const ProcessResult r = runProcess(cli, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return readAll(out);
    };
    const std::string plainText = traced({}, dir / "plain.tsv");
    const std::string driftText = traced({"--period", "41"}, dir / "drift.tsv");
    EXPECT_EQ(plainText.find("drift"), std::string::npos);
    EXPECT_NE(driftText.find("# period of the traced cycle: 41 (the positions are ages"),
              std::string::npos);
    const auto plain = table(plainText), drift = table(driftText);
    ASSERT_EQ(plain.size(), drift.size());
    ASSERT_GT(plain.size(), 300u);
    int drifted = 0;
    for (std::size_t i = 1; i < plain.size(); ++i) {
        ASSERT_EQ(plain[i][1], drift[i][1]) << "row " << i;
        EXPECT_EQ(plain[i][5], "ok") << "row " << i;
        const bool off = std::fabs(number(plain[i][1]) - 1 / 41.0) > 3 / 400.0;
        EXPECT_EQ(drift[i][5], off ? "drift" : "ok") << "row " << i;
        drifted += off;
    }
    EXPECT_GT(drifted, 50); // the last 600 kyr at least, 1/70 lying 0.0101 off 1/41

    const std::string depths = dir / "depths.txt";
    std::ofstream(depths) << "depth_m" << readAll(ages).substr(6);
    for (const auto& [record, trace, refused] :
         {std::tuple{ages, dir / "drift.tsv", true}, std::tuple{ages, dir / "plain.tsv", true},
          std::tuple{depths, dir / "plain.tsv", false}}) {
        const std::vector<std::string> tune = {
            "tune", record, "--quiet", "--trace", trace, "--period", "41", "-o", dir / "tuned.tsv"};
        std::remove((dir / "tuned.tsv").c_str());
        const ProcessResult r = runProcess(cli, tune);
        EXPECT_EQ(r.exitCode, refused ? 2 : 0) << record << " " << trace << ": " << r.err;
        EXPECT_EQ(std::ifstream(dir / "tuned.tsv").good(), !refused) << record << " " << trace;
        if (refused) {
            EXPECT_NE(r.err.find("flagged jump, edge or drift: x_centre "), std::string::npos)
                << r.err;
            EXPECT_NE(r.err.find("or give --accept-flags"), std::string::npos) << r.err;
            std::vector<std::string> accepted = tune;
            accepted.push_back("--accept-flags");
            EXPECT_EQ(runProcess(cli, accepted).exitCode, 0) << trace;
        }
    }
}

TEST(Tuning, BadInputIsRefusedByNameAndLeavesNoFile) {
    TempDir dir;
    const std::string data = dir / "s.txt";
    {
        std::ofstream out(data);
        out << "depth\tvalue\n";
        for (int i = 0; i < 600; ++i)
            out << i << "\t" << std::sin(i * 0.3) << "\n";
    }
    std::ofstream(dir / "down.tsv") << "x_centre\tfrequency\n5\t0.1\n3\t0.1\n";
    std::ofstream(dir / "zero.tsv") << "# hand-made\nx_centre\tfrequency\n1\t0.1\n5\t-0.2\n";
    const std::string flagged = dir / "flagged.tsv";
    std::ofstream(flagged) << "x_centre\tfrequency\tperiod\tamplitude\tprobability\tflag\n"
                              "100\t0.05\t20\t1\t0.99\tok\n200\t0.09\t11.1\t1\t0.99\tjump\n"
                              "300\t0.09\t11.1\t1\t0.99\tok\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"trace", data}, "trace needs --start"},
        {{"trace", data, "--start", "1000:0.05"}, "--start: the position 1000 lies outside"},
        {{"trace", data, "--start", "300:0.05", "--band", "0"}, "--band: 0 must be"},
        {{"trace", data, "--start", "300:0.05", "--by", "power"}, "--by: 'power'"},
        {{"tune", data, "--trace", dir / "down.tsv", "--period", "41"},
         "line 3 of the trace holds the position 3"},
        {{"tune", data, "--trace", dir / "zero.tsv", "--period", "41"},
         "line 4 of the trace holds the frequency -0.2"},
        {{"tune", data, "--trace", dir / "down.tsv", "--period", "0"}, "--period: 0 must be"},
        {{"tune", data, "--trace", dir / "missing.tsv", "--period", "41"}, "--trace: cannot read"},
        {{"tune", data, "--trace", flagged, "--period", "41"}, "or give --accept-flags"},
    };
    for (const auto& [args, says] : cases) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {"-o", dir / "out.tsv"});
        const ProcessResult r = runProcess(cli, all);
        EXPECT_EQ(r.exitCode, 2) << says << ": " << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_FALSE(std::ifstream(dir / "out.tsv").good()) << says;
    }
    // The flagged trace, accepted as it is.
    const ProcessResult accepted =
        runProcess(cli, {"tune", data, "--quiet", "--trace", flagged, "--period", "41",
                         "--accept-flags", "-o", dir / "out.tsv"});
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_TRUE(std::ifstream(dir / "out.tsv").good());
}

} // namespace
