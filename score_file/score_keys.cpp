#include "score_file/score_keys.h"

#include <algorithm>
#include <optional>

#include "text/nearest_name.h"
#include "score_file/toml_node_values.h"
#include "engine/parameters/parameter_table.h"
#include "engine/score/score.h"

namespace {

const std::vector<std::string> kTopKeys = {"length", "seed", "volume",      "loudness",
                                           "fade",   "loop", "level_range", "layer", "effect"};
const std::vector<std::string> kSourceKeys = {"source",      "source_seconds", "source_hash",
                                              "source_start", "source_end"};

// The score keys of the parameters a layer gives (its own values), a
// keyframe moves, or drift moves, as the parameter table says.
bool IsLayerRow(const ParameterRow& row)
{
    return row.m_scope == ParameterScope::Layer;
}

bool MovesRow(const ParameterRow& row)
{
    return row.m_bMoves;
}

bool DriftsRow(const ParameterRow& row)
{
    return row.m_bDrifts;
}

std::vector<std::string> ParameterKeys(bool (*which)(const ParameterRow&))
{
    std::vector<std::string> keys;
    for (const ParameterRow& row : ParameterTable()) {
        if (which(row))
            keys.push_back(row.m_szScoreKey);
    }
    return keys;
}

const char* SectionName(ScoreSection section)
{
    switch (section) {
    case ScoreSection::Top: return "at the top of the score";
    case ScoreSection::Layer: return "in a layer";
    case ScoreSection::Keyframe: return "in a keyframe";
    case ScoreSection::Drift: return "in a drift";
    case ScoreSection::DriftEntry: return "in a parameter's drift";
    }
    return "";
}

bool Contains(const std::vector<std::string>& keys, const std::string& key)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Where a key that another part takes belongs, said for the part it was
// found in; nothing when no part takes it.
std::optional<std::string> Misplacement(const std::string& key, ScoreSection section)
{
    const std::string quoted = "'" + key + "'";
    if (section == ScoreSection::Drift && Contains(ParameterKeys(IsLayerRow), key))
        return quoted + " cannot drift; drift moves gain and the numbers among the grain parameters";
    if (section == ScoreSection::Drift && (key == "depth" || key == "period"))
        return quoted + " goes in one parameter's drift, such as pitch = { depth = 0.5, period = \"1:30\" }";
    const char effectPlaces[] = "below a [[layer.effect]] line (on the layer's sound) or an [[effect]] line (on the mix)";
    if (section != ScoreSection::Top && section != ScoreSection::Layer && key == "effect")
        return quoted + " is not taken here; effects go " + effectPlaces;
    if ((section == ScoreSection::Top || section == ScoreSection::Layer) && (key == "plugin" || key == "controls"))
        return quoted + " is an effect's; give it " + effectPlaces;
    if (section != ScoreSection::Top && key != "effect" && Contains(kTopKeys, key))
        return quoted + " is the whole score's; give it at the top, before the first [[layer]]";
    if (section == ScoreSection::Top && key != "effect" && Contains(KeysOf(ScoreSection::Layer), key))
        return quoted + " is a layer's; give it below a [[layer]] line";
    if (section == ScoreSection::Keyframe && Contains(KeysOf(ScoreSection::Layer), key))
        return quoted + " is the layer's own and cannot change over time; give it in the layer";
    if (section == ScoreSection::Layer && (key == "time" || key == "curve"))
        return quoted + " is a keyframe's; give it below a [[layer.at]] line";
    return std::nullopt;
}

std::string UnknownKey(const std::string& key, ScoreSection section)
{
    const std::vector<std::string> known = KeysOf(section);
    std::string text = "unknown key '" + key + "' " + SectionName(section);
    if (const auto nearest = NearestOption(key, known))
        return text + " (did you mean '" + *nearest + "'?)";
    text += "; it takes ";
    for (std::size_t i = 0; i < known.size(); ++i)
        text += (i == 0 ? "" : i + 1 == known.size() ? " and " : ", ") + known[i];
    return text;
}

}  // namespace

std::vector<std::string> KeysOf(ScoreSection section)
{
    std::vector<std::string> keys;
    switch (section) {
    case ScoreSection::Top: return kTopKeys;
    case ScoreSection::Layer:
        keys = kSourceKeys;
        keys.push_back(kGainKey);
        for (const std::string& key : ParameterKeys(IsLayerRow))
            keys.push_back(key);
        keys.insert(keys.end(), {"at", "drift", "effect"});
        return keys;
    case ScoreSection::Keyframe:
        keys = {"time", kGainKey};
        for (const std::string& key : ParameterKeys(MovesRow))
            keys.push_back(key);
        keys.push_back("curve");
        return keys;
    case ScoreSection::Drift:
        keys = {kGainKey};
        for (const std::string& key : ParameterKeys(DriftsRow))
            keys.push_back(key);
        return keys;
    case ScoreSection::DriftEntry: return {"depth", "period"};
    }
    return keys;
}

void CheckKeys(const toml::table& table, ScoreSection section)
{
    const std::vector<std::string> known = KeysOf(section);
    const toml::key* first = nullptr;
    for (const auto& [key, node] : table) {
        if (Contains(known, std::string(key.str())))
            continue;
        const auto& place = key.source().begin;
        if (!first || place < first->source().begin)
            first = &key;
    }
    if (!first)
        return;
    const std::string key(first->str());
    Refuse(LineOf(*first), Misplacement(key, section).value_or(UnknownKey(key, section)));
}
