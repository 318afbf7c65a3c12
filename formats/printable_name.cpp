#include "formats/printable_name.h"

#include <utf8.h>

namespace {

void AppendOctal(std::string& text, unsigned char byte)
{
    text += '\\';
    text += static_cast<char>('0' + (byte >> 6));
    text += static_cast<char>('0' + ((byte >> 3) & 7));
    text += static_cast<char>('0' + (byte & 7));
}

// The escape of a C0 control or DEL: its C name where it has a short one.
void AppendEscaped(std::string& text, unsigned char byte)
{
    static constexpr char kNames[] = "abtnvfr";
    if (byte >= 7 && byte <= 13) {
        text += '\\';
        text += kNames[byte - 7];
        return;
    }
    AppendOctal(text, byte);
}

// A stretch of well-formed UTF-8: its controls escaped, its letters kept.
void AppendWellFormed(std::string& text, std::string::const_iterator begin, std::string::const_iterator end)
{
    for (auto at = begin; at != end; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        const auto next = at + 1 != end ? static_cast<unsigned char>(at[1]) : 0;
        if (byte < 0x20 || byte == 0x7F) {
            AppendEscaped(text, byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            AppendOctal(text, byte);
            AppendOctal(text, next);
            ++at;
        } else {
            text += *at;
        }
    }
}

}  // namespace

std::string PrintableName(const std::string& name)
{
    std::string text;
    text.reserve(name.size());
    auto at = name.begin();
    while (at != name.end()) {
        const auto invalid = utf8::find_invalid(at, name.end());
        AppendWellFormed(text, at, invalid);
        if (invalid == name.end())
            break;
        AppendOctal(text, static_cast<unsigned char>(*invalid));
        at = invalid + 1;
    }
    return text;
}
