#include "score_file/toml_node_values.h"

#include <charconv>
#include <cmath>

#include "score_file/score_refusal.h"
#include "score_file/time_text.h"
#include "engine/parameters/parameter_text.h"

namespace {

constexpr std::string_view kTimeForms = "[H:]MM:SS, with a fraction of a second if needed (20:00, 1:02:03, "
                                        "0:07.5), or a number of seconds";

// A number as the file gives it, whole numbers as their double.
double NumberOf(const toml::node& node)
{
    if (const auto* whole = node.as_integer())
        return static_cast<double>(whole->get());
    return node.as_floating_point()->get();
}

std::string FormatRange(double minimum, double maximum)
{
    return FormatNumber(minimum) + " to " + FormatNumber(maximum);
}

// A number that is not whole as a message gives it: in plain digits where
// they are few, else in the fewest digits with an exponent (1e+308, not 309
// digits).
std::string BriefNumber(double value)
{
    const double size = std::fabs(value);
    if (value == 0.0 || !std::isfinite(value) || (size >= 1e-4 && size < 1e15))
        return FormatNumber(value);
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : FormatNumber(value);
}

}  // namespace

int LineOf(const toml::node& node)
{
    return static_cast<int>(node.source().begin.line);
}

int LineOf(const toml::key& key)
{
    return static_cast<int>(key.source().begin.line);
}

std::string DescribeType(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::table: return "a table";
    case toml::node_type::array: return "an array";
    case toml::node_type::string: return "a string";
    case toml::node_type::integer:
    case toml::node_type::floating_point: return "a number";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::date: return "a date";
    case toml::node_type::time: return "a time of day";
    case toml::node_type::date_time: return "a date and time";
    case toml::node_type::none: break;
    }
    return "nothing";
}

void Refuse(int line, std::string text)
{
    throw ScoreRefusal{line, std::move(text)};
}

void RefuseType(const toml::node& node, std::string_view what, std::string_view wanted)
{
    Refuse(LineOf(node), std::string(what) + " is " + DescribeType(node) + "; it must be " + std::string(wanted));
}

std::string QuoteValue(const toml::node& node)
{
    if (const auto* text = node.as_string())
        return "'" + text->get() + "'";
    if (const auto* whole = node.as_integer())
        return std::to_string(whole->get());  // exactly, past the digits a double holds
    if (IsNumber(node))
        return BriefNumber(NumberOf(node));
    return DescribeType(node);
}

bool IsNumber(const toml::node& node)
{
    return node.is_integer() || node.is_floating_point();
}

double ReadNumber(const toml::node& node, std::string_view what, std::string_view wanted)
{
    if (!IsNumber(node))
        RefuseType(node, what, wanted);
    const double value = NumberOf(node);
    if (std::isnan(value))
        Refuse(LineOf(node), std::string(what) + " is nan; it must be " + std::string(wanted));
    return value;
}

double ReadNumberWithin(const toml::node& node, std::string_view what, double minimum, double maximum)
{
    const std::string range = FormatRange(minimum, maximum);
    const double value = ReadNumber(node, what, "a number from " + range);
    if (value < minimum || value > maximum)
        Refuse(LineOf(node), std::string(what) + " is " + QuoteValue(node) + "; use " + range);
    return value;
}

double ReadWholeWithin(const toml::node& node, std::string_view what, double minimum, double maximum)
{
    const std::string wanted = "a whole number from " + FormatRange(minimum, maximum);
    const double value = ReadNumber(node, what, wanted);
    if (value != std::trunc(value))
        Refuse(LineOf(node), std::string(what) + " is " + QuoteValue(node) + "; it must be " + wanted);
    return ReadNumberWithin(node, what, minimum, maximum);
}

std::string ReadText(const toml::node& node, std::string_view what, std::string_view wanted)
{
    const auto* text = node.as_string();
    if (!text)
        RefuseType(node, what, wanted);
    return text->get();
}

bool ReadFlag(const toml::node& node, std::string_view what)
{
    const auto* flag = node.as_boolean();
    if (!flag)
        RefuseType(node, what, "true or false");
    return flag->get();
}

double ReadTime(const toml::node& node, std::string_view what)
{
    double seconds = 0.0;
    if (node.is_string()) {
        const auto parsed = ParseTimeText(node.as_string()->get());
        if (!parsed)
            Refuse(LineOf(node), std::string(what) + " is " + QuoteValue(node) + ", not a time; use " +
                                     std::string(kTimeForms));
        seconds = *parsed;
    } else {
        seconds = ReadNumber(node, what, "a time: " + std::string(kTimeForms));
    }
    if (seconds < 0 || seconds > kLongestTrackSeconds)
        Refuse(LineOf(node), std::string(what) + " is " + QuoteValue(node) + "; use a time from 0:00 to 24:00:00");
    return seconds;
}

const toml::table& ReadTable(const toml::node& node, std::string_view what, std::string_view wanted)
{
    const auto* table = node.as_table();
    if (!table)
        RefuseType(node, what, wanted);
    return *table;
}

const toml::array& ReadArray(const toml::node& node, std::string_view what, std::string_view wanted)
{
    const auto* array = node.as_array();
    if (!array)
        RefuseType(node, what, wanted);
    return *array;
}

const toml::array& ReadArrayOfTables(const toml::node& node, std::string_view what, std::string_view header)
{
    if (node.is_table())
        Refuse(LineOf(node), std::string(what) + " is a single table; write its line with two brackets, " +
                                 std::string(header));
    return ReadArray(node, what, "tables, each below a " + std::string(header) + " line");
}
