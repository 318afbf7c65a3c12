#include "studio/model/lane_facts.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "engine/parameters/parameter_table.h"
#include "engine/parameters/parameter_text.h"
#include "engine/score/score.h"

namespace studio {

namespace {

// "grain-length" as a label: "Grain length".
std::string LabelOf(const char* name)
{
    std::string label = name;
    std::replace(label.begin(), label.end(), '-', ' ');
    if (!label.empty())
        label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
    return label;
}

LaneKind KindOf(ParameterKind kind)
{
    switch (kind) {
    case ParameterKind::Choice: return LaneKind::Choice;
    case ParameterKind::RealList: return LaneKind::List;
    case ParameterKind::Whole:
    case ParameterKind::Real: break;
    }
    return LaneKind::Number;
}

LaneFacts GainFacts()
{
    LaneFacts facts;
    facts.m_key = LaneKey::Gain();
    facts.m_strLabel = "Gain";
    facts.m_strUnit = "dB";
    facts.m_strWhat = "The layer's level in the mix, in dB; silent below the range";
    facts.m_strScoreKey = kGainKey;
    facts.m_dLowest = kQuietestGainDb;
    facts.m_dHighest = kLoudestGainDb;
    facts.m_bSilentBelow = true;
    facts.m_bCanDrift = true;
    return facts;
}

// The power of ten nearest below x (x > 0).
double PowerOfTenBelow(double x)
{
    return std::pow(10.0, std::floor(std::log10(x)));
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Where a stepped lane's steps count from: its lowest value, or above it
// where whole numbers are allowed below the steps.
double StepBase(const LaneFacts& facts)
{
    return facts.m_dStep > 0.0 && facts.m_dStepFrom > facts.m_dLowest ? facts.m_dStepFrom : facts.m_dLowest;
}

}  // namespace

std::vector<LaneKey> AllLanes()
{
    std::vector<LaneKey> lanes = {LaneKey::Gain()};
    for (const ParameterRow& row : ParameterTable()) {
        if (IsMovable(row.m_id))
            lanes.push_back(LaneKey::Of(row.m_id));
    }
    return lanes;
}

bool IsMovable(ParameterId id)
{
    return RowOf(id).m_bMoves;
}

std::vector<ParameterId> LayerParameters()
{
    std::vector<ParameterId> ids;
    for (const ParameterRow& row : ParameterTable()) {
        if (row.m_scope == ParameterScope::Layer)
            ids.push_back(row.m_id);
    }
    return ids;
}

LaneFacts FactsOf(LaneKey key)
{
    if (key.IsGain())
        return GainFacts();
    const ParameterRow& row = RowOf(*key.m_parameter);
    LaneFacts facts;
    facts.m_key = key;
    facts.m_strLabel = LabelOf(row.m_szName);
    facts.m_strUnit = row.m_szUnit;
    facts.m_strWhat = row.m_szWhat;
    facts.m_strScoreKey = row.m_szScoreKey;
    facts.m_kind = KindOf(row.m_kind);
    facts.m_dLowest = LowestOf(row);
    facts.m_dStepFrom = row.m_dMinimum;
    facts.m_dHighest = row.m_dMaximum;
    facts.m_dStep = row.m_kind == ParameterKind::Whole ? row.m_dStep : 0.0;
    facts.m_bCanDrift = row.m_bDrifts;
    for (const char* choice : row.m_choices)
        facts.m_choices.emplace_back(choice);
    if (facts.m_kind == LaneKind::Choice) {
        facts.m_dLowest = 0.0;
        facts.m_dStepFrom = 0.0;
        facts.m_dHighest = facts.m_choices.empty() ? 0.0 : static_cast<double>(facts.m_choices.size() - 1);
        facts.m_dStep = 1.0;
    }
    return facts;
}

double KeepValue(const LaneFacts& facts, double value)
{
    if (facts.m_bSilentBelow && value == -INFINITY)
        return value;
    if (std::isnan(value))
        return facts.m_dLowest;
    double kept = std::clamp(value, facts.m_dLowest, facts.m_dHighest);
    if (facts.m_dStep > 0.0) {
        const double base = StepBase(facts);
        if (kept < base)
            return std::min(std::round(kept), base);
        kept = base + std::round((kept - base) / facts.m_dStep) * facts.m_dStep;
        kept = std::min(kept, facts.m_dHighest);
    }
    return kept;
}

double DragResolution(const LaneFacts& facts, bool fine)
{
    if (facts.m_dStep > 0.0)
        return facts.m_dStep;
    const double span = facts.m_dHighest - facts.m_dLowest;
    if (span <= 0.0)
        return 1.0;
    // About a thousandth of the range, as a round number: 0.01 semitone of
    // pitch's 48, 0.1 dB of the gain's 144.
    const double resolution = PowerOfTenBelow(span / 1000.0);
    return fine ? resolution / 10.0 : resolution;
}

double SnapValue(const LaneFacts& facts, double value, double resolution)
{
    if (resolution > 0.0 && std::isfinite(value)) {
        const double base = facts.m_dStep > 0.0 ? StepBase(facts) : 0.0;
        value = base + std::round((value - base) / resolution) * resolution;
        // Rounding in binary leaves 0.30000000000000004; the decimal text
        // of the step's precision reads back as the intended value.
        const double digits = std::max(0.0, -std::floor(std::log10(resolution)));
        const double scale = std::pow(10.0, digits);
        value = std::round(value * scale) / scale;
    }
    return KeepValue(facts, value);
}

std::string FormatLaneValue(const LaneFacts& facts, double value)
{
    if (facts.m_kind == LaneKind::Choice) {
        const auto index = static_cast<std::size_t>(std::clamp(value, 0.0, facts.m_dHighest));
        return index < facts.m_choices.size() ? facts.m_choices[index] : std::string();
    }
    if (facts.m_bSilentBelow && value == -INFINITY)
        return "silent";
    const std::string number = FormatNumber(value);
    return facts.m_strUnit.empty() ? number : number + " " + facts.m_strUnit;
}

std::string FormatLaneList(const LaneFacts& facts, const std::vector<double>& values)
{
    std::string text;
    for (const double value : values)
        text.append(text.empty() ? "" : ", ").append(FormatNumber(value));
    if (text.empty())
        return "none";
    return facts.m_strUnit.empty() ? text : text + " " + facts.m_strUnit;
}

std::optional<double> ParseLaneValue(const LaneFacts& facts, const std::string& typed)
{
    std::string text = Trimmed(typed);
    if (facts.m_kind == LaneKind::Choice) {
        for (std::size_t i = 0; i < facts.m_choices.size(); ++i) {
            if (text == facts.m_choices[i])
                return static_cast<double>(i);
        }
        return std::nullopt;
    }
    if (facts.m_bSilentBelow && (text == "-inf" || text == "silent" || text == "off"))
        return -INFINITY;
    if (!facts.m_strUnit.empty() && text.size() > facts.m_strUnit.size() &&
        text.compare(text.size() - facts.m_strUnit.size(), std::string::npos, facts.m_strUnit) == 0)
        text = Trimmed(text.substr(0, text.size() - facts.m_strUnit.size()));
    // The table's own reader of real numbers: a sign, digits, a point.
    ParameterRow any{};
    any.m_kind = ParameterKind::Real;
    any.m_dMinimum = facts.m_dLowest;
    any.m_dMaximum = facts.m_dHighest;
    const std::optional<double> value = ParseParameterValue(any, text);
    if (!value)
        return std::nullopt;
    if (facts.m_dStep > 0.0 && KeepValue(facts, *value) != *value)
        return std::nullopt;
    return value;
}

std::optional<std::vector<double>> ParseLaneList(const LaneFacts& facts, const std::string& typed)
{
    std::string text;
    for (const char c : typed) {
        if (c != ' ' && c != '\t')
            text += c;
    }
    if (!facts.m_strUnit.empty() && text.size() > facts.m_strUnit.size() &&
        text.compare(text.size() - facts.m_strUnit.size(), std::string::npos, facts.m_strUnit) == 0)
        text.resize(text.size() - facts.m_strUnit.size());
    if (text.empty())
        return std::nullopt;
    ParameterRow any{};
    any.m_kind = ParameterKind::RealList;
    any.m_dMinimum = facts.m_dLowest;
    any.m_dMaximum = facts.m_dHighest;
    return ParseParameterList(any, text);
}

std::string DescribeLaneRange(const LaneFacts& facts)
{
    if (facts.m_kind == LaneKind::Choice) {
        std::string text;
        for (std::size_t i = 0; i < facts.m_choices.size(); ++i)
            text.append(i == 0 ? "" : i + 1 == facts.m_choices.size() ? " or " : ", ").append(facts.m_choices[i]);
        return text;
    }
    std::string text;
    if (facts.m_dStep > 0.0 && StepBase(facts) > facts.m_dLowest)
        text = FormatNumber(facts.m_dLowest) + " to " + FormatNumber(StepBase(facts) - 1.0) + ", or ";
    text += FormatNumber(StepBase(facts)) + " to " + FormatNumber(facts.m_dHighest);
    if (facts.m_dStep > 0.0 && facts.m_dStep != 1.0)
        text += " in steps of " + FormatNumber(facts.m_dStep);
    if (!facts.m_strUnit.empty())
        text += " " + facts.m_strUnit;
    if (facts.m_bSilentBelow)
        text += ", or -inf (silent)";
    if (facts.m_kind == LaneKind::List)
        text = "numbers from " + text + " separated by commas";
    return text;
}

}  // namespace studio
