#include "score_file/score_writing.h"

#include <cmath>
#include <cstdio>

#include "score_file/curve_names.h"
#include "score_file/effect_reading.h"
#include "score_file/score_keys.h"
#include "score_file/source_fingerprint.h"
#include "score_file/time_text.h"
#include "engine/parameters/parameter_text.h"

namespace {

const char kHeading[] =
    "# A Sonnelith score: sonnelith-cli THIS.toml -o OUT.wav renders it. Its keys, units and ranges:\n"
    "# man sonnelith-cli (SCORE FILES), or the chapter \"Scores\" of the user's guide.\n";

std::string Entry(const std::string& key, const std::string& value, const char* comment = nullptr)
{
    return key + " = " + value + (comment ? std::string("  # ") + comment : "") + "\n";
}

std::string Time(double seconds)
{
    // Appended, not "\"" + text: GCC 12's optimiser reports a false overlap
    // (-Wrestrict, GCC bug 105651) in std::string's insert at the front.
    return std::string("\"").append(FormatTimeText(seconds)).append("\"");
}

std::string Gain(double decibels)
{
    return decibels == -INFINITY ? "-inf" : FormatNumber(decibels);
}

std::string NumberList(const std::vector<double>& values)
{
    std::string text;
    for (const double value : values)
        text += (text.empty() ? "" : ", ") + FormatNumber(value);
    return "[" + text + "]";
}

// A number or choice row's value as the reader takes it.
std::string ParameterText(const ParameterRow& row, double value)
{
    if (row.m_kind == ParameterKind::Choice)
        return QuoteTomlString(row.m_choices[static_cast<std::size_t>(value)]);
    return FormatNumber(value);
}

std::string TopText(const Score& score)
{
    std::string text = Entry("length", Time(score.m_nLengthSeconds));
    if (score.m_seed)
        text += Entry("seed", std::to_string(*score.m_seed));
    text += Entry("volume", std::to_string(score.m_nVolume),
                  score.m_loudness ? "% of full scale: the ceiling" : "% of full scale: the peak");
    if (score.m_loudness)
        text += Entry("loudness", FormatNumber(*score.m_loudness), "LUFS");
    text += Entry("fade", std::to_string(score.m_nFadeSeconds), score.m_bLoop ? "seconds: the loop's seam" : "seconds");
    text += Entry("loop", score.m_bLoop ? "true" : "false");
    if (score.m_levelRange)
        text += Entry("level_range", FormatNumber(*score.m_levelRange), "LU");
    return text;
}

std::string SourceText(const ScoreLayer& layer)
{
    std::string text = Entry("source", QuoteTomlString(layer.m_strSource));
    if (layer.m_storedSource) {
        text += Entry("source_seconds", FormatNumber(layer.m_storedSource->m_dSeconds),
                      "the source as it was rendered: its length");
        text += Entry("source_hash", QuoteTomlString(FormatSourceHash(layer.m_storedSource->m_nHash)),
                      "and its bytes");
    }
    if (layer.m_sourceStartSeconds)
        text += Entry("source_start", FormatNumber(*layer.m_sourceStartSeconds), "seconds");
    if (layer.m_sourceEndSeconds)
        text += Entry("source_end", FormatNumber(*layer.m_sourceEndSeconds), "seconds");
    return text;
}

std::string LayerValuesText(const ScoreLayer& layer)
{
    std::string text;
    if (layer.m_dGainDb != 0.0)
        text += Entry(kGainKey, Gain(layer.m_dGainDb), "dB");
    const ParameterValues defaults;
    for (const ParameterRow& row : ParameterTable()) {
        if (row.m_scope != ParameterScope::Layer)
            continue;
        const std::string key = row.m_szScoreKey;
        if (row.m_kind == ParameterKind::RealList) {
            if (!layer.m_values.GetPitchSet().empty())
                text += Entry(key, NumberList(layer.m_values.GetPitchSet()));
        } else if (row.m_bAlwaysWritten || layer.m_values.Get(row.m_id) != defaults.Get(row.m_id)) {
            text += Entry(key, ParameterText(row, layer.m_values.Get(row.m_id)));
        }
    }
    return text;
}

std::string KeyframeText(const Keyframe& keyframe)
{
    std::string text = "\n[[layer.at]]\n" + Entry("time", Time(keyframe.m_dSeconds));
    if (keyframe.m_gainDb)
        text += Entry(kGainKey, Gain(*keyframe.m_gainDb));
    for (const ParameterRow& row : ParameterTable()) {
        if (row.m_kind == ParameterKind::RealList && keyframe.m_pitchSet)
            text += Entry(row.m_szScoreKey, NumberList(*keyframe.m_pitchSet));
        const auto value = keyframe.m_values.find(row.m_id);
        if (value != keyframe.m_values.end())
            text += Entry(row.m_szScoreKey, ParameterText(row, value->second));
    }
    if (keyframe.m_curve != Curve::Linear)
        text += Entry("curve", QuoteTomlString(CurveName(keyframe.m_curve)));
    return text;
}

std::string DriftEntry(const std::string& key, const Drift& drift)
{
    const std::string depth = FormatNumber(drift.m_dDepth);
    return Entry(key, "{ depth = " + depth + ", period = " + Time(drift.m_dPeriodSeconds) + " }");
}

std::string DriftText(const ScoreLayer& layer)
{
    if (!layer.m_gainDrift && layer.m_drift.empty())
        return {};
    std::string text = "\n[layer.drift]\n";
    if (layer.m_gainDrift)
        text += DriftEntry(kGainKey, *layer.m_gainDrift);
    for (const auto& [id, drift] : layer.m_drift)
        text += DriftEntry(RowOf(id).m_szScoreKey, drift);
    return text;
}

}  // namespace

std::string QuoteTomlString(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string WriteScoreText(const Score& score)
{
    std::string text = std::string(kHeading) + "\n" + TopText(score);
    for (const ScoreLayer& layer : score.m_layers) {
        text += "\n[[layer]]\n" + SourceText(layer) + LayerValuesText(layer);
        for (const Keyframe& keyframe : layer.m_keyframes)
            text += KeyframeText(keyframe);
        text += DriftText(layer);
        text += WriteEffects(layer.m_effects, "[[layer.effect]]");
    }
    return text + WriteEffects(score.m_effects, "[[effect]]");
}
