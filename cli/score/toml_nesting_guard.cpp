#include "cli/score/toml_nesting_guard.h"

#include <string>
#include <vector>

namespace {

// Walks the text as TOML's grammar sees it, far enough to tell keys from
// values and to follow the nesting of arrays and inline tables.
class NestingScan {
public:
    explicit NestingScan(std::string_view text) : m_text(text) {}
    std::optional<ScoreRefusal> Run();

private:
    void SkipString(char quote);
    void SkipComment();
    std::optional<ScoreRefusal> KeyCharacter(char c);
    std::optional<ScoreRefusal> ValueCharacter(char c);
    void StartKey()
    {
        m_bKey = true;
        m_nParts = 1;
    }
    bool Next(std::string_view expected) const { return m_text.substr(m_nAt, expected.size()) == expected; }

    std::string_view m_text;
    std::size_t m_nAt = 0;
    int m_nLine = 1;
    std::vector<char> m_open;  // the arrays ('[') and inline tables ('{') around a value
    bool m_bKey = true;        // a key comes next (or goes on), not a value
    int m_nParts = 1;
};

void NestingScan::SkipString(char quote)
{
    const std::string triple(3, quote);
    const bool multiLine = Next(triple);
    m_nAt += multiLine ? 3 : 1;
    while (m_nAt < m_text.size()) {
        const char c = m_text[m_nAt];
        if (quote == '"' && c == '\\') {
            if (Next("\\\n"))
                ++m_nLine;  // a line-ending backslash
            m_nAt += 2;
            continue;
        }
        if (c == '\n') {
            if (!multiLine)
                return;  // an unfinished string: toml++ says so
            ++m_nLine;
        }
        if (multiLine && Next(triple)) {
            // Up to two quotes more belong to the string, before its closing three.
            m_nAt += 3;
            for (int extra = 0; extra < 2 && m_nAt < m_text.size() && m_text[m_nAt] == quote; ++extra)
                ++m_nAt;
            return;
        }
        ++m_nAt;
        if (!multiLine && c == quote)
            return;
    }
}

void NestingScan::SkipComment()
{
    while (m_nAt < m_text.size() && m_text[m_nAt] != '\n')
        ++m_nAt;
}

std::optional<ScoreRefusal> NestingScan::KeyCharacter(char c)
{
    if (c == '.' && ++m_nParts > kMostKeyParts)
        return ScoreRefusal{m_nLine, "a key of more than " + std::to_string(kMostKeyParts) + " dotted parts"};
    if (c == '=')
        m_bKey = false;
    if (c == '}' && !m_open.empty()) {  // an empty inline table
        m_open.pop_back();
        m_bKey = false;
    }
    return std::nullopt;
}

std::optional<ScoreRefusal> NestingScan::ValueCharacter(char c)
{
    if (c == '[' || c == '{') {
        m_open.push_back(c);
        if (static_cast<int>(m_open.size()) > kDeepestValueNesting)
            return ScoreRefusal{m_nLine, "values nested more than " + std::to_string(kDeepestValueNesting) +
                                             " deep in arrays and inline tables"};
        if (c == '{')
            StartKey();
    } else if ((c == ']' || c == '}') && !m_open.empty()) {
        m_open.pop_back();
    } else if (c == ',' && !m_open.empty() && m_open.back() == '{') {
        StartKey();
    }
    return std::nullopt;
}

std::optional<ScoreRefusal> NestingScan::Run()
{
    while (m_nAt < m_text.size()) {
        const char c = m_text[m_nAt];
        if (c == '"' || c == '\'') {
            SkipString(c);
            continue;
        }
        if (c == '#') {
            SkipComment();
            continue;
        }
        if (c == '\n') {
            ++m_nLine;
            if (m_open.empty())
                StartKey();
        } else if (auto refusal = m_bKey ? KeyCharacter(c) : ValueCharacter(c)) {
            return refusal;
        }
        ++m_nAt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ScoreRefusal> FindExcessiveNesting(std::string_view text)
{
    return NestingScan(text).Run();
}
