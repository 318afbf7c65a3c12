// The nesting guard counts the parts of keys and the nesting of values as
// TOML reads them: dots and brackets in strings, comments and numbers do not
// count, and the line of an excess is the line toml++ would say.
#include <gtest/gtest.h>

#include <string>

#include "cli/score/toml_nesting_guard.h"

namespace {

std::string Key(int parts)
{
    std::string key = "k";
    for (int i = 1; i < parts; ++i)
        key += ".k";
    return key;
}

std::string Nested(int depth)
{
    return std::string(static_cast<std::size_t>(depth), '[') + "1" + std::string(static_cast<std::size_t>(depth), ']');
}

int LineOfExcess(const std::string& text)
{
    const auto excess = FindExcessiveNesting(text);
    return excess ? excess->m_nLine : 0;
}

TEST(TomlNestingGuard, KeysUpToEightPartsPass)
{
    EXPECT_EQ(LineOfExcess(Key(8) + " = 1\n[" + Key(8) + "]\n[[" + Key(8) + "]]\nx = { " + Key(8) + " = 1 }\n"), 0);
    EXPECT_EQ(LineOfExcess("a = 1\n" + Key(9) + " = 1\n"), 2);
    EXPECT_EQ(LineOfExcess("a = 1\n\n[" + Key(9) + "]\n"), 3);
    EXPECT_EQ(LineOfExcess("[[" + Key(9) + "]]\n"), 1);
    EXPECT_EQ(LineOfExcess("x = { a = 1, " + Key(9) + " = 2 }\n"), 1);
    EXPECT_EQ(LineOfExcess("x = [{ y = { " + Key(9) + " = 2 } }]\n"), 1);
}

TEST(TomlNestingGuard, ValuesNestedUpToSixteenPass)
{
    EXPECT_EQ(LineOfExcess("x = " + Nested(16) + "\n"), 0);
    EXPECT_EQ(LineOfExcess("x = [\n" + Nested(16) + "\n]\n"), 2);
    EXPECT_EQ(LineOfExcess("x = { a = { b = " + Nested(15) + " } }\n"), 1);
    // Nesting closes: many arrays one after the other are no deeper than one.
    std::string many = "x = [";
    for (int i = 0; i < 1000; ++i)
        many += Nested(15) + ", ";
    EXPECT_EQ(LineOfExcess(many + "]\n"), 0);
}

TEST(TomlNestingGuard, DotsAndBracketsOutsideKeysDoNotCount)
{
    const std::string dots = "a.b.c.d.e.f.g.h.i.j";
    const std::string brackets(20, '[');
    EXPECT_EQ(LineOfExcess("x = \"" + dots + brackets + "\"\n"), 0);
    EXPECT_EQ(LineOfExcess("x = '" + dots + brackets + "'\n"), 0);
    EXPECT_EQ(LineOfExcess("x = 1.5 # " + dots + brackets + "\n"), 0);
    EXPECT_EQ(LineOfExcess("# " + dots + "\n" + "\"" + dots + "\" = 1\n"), 0);  // a quoted key of one part
    EXPECT_EQ(LineOfExcess("x = [1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.5, 10.5]\n"), 0);
    EXPECT_EQ(LineOfExcess("x = 1979-05-27T07:32:00.999Z\n"), 0);
    EXPECT_EQ(LineOfExcess("x = \"\\\"" + dots + "\"\n"), 0);  // an escaped quote does not end the string
}

TEST(TomlNestingGuard, MultiLineStringsAreSkippedAndTheirLinesCounted)
{
    const std::string after = Key(9) + " = 1\n";
    EXPECT_EQ(LineOfExcess("x = \"\"\"\n" + Key(9) + "\n\"\"\"\n" + after), 4);
    EXPECT_EQ(LineOfExcess("x = '''\na.b\n'''\n" + after), 4);
    // Up to two quotes just before the closing three belong to the string.
    EXPECT_EQ(LineOfExcess("x = \"\"\"quoted\"\"\"\"\"\n" + after), 2);
    EXPECT_EQ(LineOfExcess("x = '''quoted'''''\n" + after), 2);
    // A backslash at the end of a line continues a basic string onto the next.
    EXPECT_EQ(LineOfExcess("x = \"\"\"a \\\n b\"\"\"\n" + after), 3);
}

}  // namespace
