#include "core/units/RecordUnits.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(RecordUnits, GuessesTheUnitAColumnTitleNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"depth_m", "m"},      {"Depth sed [m]", "m"}, {"age_ka", "ka"},    {"depth_rmcd", "m"},
        {"Age [ka BP]", "ka"}, {"depth (cm)", "cm"},   {"time_Myr", "Myr"}, {"depth", ""},
        {"age", ""},           {"mass_g", ""},         {"m", "m"},
    };
    for (const auto& [title, unit] : cases)
        EXPECT_EQ(units::guessUnit(title), unit) << title;
}

TEST(RecordUnits, ConvertsARateToCentimetresPerKyr) {
    EXPECT_DOUBLE_EQ(*units::cmPerKyrFactor("m", "kyr"), 100.0);
    EXPECT_DOUBLE_EQ(*units::cmPerKyrFactor("cm", "ka"), 1.0);
    EXPECT_DOUBLE_EQ(*units::cmPerKyrFactor("m", "Myr"), 0.1);
    EXPECT_DOUBLE_EQ(*units::cmPerKyrFactor("mm", "yr"), 100.0);
    EXPECT_FALSE(units::cmPerKyrFactor("kyr", "kyr"));
    EXPECT_FALSE(units::cmPerKyrFactor("m", "layers"));
}

TEST(RecordUnits, TrialRateIsTypicalForTheUnit) {
    EXPECT_DOUBLE_EQ(units::typicalRate("m"), 0.015);
    EXPECT_DOUBLE_EQ(units::typicalRate("cm"), 1.5);
    EXPECT_DOUBLE_EQ(units::typicalRate("kyr"), 1.0);
    EXPECT_DOUBLE_EQ(units::typicalRate("yr"), 1000.0);
    EXPECT_DOUBLE_EQ(units::typicalRate("couplets"), 1.0);
}

// The lengths the tool's --positions-in names, as it spells them.
TEST(RecordUnits, GivesMetresForTheLengthsAsWritten) {
    EXPECT_DOUBLE_EQ(*units::metresPer("m"), 1.0);
    EXPECT_DOUBLE_EQ(*units::metresPer("cm"), 0.01);
    EXPECT_DOUBLE_EQ(*units::metresPer("mm"), 0.001);
    EXPECT_FALSE(units::metresPer("CM"));
    EXPECT_FALSE(units::metresPer("km"));
}

TEST(RecordUnits, RoundsALengthToWholeSamples) {
    EXPECT_EQ(units::samplesIn(2.5, 1), 3); // halves away from zero
    EXPECT_EQ(units::samplesIn(4, 0.5), 8);
    EXPECT_EQ(units::samplesIn(0.4, 1), 0);
    EXPECT_EQ(units::samplesIn(-3, 1), 0);
    EXPECT_EQ(units::samplesIn(std::nan(""), 1), 0);
    EXPECT_EQ(units::samplesIn(1e300, 1), INT_MAX);
}
