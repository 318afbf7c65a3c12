#include "score_file/score_table_reading.h"

#include <cstdint>

#include "score_file/effect_reading.h"
#include "score_file/layer_reading.h"
#include "score_file/score_keys.h"
#include "score_file/score_limits.h"
#include "score_file/toml_node_values.h"
#include "engine/parameters/parameter_table.h"

namespace {

void ReadLength(const toml::node& node, Score& score)
{
    const double seconds = ReadTime(node, "length");
    if (seconds != static_cast<double>(static_cast<std::int32_t>(seconds)))
        Refuse(LineOf(node), "length is " + QuoteValue(node) + "; a track's length is whole seconds");
    score.m_nLengthSeconds = static_cast<std::int32_t>(seconds);
}

void ReadLevels(const toml::table& document, Score& score)
{
    const ParameterRow& volume = RowOf(ParameterId::Volume);
    if (const toml::node* node = document.get("volume"))
        score.m_nVolume = static_cast<int>(ReadWholeWithin(*node, "volume", volume.m_dMinimum, volume.m_dMaximum));
    if (const toml::node* node = document.get("loudness"))
        score.m_loudness = ReadNumberWithin(*node, "loudness", kQuietestScoreLoudness, kLoudestScoreLoudness);
    const ParameterRow& fade = RowOf(ParameterId::Fade);
    if (const toml::node* node = document.get("fade"))
        score.m_nFadeSeconds = static_cast<int>(ReadWholeWithin(*node, "fade", fade.m_dMinimum, fade.m_dMaximum));
    if (const toml::node* node = document.get("level_range"))
        score.m_levelRange = ReadNumberWithin(*node, "level_range", kNarrowestLevelRange, kWidestLevelRange);
}

void ReadTopValues(const toml::table& document, Score& score)
{
    if (const toml::node* node = document.get("length"))
        ReadLength(*node, score);
    if (const toml::node* node = document.get("seed"))
        score.m_seed = static_cast<std::uint32_t>(ReadWholeWithin(*node, "seed", 0, UINT32_MAX));
    ReadLevels(document, score);
    if (const toml::node* node = document.get("loop"))
        score.m_bLoop = ReadFlag(*node, "loop");
}

void ReadLayers(const toml::table& document, const std::string& folder, Score& score)
{
    const toml::node* node = document.get("layer");
    if (!node)
        Refuse(0, "no layer; a score needs at least one [[layer]] with a source");
    const toml::array& layers = ReadArrayOfTables(*node, "layer", "[[layer]]");
    if (layers.empty())
        Refuse(LineOf(layers), "no layer; a score needs at least one [[layer]] with a source");
    for (const toml::node& item : layers) {
        if (score.m_layers.size() == static_cast<std::size_t>(kMostLayers))
            Refuse(LineOf(item), "more than " + std::to_string(kMostLayers) + " layers; a score takes at most " +
                                     std::to_string(kMostLayers));
        const toml::table& table = ReadTable(item, "a layer", "a table, below a [[layer]] line");
        score.m_layers.push_back(ReadLayer(table, folder));
    }
}

}  // namespace

Score ReadScoreTable(const toml::table& document, const std::string& folder)
{
    CheckKeys(document, ScoreSection::Top);
    Score score;
    ReadTopValues(document, score);
    ReadLayers(document, folder, score);
    if (const toml::node* effect = document.get("effect"))
        score.m_effects = ReadEffects(*effect, "[[effect]]");
    return score;
}
