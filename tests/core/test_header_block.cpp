#include "core/results/HeaderBlock.h"

#include <gtest/gtest.h>

// The block's lines in their order: the program, the record, then the file's own lines.
TEST(HeaderBlock, WritesTheRecordThenTheFilesOwnLines) {
    analysis::Provenance p;
    p.input = "in.txt";
    p.column = 2;
    p.columnName = "etp";
    p.samples = 3;
    p.deltat = 0.009999999999999787;
    p.spacingNote = "uneven";
    const std::string t =
        results::HeaderBlock("test").source(p).reading(p, true).line("rho", "0.5").note("n").text();
    EXPECT_EQ(t, "# Tonalith " + std::string(results::programVersion()) +
                     ": test\n# input: in.txt\n# column: 2 (etp)\n# header lines skipped: 1\n"
                     "# samples: 3\n# sample spacing: 0.01 (position units; uneven)\n"
                     "# interpolation: none\n# preparation: none\n# rho: 0.5\n# n\n");
    EXPECT_NE(results::HeaderBlock("test").reading(p, false).text().find(
                  "# sample spacing: 0.01 (position units)\n"),
              std::string::npos);
}
