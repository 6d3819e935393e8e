#include "core/units/RecordUnits.h"

#include <gtest/gtest.h>

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
