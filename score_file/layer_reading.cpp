#include "score_file/layer_reading.h"

#include "score_file/drift_reading.h"
#include "score_file/effect_reading.h"
#include "score_file/parameter_node.h"
#include "score_file/score_keys.h"
#include "score_file/score_refusal.h"
#include "score_file/score_sources.h"
#include "score_file/source_fingerprint.h"
#include "score_file/time_text.h"
#include "score_file/toml_node_values.h"
#include "engine/parameters/parameter_text.h"

namespace {

constexpr std::string_view kSourceForm = "the name of a sound file, such as \"rain.flac\"";

std::string ReadSourceName(const toml::node& source)
{
    std::string name = ReadText(source, "source", kSourceForm);
    // A NUL would end the name where the system reads it.
    if (name.empty() || name.find('\0') != std::string::npos)
        Refuse(LineOf(source), "source is " + std::string(name.empty() ? "empty" : "a name with a NUL in it") +
                                   "; it must be " + std::string(kSourceForm));
    return name;
}

void ReadSourceStretch(const toml::table& table, ScoreLayer& layer)
{
    if (const toml::node* start = table.get("source_start"))
        layer.m_sourceStartSeconds = ReadTime(*start, "source_start");
    const toml::node* end = table.get("source_end");
    if (!end)
        return;
    layer.m_sourceEndSeconds = ReadTime(*end, "source_end");
    const double start = layer.m_sourceStartSeconds.value_or(0.0);
    if (*layer.m_sourceEndSeconds <= start)
        Refuse(LineOf(*end), "source_end is " + QuoteValue(*end) + ", not after source_start (" +
                                 FormatTimeText(start) + "); the stretch read runs from source_start to source_end");
}

// source_seconds and source_hash, as a score stored with an output gives them.
void ReadStoredSource(const toml::table& table, ScoreLayer& layer)
{
    const toml::node* seconds = table.get("source_seconds");
    const toml::node* hash = table.get("source_hash");
    if (!seconds && !hash)
        return;
    if (!seconds || !hash)
        Refuse(LineOf(seconds ? *seconds : *hash), "source_seconds and source_hash go together; give both or neither");
    SourceFacts facts;
    facts.m_dSeconds = ReadNumber(*seconds, "source_seconds", "the source's length in seconds, more than 0");
    if (!(facts.m_dSeconds > 0 && facts.m_dSeconds <= kLongestTrackSeconds))
        Refuse(LineOf(*seconds), "source_seconds is " + QuoteValue(*seconds) + "; use more than 0, up to 86400");
    const std::string hashForm = "fnv1a64: and 16 hex digits (0-9, a-f)";
    const auto parsed = ParseSourceHash(ReadText(*hash, "source_hash", hashForm));
    if (!parsed)
        Refuse(LineOf(*hash), "source_hash is " + QuoteValue(*hash) + "; it must be " + hashForm);
    facts.m_nHash = *parsed;
    layer.m_storedSource = facts;
}

void ReadLayerValues(const toml::table& table, ScoreLayer& layer)
{
    if (const toml::node* gain = table.get(kGainKey))
        layer.m_dGainDb = ReadGain(*gain);
    for (const ParameterRow& row : ParameterTable()) {
        const toml::node* node = row.m_scope == ParameterScope::Layer ? table.get(row.m_szScoreKey) : nullptr;
        if (!node)
            continue;
        if (row.m_kind == ParameterKind::RealList)
            layer.m_values.SetPitchSet(ReadParameterList(*node, row));
        else
            layer.m_values.Set(row.m_id, ReadParameterValue(*node, row));
    }
}

void FindSource(const toml::node& source, const std::string& folder, ScoreLayer& layer)
{
    layer.m_strSourcePath = ResolveSourcePath(folder, layer.m_strSource);
    if (const auto reason = SourceUnreadable(layer.m_strSourcePath))
        throw ScoreRefusal{LineOf(source), "cannot read the source " + *reason, true};
}

}  // namespace

ScoreLayer ReadLayer(const toml::table& table, const std::string& folder)
{
    CheckKeys(table, ScoreSection::Layer);
    ScoreLayer layer;
    layer.m_nLine = LineOf(table);
    const toml::node* source = table.get("source");
    if (!source)
        Refuse(layer.m_nLine, "a layer without a source; name its sound file, such as source = \"rain.flac\"");
    layer.m_strSource = ReadSourceName(*source);
    layer.m_nSourceLine = LineOf(*source);
    ReadSourceStretch(table, layer);
    ReadStoredSource(table, layer);
    ReadLayerValues(table, layer);
    if (const toml::node* at = table.get("at"))
        layer.m_keyframes = ReadKeyframes(*at);
    if (const toml::node* drift = table.get("drift"))
        ReadDrift(*drift, layer);
    if (const toml::node* effect = table.get("effect"))
        layer.m_effects = ReadEffects(*effect, "[[layer.effect]]");
    FindSource(*source, folder, layer);
    return layer;
}
