#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/panel/length_presets.h"
#include "ui/panel/minute_second_fields.h"

using Field = MinuteSecondFields::Field;

TEST(LengthPresets, SixEntriesLetterForLetterInListOrder)
{
    std::vector<std::pair<std::string, int>> presets;
    for (const LengthPreset& preset : kLengthPresets)
        presets.emplace_back(preset.m_pszText, preset.m_length.TotalSeconds());
    EXPECT_EQ(presets, (std::vector<std::pair<std::string, int>>{{"15 secods test", 15}, {"30 seconds test", 30},
        {"1 minute", 60}, {"3 minutes", 180}, {"5 minutes", 300}, {"10 minutes", 600}}));
    EXPECT_EQ(kDefaultLength, kLengthPresets[0].m_length);
}

TEST(MinuteSecondFields, SteppingWrapsWithinTheActiveFieldWithoutCarrying)
{
    MinuteSecondFields fields;
    fields.SetLength({3, 59});
    fields.SelectField(Field::Seconds);
    EXPECT_TRUE(fields.Step(+1));
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{3, 0}));
    EXPECT_TRUE(fields.Step(-1));
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{3, 59}));

    fields.SelectField(Field::Minutes);
    fields.SetLength({0, 15});
    EXPECT_TRUE(fields.Step(-1));
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{59, 15}));
    EXPECT_TRUE(fields.Step(+1));
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{0, 15}));
}

TEST(MinuteSecondFields, TypedDigitsFillAFieldAndMoveOnToTheSeconds)
{
    MinuteSecondFields fields;
    for (int digit : {5, 9, 5, 9})
        fields.TypeDigit(digit);
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{59, 59}));
    EXPECT_EQ(fields.GetActiveField(), Field::Seconds);

    fields.SelectField(Field::Minutes);
    fields.TypeDigit(7);  // 7x would pass 59: minutes are 07, on to the seconds
    EXPECT_EQ(fields.GetActiveField(), Field::Seconds);
    fields.TypeDigit(4);
    fields.TypeDigit(8);
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{7, 48}));
    fields.TypeDigit(6);  // a further digit starts the seconds over
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{7, 6}));
}

TEST(MinuteSecondFields, ReportsWhetherTheLengthChanged)
{
    MinuteSecondFields fields;
    fields.SetLength({1, 0});
    EXPECT_FALSE(fields.TypeDigit(1));  // minutes were 01 already
    EXPECT_FALSE(fields.TypeDigit(11));
    EXPECT_TRUE(fields.Step(+1));
}
