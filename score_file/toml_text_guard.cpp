#include "score_file/toml_text_guard.h"

#include <algorithm>
#include <cstdio>
#include <utf8.h>
#include <vector>

namespace {

bool IsAscii(char c)
{
    return static_cast<unsigned char>(c) < 0x80;
}

// "\u00E9", "\U0001F3B5": a character as a TOML escape.
std::string EscapeOf(std::uint32_t character)
{
    char escape[16];
    if (character <= 0xFFFF)
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(character));
    else
        std::snprintf(escape, sizeof escape, "\\U%08X", static_cast<unsigned>(character));
    return escape;
}

// Walks a UTF-8 text as TOML's grammar sees it, far enough to tell strings
// and comments from the rest, keys from values, and to follow the nesting of
// arrays and inline tables, writing the ASCII text as it goes.
class TextScan {
public:
    explicit TextScan(std::string_view text) : m_text(text) {}
    GuardedToml Run();

private:
    std::optional<ScoreRefusal> Step(char c);
    std::optional<ScoreRefusal> CopyBasicString();
    std::optional<ScoreRefusal> CopyLiteralString();
    void CopyComment();
    // The character beyond ASCII at m_nAt, as an escape or as '?'.
    std::uint32_t TakeCharacter();
    std::optional<ScoreRefusal> KeyCharacter(char c);
    std::optional<ScoreRefusal> ValueCharacter(char c);
    void StartKey()
    {
        m_bKey = true;
        m_nParts = 1;
    }
    bool Next(std::string_view expected) const { return m_text.substr(m_nAt, expected.size()) == expected; }
    // How many quotes close a multi-line string from at: its three, and up to
    // two more that belong to the string.
    std::size_t ClosingQuotes(char quote, std::size_t at) const
    {
        std::size_t run = 0;
        while (run < 5 && at + run < m_text.size() && m_text[at + run] == quote)
            ++run;
        return run;
    }
    ScoreRefusal Refusal(std::string text) const { return ScoreRefusal{m_nLine, std::move(text)}; }
    // A string that runs to the end of its line, or a multi-line one to the
    // end of the text, begun on line: toml++ would speak of the line break
    // as a control character.
    static ScoreRefusal Unclosed(char quote, bool multiLine, int line);
    void Copy(char c)
    {
        m_out += c;
        m_nLine += c == '\n' ? 1 : 0;
    }

    std::string_view m_text;
    std::size_t m_nAt = 0;
    std::string m_out;
    int m_nLine = 1;
    std::vector<char> m_open;  // the arrays ('[') and inline tables ('{') around a value
    bool m_bKey = true;        // a key comes next (or goes on), not a value
    int m_nParts = 1;
};

ScoreRefusal TextScan::Unclosed(char quote, bool multiLine, int line)
{
    const std::string quotes(multiLine ? 3 : 1, quote);
    if (multiLine)
        return ScoreRefusal{line, "a text begun with " + quotes + " that is never closed; end it with " + quotes};
    return ScoreRefusal{line, "a text in quotes that does not end on its line; add the closing " + quotes +
                                  " (a text of several lines goes between " + quotes + quotes + quotes + ")"};
}

std::uint32_t TextScan::TakeCharacter()
{
    auto at = m_text.begin() + static_cast<std::ptrdiff_t>(m_nAt);
    const std::uint32_t character = utf8::unchecked::next(at);
    m_nAt = static_cast<std::size_t>(at - m_text.begin());
    return character;
}

std::optional<ScoreRefusal> TextScan::CopyBasicString()
{
    const bool multiLine = Next("\"\"\"");
    const std::size_t quotes = multiLine ? 3 : 1;
    const int firstLine = m_nLine;
    m_out.append(quotes, '"');
    m_nAt += quotes;
    while (m_nAt < m_text.size()) {
        const char c = m_text[m_nAt];
        if (!IsAscii(c)) {
            m_out += EscapeOf(TakeCharacter());
            continue;
        }
        if (c == '\n' && !multiLine)
            return Unclosed('"', false, firstLine);
        if (c == '\\') {
            // An escape goes whole: a backslash and the character after it.
            if (m_nAt + 1 < m_text.size() && !IsAscii(m_text[m_nAt + 1]))
                return Refusal("a backslash before a character beyond ASCII; escapes are ASCII letters");
            Copy(c);
            if (++m_nAt < m_text.size())
                Copy(m_text[m_nAt++]);
            continue;
        }
        if (multiLine && Next("\"\"\"")) {
            const std::size_t run = ClosingQuotes('"', m_nAt);
            m_out.append(run, '"');
            m_nAt += run;
            return std::nullopt;
        }
        Copy(c);
        ++m_nAt;
        if (!multiLine && c == '"')
            return std::nullopt;
    }
    return Unclosed('"', multiLine, firstLine);
}

std::optional<ScoreRefusal> TextScan::CopyLiteralString()
{
    const bool multiLine = Next("'''");
    const std::size_t quotes = multiLine ? 3 : 1;
    const std::size_t start = m_nAt + quotes;
    const std::size_t end = multiLine ? m_text.find("'''", start) : m_text.find_first_of("'\n", start);
    if (end == std::string_view::npos || m_text[end] == '\n')
        return Unclosed('\'', multiLine, m_nLine);
    const std::size_t closing = multiLine ? ClosingQuotes('\'', end) : 1;
    const std::string_view content = m_text.substr(start, end - start + (closing > 3 ? closing - 3 : 0));
    const bool ascii = std::all_of(content.begin(), content.end(), IsAscii);
    const char quote = ascii ? '\'' : '"';
    m_out.append(quotes, quote);
    for (m_nAt = start; m_nAt < start + content.size();) {
        const char c = m_text[m_nAt];
        if (!IsAscii(c)) {
            m_out += EscapeOf(TakeCharacter());
            continue;
        }
        if (!ascii && (c == '\\' || c == '"'))
            m_out += '\\';
        Copy(c);
        ++m_nAt;
    }
    m_out.append(std::min<std::size_t>(closing, quotes), quote);
    m_nAt += std::min<std::size_t>(closing, quotes);
    return std::nullopt;
}

void TextScan::CopyComment()
{
    while (m_nAt < m_text.size() && m_text[m_nAt] != '\n') {
        if (IsAscii(m_text[m_nAt])) {
            m_out += m_text[m_nAt++];
        } else {
            TakeCharacter();
            m_out += '?';
        }
    }
}

std::optional<ScoreRefusal> TextScan::KeyCharacter(char c)
{
    if (c == '.' && ++m_nParts > kMostKeyParts)
        return Refusal("a key of more than " + std::to_string(kMostKeyParts) + " dotted parts");
    if (c == '=')
        m_bKey = false;
    if (c == '}' && !m_open.empty()) {  // an empty inline table
        m_open.pop_back();
        m_bKey = false;
    }
    return std::nullopt;
}

std::optional<ScoreRefusal> TextScan::ValueCharacter(char c)
{
    if (c == '[' || c == '{') {
        m_open.push_back(c);
        if (static_cast<int>(m_open.size()) > kDeepestValueNesting)
            return Refusal("values nested more than " + std::to_string(kDeepestValueNesting) +
                           " deep in arrays and inline tables");
        if (c == '{')
            StartKey();
    } else if ((c == ']' || c == '}') && !m_open.empty()) {
        m_open.pop_back();
    } else if (c == ',' && !m_open.empty() && m_open.back() == '{') {
        StartKey();
    }
    return std::nullopt;
}

std::optional<ScoreRefusal> TextScan::Step(char c)
{
    if (c == '"')
        return CopyBasicString();
    if (c == '\'')
        return CopyLiteralString();
    if (c == '#') {
        CopyComment();
        return std::nullopt;
    }
    if (!IsAscii(c))
        return Refusal("a character beyond ASCII outside a string or a comment, where TOML allows none");
    if (c == '\n' && m_open.empty())
        StartKey();
    else if (c != '\n' && m_bKey)
        return KeyCharacter(c);
    else if (c != '\n')
        return ValueCharacter(c);
    return std::nullopt;
}

GuardedToml TextScan::Run()
{
    const auto invalid = utf8::find_invalid(m_text.begin(), m_text.end());
    if (invalid != m_text.end()) {
        m_nLine += static_cast<int>(std::count(m_text.begin(), invalid, '\n'));
        return {{}, Refusal("a byte that is not UTF-8; a score is UTF-8 text")};
    }
    m_out.reserve(m_text.size());
    while (m_nAt < m_text.size()) {
        const char c = m_text[m_nAt];
        const bool copiedByStep = c == '"' || c == '\'' || c == '#';
        if (auto refusal = Step(c))
            return {{}, refusal};
        if (!copiedByStep) {
            Copy(c);
            ++m_nAt;
        }
    }
    return {std::move(m_out), std::nullopt};
}

}  // namespace

GuardedToml GuardToml(std::string_view text)
{
    return TextScan(text).Run();
}
