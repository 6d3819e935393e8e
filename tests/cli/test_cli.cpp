// tonalith-cli end to end: the real binary on temporary files, its output, messages and exit
// codes, and that a failure never leaves a partial result file.
#include "core/text/NumberText.h"
#include "tests/support/RunProcess.h"
#include "tests/support/TempDir.h"

#include "core/analysis/RunParameters.h"
#include "core/series/SeriesFile.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace testing_support;

namespace {

const std::string cli = TONALITH_CLI;
const std::string sample = TONALITH_SAMPLE;

bool exists(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0;
}

std::vector<std::vector<double>> parseRows(const std::string& text, std::string* header) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(text);
    std::string line;
    do
        std::getline(in, *header); // after the '#' block
    while (!header->empty() && (*header)[0] == '#');
    while (std::getline(in, line)) {
        std::vector<double> row;
        for (const auto f : series::splitFields(line))
            row.push_back(*series::parseNumber(f));
        rows.push_back(row);
    }
    return rows;
}

ProcessResult analyze(std::vector<std::string> args) {
    args.insert(args.begin(), "analyze");
    return runProcess(cli, args);
}

// The rows read back to exactly the doubles the engine computes.
TEST(CliAnalyze, SampleRowsReadBackToTheEngineResult) {
    TempDir dir;
    const ProcessResult r = runProcess(cli, {"analyze", sample, "--column", "etp"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string header;
    const auto rows = parseRows(r.out, &header);
    EXPECT_EQ(header, "x_centre\tfrequency\tamplitude\tprobability");
    ASSERT_EQ(rows.size(), 65u * 246u);

    const auto s = series::loadSeries(sample, 1, 1);
    std::vector<double> xc(rows.size()), f(rows.size()), a(rows.size()), p(rows.size());
    std::FILE* quiet = std::fopen("/dev/null", "w");
    engine::setDiagnosticStream(quiet);
    ASSERT_EQ(engine::mwc2(xc.data(), f.data(), a.data(), p.data(), s->xpos.data(), 3, 0.06, 1,
                           s->yval.data(), 1, 2001, 4, 400, 25, 4096, 95, nullptr, nullptr),
              0);
    engine::setDiagnosticStream(nullptr);
    std::fclose(quiet);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i], (std::vector<double>{xc[i], f[i], a[i], p[i]})) << "row " << i;
    }
    // Diagnostics and the summary go to standard error, not among the rows.
    EXPECT_NE(r.err.find(" Inside mwc2!"), std::string::npos);
    EXPECT_NE(r.err.find("2001 samples, spacing 1, 65 windows x 246 frequency rows"),
              std::string::npos);
}

TEST(CliAnalyze, ColumnByNumberOrNameAndQuietOutputFile) {
    TempDir dir;
    const std::string out = dir.path("rows.tsv");
    const ProcessResult byName =
        runProcess(cli, {"analyze", sample, "--column", "obliquity_deg", "-o", out, "--quiet"});
    ASSERT_EQ(byName.exitCode, 0) << byName.err;
    EXPECT_EQ(byName.out, "");
    EXPECT_EQ(byName.err, "");
    const ProcessResult byNumber = runProcess(cli, {"analyze", sample, "--column", "3", "--quiet"});
    ASSERT_EQ(byNumber.exitCode, 0);
    EXPECT_EQ(readAll(out), byNumber.out);
    // Parameters change the shape of the result.
    const ProcessResult small =
        runProcess(cli, {"analyze", sample, "--window", "200", "--step", "100", "--nfft", "512",
                         "--fmax", "0.1", "--tapers", "2", "--tbw", "2", "--quiet"});
    ASSERT_EQ(small.exitCode, 0) << small.err;
    std::string header;
    EXPECT_EQ(parseRows(small.out, &header).size(),
              19u * 52u); // (2001-200)/100+1 windows, 0.1*512+1 bins
}

struct FailureCase {
    const char* what;
    std::vector<std::string> args; // after "analyze FILE"
    std::string content;           // the data file
    int exitCode;
    const char* says;
};

TEST(CliAnalyze, BadInputIsRefusedWithAMessageAndNoFile) {
    std::string good = "position\tvalue\n";
    for (int i = 0; i < 500; ++i)
        good += std::to_string(i) + "\t" + std::to_string(std::sin(i * 0.3)) + "\n";
    std::string nonFinite = good;
    nonFinite.replace(nonFinite.find("\n10\t") + 1, 0, "9.5\tnan\n");
    const FailureCase cases[] = {
        {"no data lines", {}, "position\tvalue\n# nothing\n", 2, "no line has a field 1"},
        {"unknown column",
         {"--column", "temperature"},
         good,
         2,
         "'temperature' is not a column name"},
        {"column out of range", {"--column", "5"}, good, 2, "no line has a field 5"},
        {"column 0", {"--column", "0"}, good, 2, "field 0 holds the positions"},
        {"non-numeric option",
         {"--window", "abc"},
         good,
         2,
         "--window: 'abc' is not a whole number"},
        {"non-numeric real", {"--fmax", "0,1"}, good, 2, "--fmax: '0,1' is not a number"},
        {"missing value", {"--tbw"}, good, 2, "--tbw needs a value"},
        {"unknown option", {"--frobnicate"}, good, 2, "unknown option '--frobnicate'"},
        {"window too long",
         {"--window", "600"},
         good,
         2,
         "--window: window length 600 exceeds the 500 samples"},
        {"nfft below window",
         {"--nfft", "300"},
         good,
         2,
         "--nfft: transform length 300 is shorter"},
        {"too many tapers", {"--tapers", "11"}, good, 2, "--tapers: number of tapers 11"},
        {"tbw too large", {"--tbw", "200"}, good, 2, "--tbw: time-bandwidth product 200"},
        {"negative skip", {"--skip", "-1"}, good, 2, "--skip -1"},
        {"non-finite value", {}, nonFinite, 2, "line 12 holds the value nan"},
        {"values too large",
         {"--map", "m.png"},
         "x\ty\n0\t1\n1\t1e307\n2\t3\n",
         2,
         "line 3 holds the value 1e307, too large to analyse"},
        {"decreasing positions",
         {},
         "x\ty\n0\t1\n2\t2\n1\t3\n",
         2,
         "line 4 (position 1) does not follow line 3"},
        {"log of a value at or below 0",
         {"--log"},
         good,
         2,
         "line 2 holds the value 0, which has no logarithm"},
        {"polynomial of degree 0", {"--detrend", "poly:0"}, good, 2, "--detrend: "},
        {"polynomial of degree 7", {"--detrend", "poly:7"}, good, 2, "--detrend: "},
        {"LOWESS span 0", {"--detrend", "lowess:0"}, good, 2, "--detrend: "},
        {"LOWESS span above 1", {"--detrend", "lowess:1.5"}, good, 2, "--detrend: "},
        {"unknown trend", {"--detrend", "cubic"}, good, 2, "--detrend: "},
        {"unknown map variant", {"--map", "m.png", "--map-of", "phase"}, good, 2, "--map-of: "},
        {"mask level 0", {"--map", "m.png", "--mask", "0"}, good, 2, "--mask: "},
        {"unknown colours", {"--map", "m.png", "--colours", "jet"}, good, 2, "--colours: "},
        {"map shape without a map", {"--reverse-x"}, good, 2, "give --map FILE too"},
        {"window twice", {"--window-length", "40", "--window", "40"}, good, 2, "give one"},
        {"step twice", {"--step-length", "4", "--step", "4"}, good, 2, "give one"},
        {"fmax twice", {"--fmax-unit", "0.1", "--fmax", "0.1"}, good, 2, "give one"},
        {"negative length", {"--window-length", "-3"}, good, 2, "--window-length: -3"},
        {"missing records folder", {"--records", "/nonexistent"}, good, 2, "--records "},
    };
    for (const FailureCase& c : cases) {
        TempDir dir;
        const std::string data = dir.file("data.txt", c.content);
        const std::string out = dir.path("out.tsv");
        std::vector<std::string> args = {"analyze", data};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (std::string(c.what) != "missing value") {
            args.push_back("-o");
            args.push_back(out);
        }
        const ProcessResult r = runProcess(cli, args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(r.err.rfind("tonalith-cli: ", 0), 0u) << c.what;
        EXPECT_EQ(r.out, "") << c.what;
        EXPECT_FALSE(exists(out)) << c.what << ": no partial output";
    }
}

// A file prepared beforehand and analysed as it is gives the rows of the same preparation asked
// of the tool, and the header block records the steps.
TEST(CliAnalyze, PreparationEqualsTheSameStepsDoneBeforehand) {
    TempDir dir;
    std::string raw = "depth\tvalue\n";
    for (int i = 0; i < 600; ++i)
        raw += std::to_string(i) + "\t" + std::to_string(5 + 0.01 * i + std::sin(i * 0.4)) + "\n";
    const std::string data = dir.file("raw.txt", raw);
    const ProcessResult asked = runProcess(
        cli, {"analyze", data, "--log", "--detrend", "linear", "--standardise", "--quiet"});
    ASSERT_EQ(asked.exitCode, 0) << asked.err;
    EXPECT_NE(asked.out.find("# preparation: log, then linear trend removed, then standardised"),
              std::string::npos);

    // The same steps written out independently: log, least-squares line, then z-scores.
    const int n = 600;
    std::vector<double> y(n);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        y[i] = std::log(std::stod(std::to_string(5 + 0.01 * i + std::sin(i * 0.4))));
        sx += i, sy += y[i], sxx += 1.0 * i * i, sxy += i * y[i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double icept = (sy - slope * sx) / n;
    double mean = 0, ss = 0;
    for (int i = 0; i < n; ++i)
        mean += (y[i] -= icept + slope * i) / n;
    for (int i = 0; i < n; ++i)
        ss += (y[i] - mean) * (y[i] - mean);
    std::string prepared = "depth\tvalue\n";
    char line[64];
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "%d\t%.17g\n", i, (y[i] - mean) / std::sqrt(ss / (n - 1)));
        prepared += line;
    }
    const ProcessResult done =
        runProcess(cli, {"analyze", dir.file("prepared.txt", prepared), "--keep-mean", "--quiet"});
    ASSERT_EQ(done.exitCode, 0) << done.err;
    const auto rows = [](const std::string& text) {
        std::vector<double> v;
        std::istringstream in(text.substr(text.find("probability\n") + 12));
        for (double x; in >> x;)
            v.push_back(x);
        return v;
    };
    const std::vector<double> a = rows(asked.out), b = rows(done.out);
    ASSERT_EQ(a.size(), b.size());
    // Amplitudes agree to rounding of the independent preparation (values of order 1).
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i], b[i], 1e-9 * (1 + std::fabs(a[i]))) << "value " << i;
}

// A linear trend plus a sine: removing the line leaves exactly what it leaves of the sine alone
// (the trend is gone to rounding), takes the zero-frequency amplitude down by orders of
// magnitude, and keeps the sine's amplitude as it is without any trend.
TEST(CliAnalyze, LinearDetrendingRemovesTheTrendAndKeepsTheSine) {
    TempDir dir;
    const auto file = [&](const char* name, double slope) {
        std::string text = "t\tv\n";
        char line[64];
        for (int i = 0; i < 1024; ++i) {
            std::snprintf(line, sizeof line, "%d\t%.17g\n", i,
                          slope * i + std::sin(2 * M_PI * i / 32.0));
            text += line;
        }
        return dir.file(name, text);
    };
    // Per row: frequency, amplitude (window-major, as written).
    const auto run = [&](const std::string& data, std::vector<std::string> extra) {
        std::vector<std::string> args = {"analyze", data,     "--window", "384",    "--step",
                                         "64",      "--fmax", "0.04",     "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProcessResult r = runProcess(cli, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::pair<double, double>> rows;
        std::istringstream in(r.out.substr(r.out.find("probability\n") + 12));
        for (double x, f, a, p; in >> x >> f >> a >> p;)
            rows.emplace_back(f, a);
        return rows;
    };
    const auto trended = run(file("trend.txt", 0.05), {});
    const auto detrended = run(file("trend.txt", 0.05), {"--detrend", "linear"});
    const auto sine = run(file("sine.txt", 0.0), {});
    const auto sineDetrended = run(file("sine.txt", 0.0), {"--detrend", "linear"});
    ASSERT_EQ(detrended.size(), sine.size());
    ASSERT_EQ(trended.size(), sine.size());
    double zeroBefore = 0, zeroAfter = 0;
    for (std::size_t i = 0; i < sine.size(); ++i) {
        EXPECT_NEAR(detrended[i].second, sineDetrended[i].second, 1e-9) << "row " << i;
        if (sine[i].first == 0.0) {
            zeroBefore = std::max(zeroBefore, trended[i].second);
            zeroAfter = std::max(zeroAfter, detrended[i].second);
        }
        if (std::fabs(sine[i].first - 1 / 32.0) < 1e-12) {
            EXPECT_NEAR(detrended[i].second, sine[i].second, 1e-3) << "row " << i;
        }
    }
    EXPECT_LT(zeroAfter, 1e-2 * zeroBefore);
}

// Settings in position units are those in samples at the spacing (0.5 here), the rounding
// recorded; the records go to the folder asked for.
TEST(CliAnalyze, SettingsInPositionUnitsAndTheRecordsFolder) {
    TempDir dir;
    std::string text = "depth\tv\n";
    for (int i = 0; i < 600; ++i)
        text += std::to_string(0.5 * i) + "\t" + std::to_string(std::sin(i * 0.3)) + "\n";
    const std::string data = dir.file("half.txt", text);
    ::mkdir(dir.path("records").c_str(), 0755);
    const ProcessResult units =
        analyze({data, "--quiet", "--window-length", "100.1", "--step-length", "12.4",
                 "--fmax-unit", "0.2", "--records", dir.path("records")});
    const ProcessResult samples =
        analyze({data, "--quiet", "--window", "200", "--step", "25", "--fmax", "0.1"});
    ASSERT_EQ(units.exitCode, 0) << units.err;
    std::string h1, h2;
    EXPECT_EQ(parseRows(units.out, &h1), parseRows(samples.out, &h2));
    EXPECT_NE(units.out.find("# given in position units: window 100.1 = 200 samples, step 12.4 = "
                             "25 samples, highest frequency 0.2 cycles per unit = 0.1 cycles per "
                             "sample (spacing 0.5)"),
              std::string::npos);
    EXPECT_TRUE(exists(dir.path("records/fort.17")));
}

TEST(CliAnalyze, UnreadableFileAndFolder) {
    const ProcessResult missing = analyze({"/nonexistent/data.txt"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("cannot read /nonexistent/data.txt: No such file or directory"),
              std::string::npos);
    const ProcessResult folder = analyze({"/tmp"});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_NE(folder.err.find("folder"), std::string::npos);
}

TEST(CliAnalyze, UnevenSpacingIsRefusedWithTheRemedy) {
    TempDir dir;
    std::string text = "x\ty\n";
    for (int i = 0; i < 500; ++i)
        text += std::to_string(i + (i > 250 ? 0.5 : 0.0)) + "\t" +
                std::to_string(std::cos(i * 0.2)) + "\n";
    const std::string data = dir.file("uneven.txt", text);
    // The astronomical test too: an uneven record would be tested on a wrong time axis.
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"analyze"},
          {"peaks"},
          {"spectrum"},
          {"trace", "--start", "100:0.03"},
          {"filter", "--passband", "0.01:0.05"},
          {"timeopt", "--positions-in", "cm"},
          {"etimeopt", "--positions-in", "cm", "--window-length", "200", "--step-length", "50"}}) {
        std::vector<std::string> args = command;
        args.insert(args.end(), {data, "--quiet"});
        const ProcessResult r = runProcess(cli, args);
        EXPECT_EQ(r.exitCode, 2) << command[0];
        EXPECT_TRUE(r.out.empty()) << command[0];
        EXPECT_NE(r.err.find(data + ": the positions are not evenly spaced (spacing from 1 to "
                                    "1.5, median 1)"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("--interpolate 1 "), std::string::npos) << r.err;
    }
    // Resampled as asked, the test runs.
    const ProcessResult resampled =
        runProcess(cli, {"filter", data, "--quiet", "--passband", "0.01:0.05", "--interpolate"});
    EXPECT_EQ(resampled.exitCode, 0) << resampled.err;
}

TEST(CliAnalyze, InterpolateResamplesUnevenPositions) {
    TempDir dir;
    std::string text = "x\ty\n";
    for (int i = 0; i < 600; ++i)
        text +=
            std::to_string(i == 300 ? 300.5 : i) + "\t" + std::to_string(std::cos(i * 0.2)) + "\n";
    const std::string data = dir.file("uneven.txt", text);
    const ProcessResult r = analyze({data, "--interpolate", "-o", dir.path("rows.tsv")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("resampled at spacing 1 to 600 samples"), std::string::npos) << r.err;
    const std::string rows = readAll(dir.path("rows.tsv"));
    EXPECT_NE(
        rows.find(
            "# interpolation: linear, to even spacing 1 (the median spacing), from 600 unevenly"),
        std::string::npos);
    const ProcessResult step =
        analyze({data, "--interpolate", "0.5", "--quiet", "-o", dir.path("half.tsv")});
    EXPECT_EQ(step.exitCode, 0) << step.err;
    EXPECT_NE(readAll(dir.path("half.tsv")).find("# samples: 1199"), std::string::npos);
    EXPECT_EQ(analyze({data, "--interpolate", "-1"}).exitCode, 2);
    const ProcessResult tiny = analyze({data, "--interpolate", "1e-9"});
    EXPECT_EQ(tiny.exitCode, 2);
    EXPECT_NE(tiny.err.find("would give 599000000001 samples; at most 524288"), std::string::npos)
        << tiny.err;

    // Positions in metres summed in steps of about a centimetre: the header states the spacing
    // as a person reads it, the rows keep the exact positions of the resampled series.
    std::string metres = "depth_m\ty\n";
    double z = 0;
    for (int i = 0; i < 600; ++i, z += i % 3 ? 0.01 : 0.0100001)
        metres += text::exactNumber(z) + "\t" + std::to_string(std::cos(i * 0.2)) + "\n";
    const ProcessResult m = analyze(
        {dir.file("metres.txt", metres), "--interpolate", "--quiet", "-o", dir.path("metres.tsv")});
    EXPECT_EQ(m.exitCode, 0) << m.err;
    const std::string header = readAll(dir.path("metres.tsv"));
    EXPECT_NE(header.find("# sample spacing: 0.01 (position units)"), std::string::npos) << header;
    EXPECT_NE(header.find("to even spacing 0.01 (the median spacing)"), std::string::npos);
}

TEST(CliAnalyze, FailedWriteLeavesNoFileAndKeepsAnExistingOne) {
    TempDir dir;
    const std::string out = dir.file("result.tsv", "previous results\n");
    // A file size limit makes the write fail part way.
    const ProcessResult r = runProcess(cli, {"analyze", sample, "-o", out, "--quiet"}, [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("cannot write " + out), std::string::npos) << r.err;
    EXPECT_EQ(readAll(out), "previous results\n");
    const ProcessResult ls = runProcess("/bin/ls", {"-A", dir.dir()});
    EXPECT_EQ(ls.out, "result.tsv\n") << "no temporary file is left behind";
}

TEST(CliTapers, TableOfRatiosThenTapers) {
    const ProcessResult r =
        runProcess(cli, {"tapers", "--length", "64", "--tapers", "3", "--tbw", "2.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream in(r.out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "k\tlambda\tone_minus_lambda");
    double previous = 2;
    for (int k = 1; k <= 3; ++k) {
        std::getline(in, line);
        const auto f = series::splitFields(line);
        ASSERT_EQ(f.size(), 3u);
        EXPECT_EQ(f[0], std::to_string(k));
        const double lambda = *series::parseNumber(f[1]);
        EXPECT_LT(lambda, previous);
        EXPECT_NEAR(lambda + *series::parseNumber(f[2]), 1.0, 1e-15);
        previous = lambda;
    }
    std::getline(in, line);
    EXPECT_EQ(line, "");
    std::getline(in, line);
    EXPECT_EQ(line, "n\ttaper_1\ttaper_2\ttaper_3");
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> row;
        for (const auto f : series::splitFields(line))
            row.push_back(*series::parseNumber(f));
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 64u);
    double energy = 0;
    for (int n = 0; n < 64; ++n) {
        EXPECT_EQ(rows[n][0], n + 1);
        EXPECT_EQ(rows[n][1], rows[63 - n][1]);  // symmetric
        EXPECT_EQ(rows[n][2], -rows[63 - n][2]); // antisymmetric
        energy += rows[n][1] * rows[n][1];
    }
    EXPECT_NEAR(energy, 1.0, 1e-14);
}

TEST(CliTapers, BadArgumentsAreNamed) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"tapers", "--length", "1", "--tapers", "1", "--tbw", "1"}, "--length 1"},
        {{"tapers", "--length", "64", "--tapers", "12", "--tbw", "1"}, "--tapers 12"},
        {{"tapers", "--length", "64", "--tapers", "2", "--tbw", "40"}, "--tbw 40"},
        {{"tapers", "--length", "64", "--tapers", "2"}, "needs --length, --tapers and --tbw"},
    };
    for (const auto& [args, says] : cases) {
        const ProcessResult r = runProcess(cli, args);
        EXPECT_EQ(r.exitCode, 2) << says;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
}

TEST(CliHelp, DocumentsEveryOptionAndExitStatus) {
    const ProcessResult r = runProcess(cli, {"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* word :
         {"--column",     "--skip",          "--tbw",         "--tapers",    "--window",  "--step",
          "--nfft",       "--fmax",          "--keep-mean",   "--iprob",     "-o FILE",   "--quiet",
          "--length",     "--window-length", "--step-length", "--fmax-unit", "--records", "--fdr",
          "--background", "--plot",          "--version",     "Exit status"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_EQ(runProcess(cli, {}).exitCode, 2);
    EXPECT_EQ(runProcess(cli, {"frobnicate"}).exitCode, 2);
    EXPECT_EQ(runProcess(cli, {"analyze", "--help"}).exitCode, 0);
}

} // namespace
