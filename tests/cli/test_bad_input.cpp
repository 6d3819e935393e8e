// What scientists feed the tool: each file of the bad-input corpus and each parameter of the
// matrix is either analysed correctly or refused with a message that names the problem, and
// none crashes; the input file is never changed.
#include "tests/support/RunProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace testing_support;

namespace {

const std::string cli = TONALITH_CLI;
const std::string corpus = TONALITH_BAD_INPUT;

struct Snapshot {
    std::string content;
    long mtime = 0;
    static Snapshot of(const std::string& path) {
        Snapshot s;
        std::ifstream in(path, std::ios::binary);
        std::ostringstream o;
        o << in.rdbuf();
        s.content = o.str();
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0)
            s.mtime = st.st_mtim.tv_sec * 1000000000L + st.st_mtim.tv_nsec;
        return s;
    }
    bool operator==(const Snapshot& o) const { return content == o.content && mtime == o.mtime; }
};

struct Case {
    const char* file;
    std::vector<std::string> args;
    int exitCode;
    const char* says; // on standard error; empty: nothing required
    int windows = 9;  // for an analysis: 600 samples give 9 windows of 400 in steps of 25
};

ProcessResult analyze(const std::string& path, std::vector<std::string> args) {
    args.insert(args.begin(), {"analyze", path, "--quiet"});
    return runProcess(cli, args);
}

std::string withoutComments(const std::string& out) {
    std::string kept;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.empty() || line[0] != '#')
            kept += line + "\n";
    return kept;
}

// Result rows: the lines after the '#' block and the header line.
int rowCount(const std::string& out) {
    int rows = 0;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        rows += !line.empty() && line[0] != '#';
    return rows - 1;
}

TEST(BadInputCorpus, EveryFileIsAnalysedOrRefusedByName) {
    const Case cases[] = {
        {"empty.txt", {}, 2, "no line is left after the 1 skipped header line"},
        {"header_only.txt", {}, 2, "there is no data line after the header"},
        {"binary_garbage.bin", {}, 2, "NUL bytes"},
        {"nul_bytes.txt", {}, 2, "NUL bytes"},
        {"utf16.txt", {}, 0, ""},
        {"latin1.txt",
         {"--column", "Temperatur (\xC2\xB0"
                      "C)"},
         0,
         ""},
        {"windows_line_ends.txt", {}, 0, ""},
        {"commas.csv", {}, 0, "", 9}, // comma-separated with a decimal point: read
        {"decimal_commas.txt", {}, 2, "decimal comma"},
        {"nan_value.txt", {}, 2, "line 102 holds the value nan"},
        {"inf_value.txt", {}, 2, "line 202 holds the value inf"},
        // Three lines without a value are dropped, which leaves gaps in the positions.
        {"dash_values.txt", {}, 2, "not evenly spaced (spacing from 1 to 3, median 1)"},
        {"short_for_header.txt",
         {"--skip", "10"},
         2,
         "no line is left after the 10 skipped header lines"},
        {"single_line.txt", {}, 2, "only one data line"},
        {"equal_positions.txt", {}, 2, "line 12 (position 9) does not follow line 11 (position 9)"},
        {"decreasing_positions.txt", {}, 2, "positions must increase, but line 3 (position 599)"},
        {"uneven_spacing.txt", {}, 2, "resample it with --interpolate 1 (the median spacing)"},
    };
    std::string plainRows;
    for (const Case& c : cases) {
        const std::string path = corpus + "/" + c.file;
        const Snapshot before = Snapshot::of(path);
        const ProcessResult r = analyze(path, c.args);
        EXPECT_EQ(r.signal, 0) << c.file << " crashed";
        EXPECT_EQ(r.exitCode, c.exitCode) << c.file << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.file << ": " << r.err;
        if (c.exitCode == 0)
            EXPECT_EQ(rowCount(r.out), c.windows * 246) << c.file;
        else
            EXPECT_EQ(r.out, "") << c.file;
        EXPECT_TRUE(Snapshot::of(path) == before) << c.file << " was changed";
        if (std::string(c.file) == "windows_line_ends.txt")
            plainRows = r.out;
        if (std::string(c.file) == "utf16.txt") {
            const ProcessResult same = analyze(corpus + "/windows_line_ends.txt", {});
            EXPECT_TRUE(withoutComments(r.out) == withoutComments(same.out))
                << "UTF-16 text reads as the same series";
        }
    }
    EXPECT_FALSE(plainRows.empty());
}

TEST(BadInputCorpus, HugeLineAndOverCapacity) {
    char dir[] = "/tmp/tonalith-bad-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string line = std::string(dir) + "/line.txt";
    {
        std::ofstream out(line);
        for (int i = 0; i < 2'000'000 && out.tellp() < 10'000'000; ++i)
            out << i << '\t';
        out << '\n';
    }
    const ProcessResult one = analyze(line, {"--skip", "0"});
    EXPECT_EQ(one.exitCode, 2) << one.err;
    EXPECT_NE(one.err.find("only one data line"), std::string::npos) << one.err;

    const std::string many = std::string(dir) + "/many.txt";
    {
        std::ofstream out(many);
        out << "x\ty\n";
        for (int i = 0; i < 600000; ++i)
            out << i << '\t' << (i % 17) * 0.5 << '\n';
    }
    const ProcessResult over = analyze(many, {});
    EXPECT_EQ(over.exitCode, 2);
    EXPECT_NE(over.err.find("600000 samples; at most 524288"), std::string::npos) << over.err;

    const ProcessResult folder = analyze(dir, {});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_NE(folder.err.find("it is a folder"), std::string::npos);
    std::system((std::string("rm -rf ") + dir).c_str());
}

TEST(BadInputCorpus, FileWithoutReadPermission) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, which reads any file: the case cannot arise here";
    char path[] = "/tmp/tonalith-locked-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "x\ty\n1\t2\n2\t3\n", 12), 12);
    ::close(fd);
    ::chmod(path, 0);
    const ProcessResult r = analyze(path, {});
    ::unlink(path);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
}

struct ParameterCase {
    std::vector<std::string> args;
    int exitCode;
    const char* says; // for a refusal: the option named; for an analysis: empty
    int rows;         // rows expected from an analysis
};

TEST(ParameterMatrix, EachIsRefusedByNameOrAnalysed) {
    const std::string data = corpus + "/windows_line_ends.txt"; // 600 evenly spaced samples
    const ParameterCase cases[] = {
        {{"--window", "1"}, 2, "--window", 0},
        {{"--window", "2"}, 2, "--tapers", 0}, // 4 tapers do not fit 2 samples
        {{"--window", "2", "--tapers", "1", "--tbw", "0.9", "--nfft", "2", "--fmax", "0.5"},
         0,
         "",
         24 * 2},
        {{"--window", "600", "--step", "1"}, 0, "", 246},
        {{"--window", "601"}, 2, "--window: window length 601 exceeds the 600 samples", 0},
        {{"--step", "0"}, 2, "--step: window step 0", 0},
        {{"--step", "-5"}, 2, "--step: window step -5", 0},
        {{"--nfft", "399"},
         2,
         "--nfft: transform length 399 is shorter than the window length 400",
         0},
        {{"--nfft", "1"}, 2, "--nfft", 0},
        {{"--nfft", "1048576", "--step", "200"}, 0, "", 2 * 62915},
        {{"--nfft", "1048577"},
         2,
         "--nfft: transform length 1048577 exceeds the maximum 1048576",
         0},
        {{"--tapers", "0"}, 2, "--tapers: number of tapers 0", 0},
        {{"--tapers", "1"}, 0, "", 9 * 246},
        {{"--tapers", "10", "--tbw", "5"}, 0, "", 9 * 246},
        {{"--tapers", "11"}, 2, "--tapers: number of tapers 11", 0},
        {{"--tbw", "0"}, 2, "--tbw", 0},
        {{"--tbw", "-2"}, 2, "--tbw", 0},
        {{"--tbw", "200"}, 2, "--tbw: time-bandwidth product 200 gives a half-bandwidth of 0.5", 0},
        {{"--tbw", "nan"}, 2, "--tbw: time-bandwidth product nan is not a number", 0},
        {{"--fmax", "-0.1"}, 2, "--fmax: highest frequency -0.1 keeps no frequency", 0},
        {{"--fmax", "0"}, 2, "--fmax: highest frequency 0 keeps no frequency above 0", 0},
        {{"--fmax", "0.5"}, 0, "", 9 * 2049},
        {{"--fmax", "0.7"}, 0, "", 9 * 2049},
        {{"--fmax", "nan"}, 2, "--fmax: highest frequency nan is not a number", 0},
        {{"--step", "1", "--window", "4", "--tapers", "2", "--tbw", "1", "--nfft", "1048576",
          "--fmax", "0.5"},
         2,
         "--step: the settings give 597 windows x 524289 frequencies",
         0},
    };
    for (const ParameterCase& c : cases) {
        std::string label;
        for (const auto& a : c.args)
            label += a + " ";
        const ProcessResult r = analyze(data, c.args);
        EXPECT_EQ(r.signal, 0) << label << "crashed";
        EXPECT_EQ(r.exitCode, c.exitCode) << label << ": " << r.err;
        if (c.exitCode == 2) {
            EXPECT_NE(r.err.find(c.says), std::string::npos) << label << ": " << r.err;
        } else {
            EXPECT_EQ(rowCount(r.out), c.rows) << label;
        }
    }
}

} // namespace
