// Reading series files: line and field splitting, numbers in the C locale whatever the
// process locale, column titles, skipping, and the files users actually have.
#include "core/series/SeriesFile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

using namespace series;

namespace {

class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        char tmpl[] = "/tmp/tonalith-series-XXXXXX";
        const int fd = ::mkstemp(tmpl);
        path_ = tmpl;
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            std::abort();
        ::close(fd);
    }
    ~TempFile() { ::unlink(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::string> strings(const std::vector<std::string_view>& v) {
    return {v.begin(), v.end()};
}

TEST(SeriesFields, TabsSeparateAndBlanksAreTrimmed) {
    EXPECT_EQ(strings(splitFields("1.0\t\t3.5")), (std::vector<std::string>{"1.0", "3.5"}));
    EXPECT_EQ(strings(splitFields("  12.5\t 0.25 ")), (std::vector<std::string>{"12.5", "0.25"}));
    EXPECT_EQ(strings(splitFields("1 2\t3")),
              (std::vector<std::string>{"1 2", "3"})); // blanks do not separate
    EXPECT_EQ(strings(splitFields("\xC2\xA0"
                                  "5\t6\xE2\x80\x89")),
              (std::vector<std::string>{"5", "6"}));
    EXPECT_EQ(strings(splitFields("\xE3\x80\x80x\t\xE2\x80\xAFy")),
              (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(splitFields("").empty());
    EXPECT_TRUE(splitFields(" \t \t").empty());
}

TEST(SeriesFields, LinesSplitAtLineFeedsAndLoseTheirCarriageReturn) {
    EXPECT_EQ(strings(splitLines("a\nb\n")), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(strings(splitLines("a\r\nb\r\n")), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(strings(splitLines("a\rb")),
              (std::vector<std::string>{"a\rb"})); // a lone CR is not a line end
}

TEST(SeriesNumbers, CLocaleStrtodOnTheWholeField) {
    struct Case {
        const char* text;
        bool number;
        double value;
    };
    const Case cases[] = {
        {"1.5", true, 1.5},  {"-2e3", true, -2000}, {"+.5", true, 0.5}, {"0x1p3", true, 8},
        {"1,5", false, 0},   {"3 m", false, 0},     {"", false, 0},     {"-", false, 0},
        {"1.5.2", false, 0}, {"abc", false, 0},     {"1e", false, 0},
    };
    for (const Case& c : cases) {
        const auto v = parseNumber(c.text);
        EXPECT_EQ(v.has_value(), c.number) << c.text;
        if (c.number && v) {
            EXPECT_EQ(*v, c.value) << c.text;
        }
    }
    EXPECT_TRUE(std::isinf(*parseNumber("inf")));
    EXPECT_TRUE(std::isnan(*parseNumber("NaN")));
}

// The application runs under the user's locale; a German one reads "1,5" as a number and
// stops at "1.5" in strtod. The reader must not care.
TEST(SeriesNumbers, IndependentOfTheProcessLocale) {
    char dir[] = "/tmp/tonalith-locale-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string cmd =
        std::string("localedef -i de_DE -f UTF-8 ") + dir + "/de_DE.UTF-8 2>/dev/null";
    if (std::system(cmd.c_str()) != 0)
        GTEST_SKIP() << "localedef could not build de_DE.UTF-8 here";
    ::setenv("LOCPATH", dir, 1);
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(std::strtod("1,5", nullptr), 1.5) << "the German locale is in effect";
    EXPECT_EQ(*parseNumber("1.5"), 1.5);
    EXPECT_FALSE(parseNumber("1,5").has_value());
    const TempFile f("x\ty\n0\t2.25\n1\t-1.5e-3\n");
    const auto s = loadSeries(f.path(), 1, 1);
    std::setlocale(LC_ALL, "C");
    std::system((std::string("rm -rf ") + dir).c_str());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->yval, (std::vector<double>{2.25, -1.5e-3}));
}

TEST(SeriesTitles, HeaderNamesOrColumnNumbers) {
    EXPECT_EQ(columnTitles("depth\td18O\tcarbonate", true),
              (std::vector<std::string>{"d18O", "carbonate"}));
    EXPECT_EQ(columnTitles("depth\td18O\tcarbonate", false),
              (std::vector<std::string>{"Column 2", "Column 3"}));
    EXPECT_EQ(columnTitles("age;d18O", true), (std::vector<std::string>{"d18O"}));
    EXPECT_TRUE(columnTitles("only", true).empty());
}

TEST(SeriesLoad, ColumnsSkipsAndInvalidLines) {
    const TempFile f("depth\td18O\tcarbonate\n"
                     "1.0\t\t3.5\n" // a missing field shifts the rest left
                     "  12.5\t 0.25 \t7\n"
                     "# a comment\n"
                     "\n"
                     "13.5\tn/a\t8\n" // not a number: dropped
                     "14.5\t0.5\t9\n");
    const auto values = loadSeries(f.path(), 1, 1);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->xpos, (std::vector<double>{1.0, 12.5, 14.5}));
    EXPECT_EQ(values->yval, (std::vector<double>{3.5, 0.25, 0.5}));
    EXPECT_EQ(values->lines, (std::vector<int>{2, 3, 7}));
    // The line without a number is named; the comment and the blank line are no data lines.
    ASSERT_EQ(values->dropped.size(), 1u);
    EXPECT_EQ(values->dropped[0].line, 6);
    EXPECT_EQ(values->dropped[0].text, "n/a");

    const auto third = loadSeries(f.path(), 1, 2); // entry 1 of the pop-up
    ASSERT_TRUE(third);
    EXPECT_EQ(third->yval, (std::vector<double>{7, 8, 9}));
    ASSERT_EQ(third->dropped.size(), 1u); // its second field moved left: no third one
    EXPECT_EQ(third->dropped[0].line, 2);
    EXPECT_EQ(third->dropped[0].text, "1.0\t\t3.5 (no field 2)");

    // Without skipping, the header line is read as data and dropped, silently: it names the
    // columns.
    const auto noSkip = loadSeries(f.path(), 0, 1);
    ASSERT_TRUE(noSkip);
    EXPECT_EQ(noSkip->xpos, values->xpos);
    EXPECT_EQ(noSkip->dropped.size(), 1u);

    // Column 0: the positions themselves.
    EXPECT_EQ(loadSeries(f.path(), 1, 0)->yval, (std::vector<double>{1.0, 12.5, 13.5, 14.5}));
}

TEST(SeriesLoad, DroppedLinesAreCountedAndTheFirstNamed) {
    std::string text = "# a result file's block\n# more\nage\tgrey\n";
    for (int i = 0; i < 10; ++i)
        text += std::to_string(i) + (i % 3 == 1 ? "\t0.5x\n" : "\t0.5\n");
    text += "end of core and a note longer than any number\n";
    const auto s = parseSeries(text, 1, 1);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->xpos.size(), 7u);
    // Lines 5, 8 and 11 hold 0.5x; the titles after the '#' block are no data line.
    EXPECT_EQ(droppedLinesText(s->dropped), "4 (5: 0.5x, 8: 0.5x, 11: 0.5x, ...)");
    EXPECT_EQ(s->dropped.back().line, 14);
    EXPECT_EQ(s->dropped.back().text, "end of core and a note l... (no field 1)");
    EXPECT_EQ(droppedLinesText({}), "");
}

TEST(SeriesLoad, NothingLeftAfterSkippingGivesNoSeries) {
    const TempFile f("h\n1\t2\n2\t3\n"); // three lines: the last one empty
    EXPECT_TRUE(loadSeries(f.path(), 2, 1));
    EXPECT_EQ(loadSeries(f.path(), 2, 1)->yval.size(), 1u);
    EXPECT_TRUE(loadSeries(f.path(), 3, 1));
    EXPECT_TRUE(loadSeries(f.path(), 3, 1)->yval.empty());
    std::string why;
    EXPECT_FALSE(loadSeries(f.path(), 4, 1, &why));
    EXPECT_NE(why.find("no line is left"), std::string::npos);
}

TEST(SeriesLoad, NegativeSkipIsRefusedWithAReason) {
    const TempFile f("1\t2\n");
    std::string why;
    EXPECT_FALSE(loadSeries(f.path(), -1, 1, &why));
    EXPECT_NE(why.find("negative"), std::string::npos);
}

TEST(SeriesLoad, FilesUsersHave) {
    const TempFile windows("x\ty\r\n1\t2.5\r\n2\t3.5\r\n");
    EXPECT_EQ(loadSeries(windows.path(), 1, 1)->yval, (std::vector<double>{2.5, 3.5}));

    const TempFile bom("\xEF\xBB\xBF"
                       "1\t2\n2\t3\n");
    EXPECT_EQ(loadSeries(bom.path(), 0, 1)->xpos, (std::vector<double>{1, 2}));

    const std::string utf16le("\xFF\xFE"
                              "1\0\t\0"
                              "2\0\n\0"
                              "3\0\t\0"
                              "4\0\n\0",
                              18);
    const TempFile wide(utf16le);
    EXPECT_EQ(loadSeries(wide.path(), 0, 1)->yval, (std::vector<double>{2, 4}));

    const TempFile latin1("Tiefe\tTemperatur \xB0"
                          "C\n1\t2\n");
    const auto text = readText(latin1.path());
    ASSERT_TRUE(text);
    EXPECT_EQ(columnTitles(splitLines(*text)[0], true),
              (std::vector<std::string>{"Temperatur \xC2\xB0"
                                        "C"}));

    // Spreadsheets' comma- and semicolon-separated files, with a decimal point, are read;
    // decimal commas are not, whatever separates the fields.
    const TempFile commas("x,y\n1,2.5\n2,3\n");
    EXPECT_EQ(loadSeries(commas.path(), 1, 1)->yval, (std::vector<double>{2.5, 3}));
    const TempFile semicolons("x;y\n1;2.5\n2;3\n");
    EXPECT_EQ(loadSeries(semicolons.path(), 1, 1)->yval, (std::vector<double>{2.5, 3}));
    for (const char* text : {"x\ty\n1\t2,5\n2\t3,5\n", "x;y\n1;2,5\n2;3,5\n"}) {
        const TempFile decimalCommas(text);
        EXPECT_TRUE(loadSeries(decimalCommas.path(), 1, 1)->xpos.empty()) << text;
        EXPECT_NE(explainEmptySeries(text, 1, 1).find("decimal comma"), std::string::npos);
    }
}

TEST(SeriesLoad, UnreadableInputsGiveNoSeriesAndAReason) {
    std::string why;
    EXPECT_FALSE(loadSeries("/nonexistent/file.txt", 0, 1, &why));
    EXPECT_NE(why.find("No such file"), std::string::npos);
    EXPECT_FALSE(loadSeries("/tmp", 0, 1, &why));
    EXPECT_NE(why.find("folder"), std::string::npos);
    const TempFile binary(std::string("1\t2\n\0\0\x01\x02", 8));
    EXPECT_FALSE(loadSeries(binary.path(), 0, 1, &why));
    EXPECT_NE(why.find("NUL"), std::string::npos);
}

} // namespace

namespace {

TEST(SeriesResampling, LinearAtEvenSpacingFromTheFirstPosition) {
    Series s;
    s.xpos = {0, 1, 2, 3.5, 4, 5};
    s.yval = {0, 1, 4, 12.25, 16, 25}; // x^2 at the samples
    s.lines = {2, 3, 4, 5, 6, 7};
    EXPECT_EQ(medianSpacing(s), 1.0); // spacings 1, 1, 1.5, 0.5, 1
    const Series even = *resampleEvenly(s, 1.0, 100);
    EXPECT_EQ(even.xpos, (std::vector<double>{0, 1, 2, 3, 4, 5}));
    // x = 3 lies between (2, 4) and (3.5, 12.25): 4 + (1 / 1.5) * 8.25 = 9.5
    EXPECT_DOUBLE_EQ(even.yval[3], 9.5);
    EXPECT_EQ(even.yval[4], 16.0);
    EXPECT_EQ(even.yval[5], 25.0);
    EXPECT_EQ(even.lines[3], 4); // the sample at or before it
    const Series half = *resampleEvenly(s, 0.5, 100);
    EXPECT_FALSE(resampleEvenly(s, 1e-9, 100)); // 5e9 samples: refused before anything is allocated
    EXPECT_EQ(resampledCount(s, 1e-9), 5e9 + 1);
    EXPECT_EQ(half.xpos.size(), 11u);
    EXPECT_DOUBLE_EQ(half.yval[1], 0.5);
    Series pair;
    pair.xpos = {0, 2};
    pair.yval = {1, 3};
    pair.lines = {1, 2};
    EXPECT_EQ(medianSpacing(pair), 2.0);
}

TEST(SeriesTitles, ResultFilesNameTheirColumnsAfterTheCommentBlock) {
    const auto lines =
        splitLines("# Tonalith\n# input: x\nx_centre\tfrequency\tamplitude\n1\t2\t3\n");
    EXPECT_EQ(titleLine(lines), "x_centre\tfrequency\tamplitude");
    const auto commented = splitLines("# depth\tvalue\n1\t2\n");
    EXPECT_EQ(titleLine(commented),
              "# depth\tvalue"); // a commented header names the columns itself
    EXPECT_EQ(titleLine(splitLines("depth\tvalue\n1\t2\n")), "depth\tvalue");
}

} // namespace
