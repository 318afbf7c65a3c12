#include "resources/strings/format_string.h"

#include "resources/strings/string_table.h"

std::string FillPlaceholders(const std::string& text, std::initializer_list<std::string> values)
{
    std::string filled;
    filled.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool placeholder = text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
        const auto index = placeholder ? static_cast<std::size_t>(text[i + 1] - '1') : 0;
        if (placeholder && index < values.size()) {
            filled += *(values.begin() + index);
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

std::string FormatResourceString(int id, std::initializer_list<std::string> values)
{
    const char* text = LoadResourceString(id);
    return text != nullptr ? FillPlaceholders(text, values) : std::string();
}
