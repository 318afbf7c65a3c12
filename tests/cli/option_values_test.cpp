// How sonnelith-cli reads the values of its options.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include "cli/option_values.h"

TEST(OptionValues, LengthsAreSecondsMinutesOrHoursUpToADay)
{
    const std::pair<const char*, int> accepted[] = {
        {"0", 0},          {"15", 15},           {"3599", 3599},         {"86400", 86400},     {"00:15", 15},
        {"5:00", 300},     {"59:59", 3599},      {"0:00:00", 0},         {"1:00:00", 3600},    {"01:30:05", 5405},
        {"8:00:00", 28800}, {"23:59:59", 86399}, {"24:00:00", 86400},
    };
    for (const auto& [text, seconds] : accepted)
        EXPECT_EQ(ParseLength(text), seconds) << text;
}

TEST(OptionValues, LengthsPastADayOrOfAnotherShapeAreRefused)
{
    for (const char* text : {"86401", "24:00:01", "25:00:00", "99:59:59", "60:00", "1:60:00", "1:00:60", "1:5:00",
                             "1:05:0", "100:00:00", "1:00:00:00", ":30", "5:", "", "-5", "+5", "1.5", " 5",
                             "1:00 :00", "4294967296"})
        EXPECT_FALSE(ParseLength(text)) << '"' << text << '"';
}

TEST(OptionValues, SpillChoicesByName)
{
    EXPECT_EQ(FindSpillChoice("auto"), SpillChoice::WhenRoom);
    EXPECT_EQ(FindSpillChoice("always"), SpillChoice::Always);
    EXPECT_EQ(FindSpillChoice("never"), SpillChoice::Never);
    EXPECT_FALSE(FindSpillChoice("Auto"));
    EXPECT_FALSE(FindSpillChoice(""));
}

namespace {

// What a validator says of text: empty when it takes it.
std::string Refusal(const CLI::Validator& validator, std::string text)
{
    return validator(text);
}

}  // namespace

// --for takes a length as --length does, from one second.
TEST(OptionValues, AnExcerptsLengthIsALength)
{
    const CLI::Validator excerpt = AllowedExcerptSeconds();
    for (const char* text : {"1", "90", "1:00", "0:01", "1:30:00", "24:00:00"})
        EXPECT_EQ(Refusal(excerpt, text), "") << text;
    for (const char* text : {"0", "0:00", "24:00:01", "1.5", "-1"})
        EXPECT_NE(Refusal(excerpt, text), "") << text;
}

// A window's name that is none of them suggests the one meant.
TEST(OptionValues, AWindowsNameSuggestsTheOneMeant)
{
    const CLI::Validator window = AllowedParameterValue(RowOf(ParameterId::Window));
    EXPECT_EQ(Refusal(window, "hanning"),
              "'hanning' is not a choice; use hann, tukey, gaussian, triangle, decay or swell (did you mean 'hann'?)");
    EXPECT_EQ(Refusal(window, "tukey"), "");
}