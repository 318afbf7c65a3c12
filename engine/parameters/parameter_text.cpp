#include "engine/parameters/parameter_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

constexpr std::string_view kOff = "off";

std::optional<double> ParseDigits(std::string_view text)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return static_cast<double>(value);
}

bool IsDecimalCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

// An optional sign, digits with at most one point: no exponent, no "inf" or
// "nan", no hexadecimal.
std::optional<double> ParseDecimal(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.find_first_of("0123456789") == std::string_view::npos)
        return std::nullopt;
    for (const char c : text) {
        if (!IsDecimalCharacter(c))
            return std::nullopt;
    }
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ParseChoice(const ParameterRow& row, std::string_view text)
{
    for (std::size_t i = 0; i < row.m_choices.size(); ++i) {
        if (text == row.m_choices[i])
            return static_cast<double>(i);
    }
    return std::nullopt;
}

std::string ListChoices(const ParameterRow& row)
{
    std::string text;
    for (std::size_t i = 0; i < row.m_choices.size(); ++i) {
        if (i > 0)
            text += i + 1 == row.m_choices.size() ? " or " : ", ";
        text += row.m_choices[i];
    }
    return text;
}

}  // namespace

std::string FormatNumber(double value)
{
    if (value == 0.0)
        return "0";  // also for -0
    // Fixed notation, never an exponent, in the fewest digits that read back
    // as the same double.
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string DescribeAllowed(const ParameterRow& row)
{
    if (row.m_kind == ParameterKind::Choice)
        return ListChoices(row);
    std::string text = FormatNumber(row.m_dMinimum) + " to " + FormatNumber(row.m_dMaximum);
    if (row.m_kind == ParameterKind::Whole && row.m_dStep != 1.0)
        text += " in steps of " + FormatNumber(row.m_dStep);
    if (row.m_bZeroIsOff)
        text += ", or off";
    return text;
}

std::optional<double> ParseParameterValue(const ParameterRow& row, std::string_view text)
{
    std::optional<double> value;
    if (row.m_bZeroIsOff && text == kOff)
        value = 0.0;
    else if (row.m_kind == ParameterKind::Choice)
        value = ParseChoice(row, text);
    else if (row.m_kind == ParameterKind::Whole)
        value = ParseDigits(text);
    else
        value = ParseDecimal(text);
    if (!value || !IsAllowedValue(row, *value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<double>> ParseParameterList(const ParameterRow& row, std::string_view text)
{
    std::vector<double> list;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::optional<double> value = ParseDecimal(text.substr(0, comma));
        if (!value || !IsAllowedValue(row, *value))
            return std::nullopt;
        list.push_back(*value);
        if (comma == std::string_view::npos)
            return list;
        text.remove_prefix(comma + 1);
    }
}

std::string RefusalOf(const ParameterRow& row, std::string_view text)
{
    const bool allowed = row.m_kind == ParameterKind::RealList ? ParseParameterList(row, text).has_value()
                                                               : ParseParameterValue(row, text).has_value();
    if (allowed)
        return {};
    // Appended, not "'" + text: GCC 12's optimiser reports a false overlap
    // (-Wrestrict, GCC bug 105651) in std::string's insert at the front.
    const std::string quoted = std::string("'").append(text).append("'");
    switch (row.m_kind) {
    case ParameterKind::Choice: return quoted + " is not a choice; use " + DescribeAllowed(row);
    case ParameterKind::RealList:
        return quoted + " is not a list of intervals; use numbers from " + DescribeAllowed(row) +
               " separated by commas, such as 0,7,12";
    case ParameterKind::Whole:
    case ParameterKind::Real: break;
    }
    return quoted + " is not allowed; use " + DescribeAllowed(row);
}

std::string FormatParameterValue(const ParameterRow& row, const ParameterValues& values)
{
    const double value = values.Get(row.m_id);
    switch (row.m_kind) {
    case ParameterKind::Choice: return row.m_choices[static_cast<std::size_t>(value)];
    case ParameterKind::RealList: {
        std::string text;
        for (const double interval : values.GetPitchSet())
            text.append(text.empty() ? "" : ",").append(FormatNumber(interval));
        return text;
    }
    case ParameterKind::Whole:
    case ParameterKind::Real: break;
    }
    if (row.m_bZeroIsOff && value == 0.0)
        return std::string(kOff);
    return FormatNumber(value);
}
