// Times as scores and options write them: every form read, every other text
// refused, and each time written in a form that reads back exactly.
#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "score_file/time_text.h"

namespace {

TEST(TimeText, EveryAllowedFormReads)
{
    const std::pair<const char*, double> forms[] = {
        {"0", 0},           {"90", 90},        {"7.25", 7.25},      {"0:07", 7},          {"1:30", 90},
        {"01:30", 90},      {"59:59", 3599},   {"1:02:03", 3723},   {"01:02:03", 3723},   {"24:00:00", 86400},
        {"0:07.25", 7.25},  {"1:07.1", 67.1},  {"1:00:00.5", 3600.5}, {"0:00.000001", 0.000001},
        {"45:00", 2700},    {"99:59:59", 99 * 3600 + 3599},
    };
    for (const auto& [text, seconds] : forms)
        EXPECT_EQ(ParseTimeText(text), seconds) << text;
}

TEST(TimeText, OtherTextsAreRefused)
{
    for (const char* text : {"", "1:5", "60:00", "1:60", "1:00:60", ":30", "5:", "-5", "+5", ".5", "5.", "1.2.3",
                             "1:00:00:00", " 5", "5 ", "1e3", "0x10", "1:5.5", "1.5:00", "100:00:00", "1:2:03",
                             "0:07.2.5", "0:07.-5", "inf", "nan"})
        EXPECT_FALSE(ParseTimeText(text)) << '"' << text << '"';
}

TEST(TimeText, WholeSecondsRefuseAFraction)
{
    EXPECT_EQ(ParseWholeTimeText("1:02:03"), 3723u);
    EXPECT_EQ(ParseWholeTimeText("4294967295"), 4294967295u);
    EXPECT_FALSE(ParseWholeTimeText("4294967296"));
    EXPECT_FALSE(ParseWholeTimeText("7.5"));
    EXPECT_FALSE(ParseWholeTimeText("1:00.5"));
}

TEST(TimeText, TimesAreWrittenAsPeopleWriteThem)
{
    const std::pair<double, const char*> times[] = {
        {0, "0:00"},          {15, "0:15"},         {90, "1:30"},        {1200, "20:00"},      {3599, "59:59"},
        {3600, "1:00:00"},    {3723, "1:02:03"},    {86400, "24:00:00"}, {7.25, "0:07.25"},    {67.1, "1:07.1"},
        {3599.5, "59:59.5"},  {0.001, "0:00.001"},
    };
    for (const auto& [seconds, text] : times)
        EXPECT_EQ(FormatTimeText(seconds), text) << seconds;
}

TEST(TimeText, AnyTimeOfADayReadsBackToTheSameDouble)
{
    // Random doubles of every size of fraction, and tenths, whose decimal
    // forms are the ones most easily rounded wrong.
    std::mt19937_64 generator(20261208);
    std::uniform_real_distribution<double> day(0.0, 86400.0);
    for (int i = 0; i < 20000; ++i) {
        const double any = day(generator);
        const double tenths = static_cast<double>(generator() % 864000) / 10.0;
        for (const double seconds : {any, tenths}) {
            const std::string text = FormatTimeText(seconds);
            ASSERT_EQ(ParseTimeText(text), seconds) << text;
        }
    }
}

}  // namespace
