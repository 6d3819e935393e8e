// Result files read back as tables (the R package's reader), and the folders the front ends
// write the engine's records into.
#include "core/io/Folders.h"
#include "core/results/ResultFiles.h"
#include "core/results/ResultTables.h"
#include "core/series/SeriesFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

TEST(ResultTables, TheWritersRowsReadBackToTheSameDoubles) {
    results::ResultSet r;
    r.windows = 1;
    r.bins = 4;
    r.xcent = {0.1, 0.1, 0.1, 0.1};
    r.freq = {0, 1.0 / 3, 2.0 / 3, 1};
    r.ampl = {5e-324, 1e300, -0.0, std::nextafter(1.0, 2.0)};
    r.prob = {1e37, 0.95, 1 - 1e-16, 0.123456789012345678};
    std::string text = results::headerBlock(r.provenance, "result rows").text() +
                       results::rowTitles(results::Separator::Tab);
    for (std::size_t i = 0; i < 4; ++i)
        results::appendRow(text, r, i, results::Separator::Tab);
    std::string why;
    const auto read = results::readResultTables(text, &why);
    ASSERT_TRUE(read) << why;
    EXPECT_EQ(read->header.front().rfind("# Tonalith ", 0), 0u);
    ASSERT_EQ(read->tables.size(), 1u);
    const results::TextTable& t = read->tables[0];
    EXPECT_EQ(t.titles,
              (std::vector<std::string>{"x_centre", "frequency", "amplitude", "probability"}));
    const std::vector<double>* written[] = {&r.xcent, &r.freq, &r.ampl, &r.prob};
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t i = 0; i < 4; ++i) {
            const auto x = series::parseNumber(t.columns[c][i]);
            ASSERT_TRUE(x) << t.columns[c][i];
            const double w = (*written[c])[i];
            EXPECT_EQ(std::memcmp(&*x, &w, sizeof w), 0) << t.titles[c] << " row " << i;
        }
}

TEST(ResultTables, BlankLinesPartTablesAndARaggedRowIsRefused) {
    std::string why;
    const auto two =
        results::readResultTables("k\tlambda\n1\t0.9\n2\t0.8\n\nn\tt1\tt2\n1\ta\tb\n", &why);
    ASSERT_TRUE(two) << why;
    EXPECT_TRUE(two->header.empty());
    ASSERT_EQ(two->tables.size(), 2u);
    EXPECT_EQ(two->tables[0].columns[1], (std::vector<std::string>{"0.9", "0.8"}));
    EXPECT_EQ(two->tables[1].titles.size(), 3u);
    EXPECT_EQ(two->tables[1].columns[2], std::vector<std::string>{"b"});
    EXPECT_FALSE(results::readResultTables("# block\na\tb\n1\t2\n3\n", &why));
    EXPECT_EQ(why, "line 4 has 1 fields, its titles 2");
}

TEST(Folders, MissingParentsAreMadeAndAFileOrMissingFolderIsRefused) {
    const std::filesystem::path base =
        std::filesystem::temp_directory_path() / ("tonalith-folders-" + std::to_string(::getpid()));
    std::filesystem::remove_all(base);
    const std::string nested = (base / "a" / "b").string();
    EXPECT_EQ(io::folderProblem(nested), "No such file or directory");
    EXPECT_EQ(io::ensureFolder(nested), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    const std::string file = (base / "file").string();
    std::ofstream(file) << "x";
    EXPECT_EQ(io::folderProblem(file), "not a folder");
    EXPECT_NE(io::ensureFolder(file + "/below"), std::nullopt);
    std::filesystem::remove_all(base);
}

TEST(Folders, TheCacheFolderFollowsTheXdgVariablesThenHome) {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const std::string kept = xdg ? xdg : "";
    ::setenv("XDG_CACHE_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(io::userCacheFolder("tonalith"), "/tmp/xdg/tonalith");
    ::setenv("XDG_CACHE_HOME", "relative", 1); // not absolute: ignored, as XDG base directories are
    ::setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/root", 1);
    EXPECT_EQ(io::userCacheFolder("tonalith"),
              std::string(std::getenv("HOME")) + "/.cache/tonalith");
    if (xdg)
        ::setenv("XDG_CACHE_HOME", kept.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}

} // namespace
