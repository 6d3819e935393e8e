#include "core/text/NumberText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

// The exact form reads back to the same double, in as few characters as that takes.
TEST(NumberText, ExactReadsBackTheSameDouble) {
    for (double v : {0.1, 1.0 / 3.0, 1e-300, -2.5e17, 0.009999999999999787}) {
        const std::string t = text::exactNumber(v);
        EXPECT_EQ(std::strtod(t.c_str(), nullptr), v) << t;
    }
    EXPECT_EQ(text::exactNumber(0.1), "0.1");
    EXPECT_EQ(text::exactNumber(-std::numeric_limits<double>::infinity()), "-inf");
    std::string row = "x\t";
    text::appendExactNumber(row, 1e5);
    EXPECT_EQ(row, "x\t1e+05");
}

TEST(NumberText, InFullWritesWholeNumbersWithAllTheirDigits) {
    EXPECT_EQ(text::exactNumberInFull(100000), "100000");
    EXPECT_EQ(text::exactNumberInFull(-3), "-3");
    EXPECT_EQ(text::exactNumberInFull(0.25), "0.25");
}

// The display form drops floating-point noise and trailing zeros.
TEST(NumberText, DisplayRoundsToSignificantDigits) {
    EXPECT_EQ(text::displayNumber(0.009999999999990905), "0.01");
    EXPECT_EQ(text::displayNumber(155.99999999999818), "156");
    EXPECT_EQ(text::displayNumber(2.0 / 3.0), "0.666667");
    EXPECT_EQ(text::displayNumber(0.009999999999999787, 10), "0.01");
    EXPECT_EQ(text::displayNumber(-1e-20, 3), "-1e-20");
}
