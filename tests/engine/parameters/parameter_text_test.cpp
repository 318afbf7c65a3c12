// Parameter values as people write them: what each row reads, refuses and
// says back.
#include <gtest/gtest.h>

#include "engine/parameters/parameter_text.h"

namespace {

const ParameterRow& Row(const char* name)
{
    return *FindParameter(name);
}

}  // namespace

TEST(ParameterText, NamesAreFoundWithDashesOrUnderscores)
{
    EXPECT_EQ(FindParameter("grain-length")->m_id, ParameterId::GrainLength);
    EXPECT_EQ(FindParameter("grain_length")->m_id, ParameterId::GrainLength);
    EXPECT_EQ(FindParameter("pitch_set")->m_id, ParameterId::PitchSet);
    EXPECT_EQ(FindParameter("grain length"), nullptr);
    EXPECT_EQ(FindParameter("grain-lengt"), nullptr);
    for (const ParameterRow& row : ParameterTable())
        EXPECT_EQ(&RowOf(row.m_id), &row);
}

TEST(ParameterText, EachKindReadsItsOwnForm)
{
    EXPECT_EQ(ParseParameterValue(Row("density"), "4050"), 4050.0);
    EXPECT_EQ(ParseParameterValue(Row("density"), "4010"), std::nullopt);  // off the steps
    EXPECT_EQ(ParseParameterValue(Row("density"), "4050.0"), std::nullopt);  // whole numbers as digits only
    EXPECT_EQ(ParseParameterValue(Row("pitch"), "-7"), -7.0);
    EXPECT_EQ(ParseParameterValue(Row("pitch"), "+0.5"), 0.5);
    EXPECT_EQ(ParseParameterValue(Row("pitch"), "24"), 24.0);
    for (const char* refused : {"30", "-24.01", "1e1", "inf", "nan", "0x10", "", "-", ".", "1.2.3", " 1"})
        EXPECT_EQ(ParseParameterValue(Row("pitch"), refused), std::nullopt) << refused;
    EXPECT_EQ(ParseParameterValue(Row("window"), "tukey"), 1.0);
    EXPECT_EQ(ParseParameterValue(Row("window"), "Tukey"), std::nullopt);
    EXPECT_EQ(ParseParameterValue(Row("low-cut"), "off"), 0.0);
    EXPECT_EQ(ParseParameterValue(Row("low-cut"), "20"), 20.0);
    EXPECT_EQ(ParseParameterValue(Row("low-cut"), "4"), std::nullopt);
    EXPECT_EQ(ParseParameterValue(Row("pan-spread"), "-1"), std::nullopt);
}

TEST(ParameterText, ListsNeedEveryItem)
{
    const ParameterRow& set = Row("pitch-set");
    EXPECT_EQ(ParseParameterList(set, "0,7,12,-12"), (std::vector<double>{0, 7, 12, -12}));
    EXPECT_EQ(ParseParameterList(set, "3.5"), (std::vector<double>{3.5}));
    for (const char* refused : {"0,,7", "0,7,", ",0", "", "0;7", "0,25", "0, ,7", "0 7"})
        EXPECT_EQ(ParseParameterList(set, refused), std::nullopt) << refused;
    EXPECT_EQ(ParseParameterList(set, " 0, 7 ,\t12 "), (std::vector<double>{0, 7, 12})) << "blanks around items";
}

TEST(ParameterText, RefusalsNameWhatIsAllowed)
{
    EXPECT_EQ(RefusalOf(Row("pitch"), "30"), "'30' is not allowed; use -24 to 24 semitones");
    EXPECT_EQ(RefusalOf(Row("density"), "4010"),
              "'4010' is not allowed; use 1 to 499, or 500 to 10000 grains per second in steps of 50");
    EXPECT_EQ(RefusalOf(Row("density"), "0"),
              "'0' is not allowed; use 1 to 499, or 500 to 10000 grains per second in steps of 50");
    EXPECT_EQ(RefusalOf(Row("density"), "2.5"),
              "'2.5' is not allowed; use 1 to 499, or 500 to 10000 grains per second in steps of 50");
    EXPECT_EQ(RefusalOf(Row("density"), "1"), "");
    EXPECT_EQ(RefusalOf(Row("density"), "499"), "");
    EXPECT_EQ(RefusalOf(Row("grain-length"), "0.2"), "'0.2' is not allowed; use 50 to 2000 milliseconds in steps of 25");
    EXPECT_EQ(RefusalOf(Row("window"), "foo"),
              "'foo' is not a choice; use hann, tukey, gaussian, triangle, decay or swell");
    EXPECT_EQ(RefusalOf(Row("low-cut"), "2"), "'2' is not allowed; use 5 to 200 Hz, or off");
    EXPECT_EQ(RefusalOf(Row("pitch"), "-7.5"), "");
}

// A list names its first item that is wrong.
TEST(ParameterText, ListRefusalsNameTheWrongInterval)
{
    const std::string use = "; use numbers from -24 to 24 semitones separated by commas, such as 0,7,12";
    EXPECT_EQ(RefusalOf(Row("pitch-set"), "0,7,30"), "'0,7,30' is not a list of intervals: 30 is out of range" + use);
    EXPECT_EQ(RefusalOf(Row("pitch-set"), "0, x ,40"),
              "'0, x ,40' is not a list of intervals: 'x' is not a number" + use);
    EXPECT_EQ(RefusalOf(Row("pitch-set"), "0,,7"), "'0,,7' is not a list of intervals: an interval is missing" + use);
    EXPECT_EQ(RefusalOf(Row("pitch-set"), "0, 7, 12"), "");
}

// What FormatParameterValue says reads back as the same value.
TEST(ParameterText, FormattedValuesReadBack)
{
    ParameterValues values;
    values.Set(ParameterId::Pitch, -7.25);
    values.Set(ParameterId::Window, 4.0);
    values.SetPitchSet({0, 7.5, -12});
    values.Set(ParameterId::LowCut, 0.0);
    for (const ParameterRow& row : ParameterTable()) {
        const std::string text = FormatParameterValue(row, values);
        if (row.m_kind == ParameterKind::RealList) {
            EXPECT_EQ(ParseParameterList(row, text), values.GetPitchSet());
            continue;
        }
        EXPECT_EQ(ParseParameterValue(row, text), values.Get(row.m_id)) << row.m_szName << " as " << text;
    }
    EXPECT_EQ(FormatParameterValue(Row("window"), values), "decay");
    EXPECT_EQ(FormatParameterValue(Row("low-cut"), values), "off");
    EXPECT_EQ(FormatNumber(0.1), "0.1");
}
