#include "engine/parameters/parameter_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

constexpr std::string_view kOff = "off";

// "1 to 499, or ": the whole numbers a row allows below its steps, if any.
std::string WholesBelowSteps(const ParameterRow& row)
{
    if (row.m_dLowestOffDesktop <= 0.0)
        return {};
    return FormatNumber(row.m_dLowestOffDesktop) + " to " + FormatNumber(row.m_dMinimum - 1) + ", or ";
}

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

// An item of a list without the blanks around it: "0, 7, 12" reads as "0,7,12".
std::string_view Trimmed(std::string_view item)
{
    const std::size_t first = item.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return item.substr(first, item.find_last_not_of(" \t") - first + 1);
}

// The items of a list, each trimmed.
std::vector<std::string_view> ListItems(std::string_view text)
{
    std::vector<std::string_view> items;
    for (;;) {
        const std::size_t comma = text.find(',');
        items.push_back(Trimmed(text.substr(0, comma)));
        if (comma == std::string_view::npos)
            return items;
        text.remove_prefix(comma + 1);
    }
}

// "500 to 10000 grains per second in steps of 50", "5 to 200 Hz, or off":
// the range as a refusal gives it.
std::string DescribeRangeWithUnit(const ParameterRow& row)
{
    std::string text = WholesBelowSteps(row) + FormatNumber(row.m_dMinimum) + " to " +
                       FormatNumber(row.m_dMaximum) + UnitAfterNumber(row);
    if (row.m_kind == ParameterKind::Whole && row.m_dStep != 1.0)
        text += " in steps of " + FormatNumber(row.m_dStep);
    if (row.m_bZeroIsOff)
        text += ", or off";
    return text;
}

// Why a list is refused: its first item that is missing, not a number or
// out of the row's range.
std::string ListRefusal(const ParameterRow& row, const std::string& quoted, std::string_view text)
{
    std::string why;
    for (const std::string_view item : ListItems(text)) {
        const std::optional<double> value = ParseDecimal(item);
        if (item.empty())
            why = "an interval is missing";
        else if (!value)
            why = std::string("'").append(item).append("' is not a number");
        else if (!IsAllowedValue(row, *value))
            why = std::string(item).append(" is out of range");
        if (!why.empty())
            break;
    }
    return quoted + " is not a list of intervals: " + why + "; use numbers from " + DescribeRangeWithUnit(row) +
           " separated by commas, such as 0,7,12";
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

std::string UnitAfterNumber(const ParameterRow& row)
{
    static constexpr std::pair<std::string_view, std::string_view> kWords[] = {
        {"s", "seconds"}, {"ms", "milliseconds"}, {"grains/s", "grains per second"}, {"st", "semitones"}};
    const std::string_view unit = row.m_szUnit;
    if (unit.empty())
        return {};
    for (const auto& [symbol, words] : kWords) {
        if (unit == symbol)
            return std::string(" ").append(words);
    }
    // Appended, not " " + unit: GCC 12's optimiser reports a false overlap
    // (-Wrestrict, GCC bug 105651) in std::string's insert at the front.
    return std::string(" ").append(unit);
}

std::string DescribeAllowed(const ParameterRow& row)
{
    if (row.m_kind == ParameterKind::Choice)
        return ListChoices(row);
    std::string text = WholesBelowSteps(row) + FormatNumber(row.m_dMinimum) + " to " + FormatNumber(row.m_dMaximum);
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
    for (const std::string_view item : ListItems(text)) {
        const std::optional<double> value = ParseDecimal(item);
        if (!value || !IsAllowedValue(row, *value))
            return std::nullopt;
        list.push_back(*value);
    }
    return list;
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
    case ParameterKind::RealList: return ListRefusal(row, quoted, text);
    case ParameterKind::Whole:
    case ParameterKind::Real: break;
    }
    return quoted + " is not allowed; use " + DescribeRangeWithUnit(row);
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
