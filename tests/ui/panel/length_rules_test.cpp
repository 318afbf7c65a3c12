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

namespace {

// Types text into fields: digits as digits, anything else as a separator.
void Type(MinuteSecondFields& fields, const std::string& text)
{
    for (char key : text) {
        if (key >= '0' && key <= '9')
            fields.TypeDigit(key - '0');
        else
            fields.TypeSeparator();
    }
}

MinutesSeconds Typed(MinutesSeconds start, const std::string& text)
{
    MinuteSecondFields fields;
    fields.SetLength(start);
    Type(fields, text);
    return fields.GetLength();
}

}  // namespace

TEST(MinuteSecondFields, ASeparatorEndsTheMinutesAndMovesOnToTheSeconds)
{
    EXPECT_EQ(Typed({0, 15}, "1:00"), (MinutesSeconds{1, 0}));
    EXPECT_EQ(Typed({0, 15}, "12:34"), (MinutesSeconds{12, 34}));
    // After a complete minutes field the typing is in the seconds already.
    EXPECT_EQ(Typed({0, 15}, "7:30"), (MinutesSeconds{7, 30}));
    EXPECT_EQ(Typed({0, 15}, "0:45"), (MinutesSeconds{0, 45}));
    // A separator before any digit keeps the minutes.
    EXPECT_EQ(Typed({3, 15}, ":20"), (MinutesSeconds{3, 20}));
}

TEST(MinuteSecondFields, TheSecondsKeepTheirValueUntilDigitsReplaceIt)
{
    MinuteSecondFields fields;
    fields.SetLength({0, 15});
    Type(fields, "5:");
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{5, 15}));
    EXPECT_EQ(fields.GetActiveField(), Field::Seconds);
    EXPECT_EQ(Typed({0, 0}, "5:"), (MinutesSeconds{5, 0}));
}

TEST(MinuteSecondFields, ASeparatorInTheSecondsOnlyEndsTheNumberTypedThere)
{
    MinuteSecondFields fields;
    fields.SetLength({2, 15});
    fields.SelectField(Field::Seconds);
    Type(fields, ":");
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{2, 15}));
    EXPECT_EQ(fields.GetActiveField(), Field::Seconds);
    // Without it 4 then 5 make 45; with it the 5 starts the seconds over.
    Type(fields, "4:5");
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{2, 5}));
    EXPECT_EQ(fields.GetActiveField(), Field::Seconds);
    // Arrows and field choice work on as before.
    EXPECT_TRUE(fields.Step(-1));
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{2, 4}));
    fields.SelectPreviousField();
    Type(fields, "59:59");
    EXPECT_EQ(fields.GetLength(), (MinutesSeconds{59, 59}));
}
