// The hidden names outputs are written under: they say whose they are, they
// are read back only when they are ours, and they fit a folder whenever the
// output's own name does.
#include <gtest/gtest.h>

#include <climits>

#include "formats/temporary_name.h"

TEST(TemporaryName, SaysWhoseFileItIs)
{
    const std::string name = MakeTemporaryName("rain.wav", "studio", 4711, "x3Fq9a");
    EXPECT_EQ(name, ".rain.wav.sonnelith-studio-4711-x3Fq9a");
    const auto owner = ReadTemporaryName(name);
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->m_strHost, "studio");
    EXPECT_EQ(owner->m_nPid, 4711);
}

// The output's name may hold anything, the marker included; the owner is read from the end.
TEST(TemporaryName, AnyOutputNameIsReadBackFromTheEnd)
{
    for (const std::string output : {"a-b-c.wav", ".sonnelith-x-1-abcdef.wav", "name with spaces", "-"}) {
        const auto owner = ReadTemporaryName(MakeTemporaryName(output, "host_2", 99, "AAAAAA"));
        ASSERT_TRUE(owner) << output;
        EXPECT_EQ(owner->m_strHost, "host_2") << output;
        EXPECT_EQ(owner->m_nPid, 99) << output;
    }
}

TEST(TemporaryName, OtherNamesAreNotOurs)
{
    for (const std::string name : {"rain.wav", ".rain.wav", ".rain.wav.XXXXXX", ".rain.wav.sonnelith-studio-4711-x3Fq9",
                                   ".rain.wav.sonnelith-studio-47a1-x3Fq9a", ".rain.wav.sonnelith--4711-x3Fq9a",
                                   "rain.wav.sonnelith-studio-4711-x3Fq9a", ".rain.wav.sonnelith-studio-4711-x3Fq9?"})
        EXPECT_FALSE(ReadTemporaryName(name)) << name;
}

// 255 bytes is the longest name; a name near it is shortened, never past a
// character of several bytes.
TEST(TemporaryName, FitsAFolderWhateverTheOutputsName)
{
    const std::string longest(NAME_MAX, 'n');
    const std::string name = MakeTemporaryName(longest, "a_very_long_host_name_of_32_char", 2147483, "zzzzzz");
    EXPECT_EQ(name.size(), static_cast<std::size_t>(NAME_MAX));
    EXPECT_TRUE(ReadTemporaryName(name));
    std::string accented;
    while (accented.size() < NAME_MAX - 1)
        accented += "\xC3\xA9";  // é
    const std::string shortened = MakeTemporaryName(accented, "h", 1, "abcdef");
    EXPECT_LE(shortened.size(), static_cast<std::size_t>(NAME_MAX));
    const std::string kept = shortened.substr(1, shortened.find(".sonnelith-") - 1);
    EXPECT_EQ(kept.size() % 2, 0u) << "whole characters only";
    EXPECT_EQ(accented.compare(0, kept.size(), kept), 0);
}

TEST(TemporaryName, TheHostAndTheRandomPartAreLettersAndDigits)
{
    const std::string host = TemporaryHostName();
    EXPECT_FALSE(host.empty());
    EXPECT_LE(host.size(), 32u);
    EXPECT_EQ(host.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_"),
              std::string::npos);
    const std::string first = RandomLettersAndDigits();
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(first.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              std::string::npos);
    EXPECT_NE(RandomLettersAndDigits(), RandomLettersAndDigits()) << "62^6 names: a repeat is a fault";
}
