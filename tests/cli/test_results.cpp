// Results as numbers and figures from the command-line tool: grids that read back to the
// rows, the header block, maps drawn without a display, and the spectral lines of the sample.
#include "tests/support/RunProcess.h"

#include "core/series/SeriesFile.h"

#include <QCoreApplication>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

using namespace testing_support;

namespace {

const std::string cli = TONALITH_CLI;
const std::string sample = TONALITH_SAMPLE;

std::string readAll(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

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

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tonalith-results-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

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

    // Log power in greyscale: many shades, every one a grey.
    ASSERT_EQ(run({"--map", dir / "grey.png", "--size", "640x480", "--map-of", "logpower",
                   "--colours", "greyscale", "--reverse-x"})
                  .exitCode,
              0);
    QImage grey(QString::fromStdString(dir / "grey.png"));
    QSet<QRgb> shades;
    for (int y = 100; y < 380; y += 4)
        for (int x = 150; x < 500; x += 4)
            shades.insert(grey.pixel(x, y));
    EXPECT_GT(shades.size(), 20);
    for (QRgb c : shades)
        EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << std::hex << c;

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

} // namespace
