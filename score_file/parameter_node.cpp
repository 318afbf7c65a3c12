#include "score_file/parameter_node.h"

#include <cmath>
#include <optional>

#include "text/nearest_name.h"
#include "score_file/score_keys.h"
#include "score_file/score_limits.h"
#include "score_file/toml_node_values.h"
#include "engine/parameters/parameter_text.h"

namespace {

constexpr std::string_view kOff = "off";

// A whole-number value that never moves (the cuts' slope) keeps to its steps
// in a score too; one that moves passes through every number anyway.
bool KeepsToSteps(const ParameterRow& row)
{
    return row.m_kind == ParameterKind::Whole && !row.m_bMoves;
}

bool InRange(const ParameterRow& row, double value)
{
    if (KeepsToSteps(row))
        return IsAllowedValue(row, value);
    return (row.m_bZeroIsOff && value == 0.0) || (value >= LowestOf(row) && value <= row.m_dMaximum);
}

// A value in milliseconds given as seconds, as "0.2" for a grain length, is
// told what it would be: " (0.2 seconds is 200)". Nothing for other values.
std::string InSeconds(const ParameterRow& row, double value)
{
    const double milliseconds = value * 1000.0;
    if (std::string_view(row.m_szUnit) != "ms" || !InRange(row, milliseconds))
        return {};
    return " (" + FormatNumber(value) + " seconds is " + FormatNumber(milliseconds) + ")";
}

double ReadChoice(const toml::node& node, const ParameterRow& row, const std::string& key)
{
    const std::string name = ReadText(node, key, "a name: " + DescribeScoreRange(row));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < row.m_choices.size(); ++i) {
        if (name == row.m_choices[i])
            return static_cast<double>(i);
        names.emplace_back(row.m_choices[i]);
    }
    std::string text = key + " is '" + name + "'; use " + DescribeScoreRange(row);
    if (const auto nearest = NearestName(name, names))
        text += " (did you mean '" + *nearest + "'?)";
    Refuse(LineOf(node), text);
}

double ReadNumberOfRow(const toml::node& node, const ParameterRow& row, const std::string& key)
{
    if (row.m_bZeroIsOff && node.is_string() && node.as_string()->get() == kOff)
        return 0.0;
    const double value = ReadNumber(node, key, "a number from " + DescribeScoreRange(row));
    if (!InRange(row, value))
        Refuse(LineOf(node), key + " is " + QuoteValue(node) + "; use " + DescribeScoreRange(row) + InSeconds(row, value));
    return value;
}

}  // namespace

std::string DescribeScoreRange(const ParameterRow& row)
{
    if (row.m_kind == ParameterKind::Choice || KeepsToSteps(row))
        return DescribeAllowed(row);
    std::string text = FormatNumber(LowestOf(row)) + " to " + FormatNumber(row.m_dMaximum) + UnitAfterNumber(row);
    if (row.m_bZeroIsOff)
        text += ", or \"off\"";
    return text;
}

double ReadParameterValue(const toml::node& node, const ParameterRow& row)
{
    const std::string key = row.m_szScoreKey;
    if (row.m_kind == ParameterKind::Choice)
        return ReadChoice(node, row, key);
    return ReadNumberOfRow(node, row, key);
}

std::vector<double> ReadParameterList(const toml::node& node, const ParameterRow& row)
{
    const std::string key = row.m_szScoreKey;
    const std::string wanted = "an array of numbers from " + DescribeScoreRange(row) + ", such as [0, 7, 12]";
    const toml::array& array = ReadArray(node, key, wanted);
    std::vector<double> list;
    for (const toml::node& item : array) {
        const double value = ReadNumber(item, "an interval of " + key, "a number from " + DescribeScoreRange(row));
        if (!InRange(row, value))
            Refuse(LineOf(item), "an interval of " + key + " is " + QuoteValue(item) + "; use " +
                                     DescribeScoreRange(row));
        list.push_back(value);
    }
    return list;
}

double ReadGain(const toml::node& node)
{
    const std::string range = FormatNumber(kQuietestGainDb) + " to " + FormatNumber(kLoudestGainDb);
    const double gain = ReadNumber(node, "gain", "a number of dB from " + range + ", or -inf for silence");
    if (gain == -INFINITY)
        return gain;
    if (gain < kQuietestGainDb || gain > kLoudestGainDb)
        Refuse(LineOf(node), "gain is " + QuoteValue(node) + "; use " + range + " dB, or -inf for silence");
    return gain;
}
