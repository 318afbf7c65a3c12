#include "score_file/drift_reading.h"

#include <string>

#include "score_file/score_keys.h"
#include "score_file/score_limits.h"
#include "score_file/toml_node_values.h"
#include "engine/parameters/parameter_text.h"

namespace {

constexpr std::string_view kDriftForm = "a table such as { depth = 0.5, period = \"1:30\" }";

// The depth reaches at most across the parameter's whole range.
Drift ReadDriftEntry(const toml::node& node, const std::string& key, double widest)
{
    const std::string whose = key + "'s drift";
    const toml::table& table = ReadTable(node, whose, kDriftForm);
    CheckKeys(table, ScoreSection::DriftEntry);
    const toml::node* depth = table.get("depth");
    const toml::node* period = table.get("period");
    if (!depth || !period)
        Refuse(LineOf(table), whose + " needs a depth and a period, such as " + key +
                                  " = { depth = 0.5, period = \"1:30\" }");
    Drift drift;
    const std::string depthRange = "more than 0, up to " + FormatNumber(widest) + " (the width of " + key + "'s range)";
    drift.m_dDepth = ReadNumber(*depth, "the depth of " + whose, "a number " + depthRange);
    if (drift.m_dDepth <= 0 || drift.m_dDepth > widest)
        Refuse(LineOf(*depth), "the depth of " + whose + " is " + QuoteValue(*depth) + "; use " + depthRange);
    drift.m_dPeriodSeconds = ReadTime(*period, "the period of " + whose);
    if (drift.m_dPeriodSeconds < kShortestDriftPeriodSeconds)
        Refuse(LineOf(*period), "the period of " + whose + " is " + QuoteValue(*period) +
                                    "; a drift is slow: use 1 second (0:01) or more");
    return drift;
}

}  // namespace

void ReadDrift(const toml::node& drift, ScoreLayer& layer)
{
    const toml::table& table = ReadTable(drift, "drift", "a table, below a [layer.drift] line");
    CheckKeys(table, ScoreSection::Drift);
    if (const toml::node* gain = table.get(kGainKey))
        layer.m_gainDrift = ReadDriftEntry(*gain, kGainKey, kLoudestGainDb - kQuietestGainDb);
    for (const ParameterRow& row : ParameterTable()) {
        const std::string key = row.m_szScoreKey;
        const toml::node* node = row.m_bDrifts ? table.get(key) : nullptr;
        if (node)
            layer.m_drift[row.m_id] = ReadDriftEntry(*node, key, row.m_dMaximum - LowestOf(row));
    }
}
