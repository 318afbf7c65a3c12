// The guard before toml++: it counts the parts of keys and the nesting of
// values as TOML reads them (dots and brackets in strings, comments and
// numbers do not count), gives toml++ the same TOML in ASCII, refuses what it
// cannot give, and says the line toml++ would say.
#include <gtest/gtest.h>

#include <string>

#include "score_file/toml_text_guard.h"

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
    const auto excess = GuardToml(text).m_refusal;
    return excess ? excess->m_nLine : 0;
}

TEST(TomlTextGuard, KeysUpToEightPartsPass)
{
    EXPECT_EQ(LineOfExcess(Key(8) + " = 1\n[" + Key(8) + "]\n[[" + Key(8) + "]]\nx = { " + Key(8) + " = 1 }\n"), 0);
    EXPECT_EQ(LineOfExcess("a = 1\n" + Key(9) + " = 1\n"), 2);
    EXPECT_EQ(LineOfExcess("a = 1\n\n[" + Key(9) + "]\n"), 3);
    EXPECT_EQ(LineOfExcess("[[" + Key(9) + "]]\n"), 1);
    EXPECT_EQ(LineOfExcess("x = { a = 1, " + Key(9) + " = 2 }\n"), 1);
    EXPECT_EQ(LineOfExcess("x = [{ y = { " + Key(9) + " = 2 } }]\n"), 1);
}

TEST(TomlTextGuard, ValuesNestedUpToSixteenPass)
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

TEST(TomlTextGuard, DotsAndBracketsOutsideKeysDoNotCount)
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

TEST(TomlTextGuard, MultiLineStringsAreSkippedAndTheirLinesCounted)
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

// The text toml++ is given for text; a test failure when it is refused.
std::string Guarded(const std::string& text)
{
    const GuardedToml guarded = GuardToml(text);
    EXPECT_FALSE(guarded.m_refusal) << guarded.m_refusal->m_strText;
    return guarded.m_strText;
}

TEST(TomlTextGuard, AsciiTextsGoAsTheyAre)
{
    const std::string text = R"(a = "x\"y" # c
b = 'C:\dir'
c = """q"""""
d = '''q'''''
[[e.f]]
)";
    EXPECT_EQ(Guarded(text), text);
}

TEST(TomlTextGuard, CharactersBeyondAsciiInStringsBecomeEscapes)
{
    EXPECT_EQ(Guarded("source = \"pluie d'\xc3\xa9t\xc3\xa9.flac\"\n"),
              R"(source = "pluie d'\u00E9t\u00E9.flac")" "\n");
    EXPECT_EQ(Guarded("s = \"\xf0\x9f\x8e\xb5\"\n"), R"(s = "\U0001F3B5")" "\n");
    EXPECT_EQ(Guarded("s = \"\"\"\n\xc3\xa9\n\"\"\"\n"), "s = \"\"\"\n\\u00E9\n\"\"\"\n");
    // A literal string holding one becomes a basic string that says the same.
    EXPECT_EQ(Guarded("s = 'C:\\\xc3\xa9\"x'\n"), R"(s = "C:\\\u00E9\"x")" "\n");
    EXPECT_EQ(Guarded("s = '''\n\xc3\xa9 \"a\" '''''\n"), "s = \"\"\"\n\\u00E9 \\\"a\\\" ''\"\"\"\n");
    EXPECT_EQ(Guarded("'cl\xc3\xa9' = 1\n"), R"("cl\u00E9" = 1)" "\n");
    // In a comment, a question mark.
    EXPECT_EQ(Guarded("a = 1 # \xc3\xa9t\xc3\xa9\n"), "a = 1 # ?t?\n");
}

TEST(TomlTextGuard, ALineEndingBackslashBeforeACharacterBeyondAsciiGoesOnToItsEscape)
{
    // toml++ 3.3 tests the first character after a line-ending backslash for a blank.
    EXPECT_EQ(Guarded("s = \"\"\"\\\n\xc2\xa7\"\"\"\n"), "s = \"\"\"\\\n\\u00A7\"\"\"\n");
}

TEST(TomlTextGuard, CharactersBeyondAsciiAreRefusedOutsideStringsAndComments)
{
    EXPECT_EQ(LineOfExcess("a = 1\ncl\xc3\xa9 = 1\n"), 2);
    EXPECT_EQ(LineOfExcess("a = 1 \xc3\x82\n"), 1);
    EXPECT_EQ(LineOfExcess("a = [1,\n\xc2\xa0 2]\n"), 2);
    const auto refusal = GuardToml("x = \xc3\xa9\n").m_refusal;
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->m_strText, "a character beyond ASCII outside a string or a comment, where TOML allows none");
    // Escaped by a backslash, in any basic string: escapes are ASCII letters.
    EXPECT_EQ(LineOfExcess("a = 1\ns = \"\"\"\\\xc2\xa7\"\"\"\n"), 2);
    EXPECT_EQ(LineOfExcess("s = \"\\\xc2\xa7\"\n"), 1);
    EXPECT_EQ(LineOfExcess("s = '\\\xc2\xa7'\n"), 0);  // a literal string has no escapes
}

TEST(TomlTextGuard, TextThatIsNotUtf8IsRefusedAtItsLine)
{
    EXPECT_EQ(LineOfExcess("a = 1\n# \xff\n"), 2);
    EXPECT_EQ(LineOfExcess("a = \"\xc3\"\n"), 1);                // a sequence cut short
    EXPECT_EQ(LineOfExcess("a = 1\n\n\"\xed\xa0\x80\" = 1\n"), 3);  // a surrogate
    EXPECT_EQ(GuardToml("\xc0\xaf").m_refusal->m_strText, "a byte that is not UTF-8; a score is UTF-8 text");
}

// A missing closing quote is said as such, on the line the text begins,
// not as toml++'s complaint about a control character (the line break).
TEST(TomlTextGuard, AStringLeftOpenIsRefusedAtItsLine)
{
    const std::string open = "a text in quotes that does not end on its line; add the closing ";
    const std::string never = " that is never closed; end it with ";
    const std::string cases[][3] = {
        {"a = 1\nsource = \"rain.flac\nwindow = \"hann\"\n", "2", open + "\""},
        {"source = 'rain.flac\n", "1", open + "'"},
        {"a = 1\n\"key = 1\n", "2", open + "\""},
        {"a = \"\xc3\xa9", "1", open + "\""},
        {"a = 1\ns = \"\"\"one\ntwo\n", "2", "a text begun with \"\"\"" + never + "\"\"\""},
        {"s = '''one\n\xc3\xa9", "1", "a text begun with '''" + never + "'''"},
    };
    for (const auto& [text, line, message] : cases) {
        const auto refusal = GuardToml(text).m_refusal;
        ASSERT_TRUE(refusal) << text;
        EXPECT_EQ(std::to_string(refusal->m_nLine), line) << text;
        EXPECT_EQ(refusal->m_strText.substr(0, message.size()), message) << text;
    }
}

TEST(TomlTextGuard, WhateverTheTextTomlIsGivenAscii)
{
    // Quotes where toml++ would see no string: its view and ours differ only
    // on texts it refuses, and it is given ASCII whatever they are.
    const std::string texts[] = {"length = +\"\xce\xbb\" 3\n", "a = 1'\xc3\xa9'\n", "a\"\xc3\xa9\" = 1\n",
                                 "s = \"\\\n\xc3\xa9\"\n", "s = '''\xc3\xa9'''", "s = \"\"\"\xc3\xa9\"\"\""};
    for (const std::string& text : texts) {
        const GuardedToml guarded = GuardToml(text);
        EXPECT_FALSE(guarded.m_refusal) << text;
        for (const char c : guarded.m_strText)
            EXPECT_LT(static_cast<unsigned char>(c), 0x80) << text;
    }
}

}  // namespace
