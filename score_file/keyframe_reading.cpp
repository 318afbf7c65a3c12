#include "score_file/keyframe_reading.h"

#include <string>

#include "text/nearest_name.h"
#include "score_file/curve_names.h"
#include "score_file/parameter_node.h"
#include "score_file/score_keys.h"
#include "score_file/score_limits.h"
#include "score_file/time_text.h"
#include "score_file/toml_node_values.h"

namespace {

Curve ReadCurve(const toml::node& node)
{
    const std::string wanted = "linear, smooth or step";
    const std::string name = ReadText(node, "curve", wanted);
    if (const auto curve = FindCurve(name))
        return *curve;
    std::string text = "curve is '" + name + "'; use " + wanted;
    if (const auto nearest = NearestName(name, CurveNames()))
        text += " (did you mean '" + *nearest + "'?)";
    Refuse(LineOf(node), text);
}

void ReadKeyframeValues(const toml::table& table, Keyframe& keyframe)
{
    if (const toml::node* gain = table.get(kGainKey))
        keyframe.m_gainDb = ReadGain(*gain);
    for (const ParameterRow& row : ParameterTable()) {
        const toml::node* node = row.m_bMoves ? table.get(row.m_szScoreKey) : nullptr;
        if (!node)
            continue;
        if (row.m_kind == ParameterKind::RealList)
            keyframe.m_pitchSet = ReadParameterList(*node, row);
        else
            keyframe.m_values[row.m_id] = ReadParameterValue(*node, row);
    }
}

Keyframe ReadKeyframe(const toml::table& table)
{
    CheckKeys(table, ScoreSection::Keyframe);
    Keyframe keyframe;
    keyframe.m_nLine = LineOf(table);
    const toml::node* time = table.get("time");
    if (!time)
        Refuse(keyframe.m_nLine, "a keyframe without a time; give it one, such as time = \"20:00\"");
    keyframe.m_dSeconds = ReadTime(*time, "time");
    if (const toml::node* curve = table.get("curve"))
        keyframe.m_curve = ReadCurve(*curve);
    ReadKeyframeValues(table, keyframe);
    return keyframe;
}

void CheckOrder(const Keyframe& keyframe, const Keyframe* before)
{
    const std::string at = FormatTimeText(keyframe.m_dSeconds);
    if (!before || keyframe.m_dSeconds > before->m_dSeconds)
        return;
    const std::string earlier = "line " + std::to_string(before->m_nLine);
    if (keyframe.m_dSeconds == before->m_dSeconds)
        Refuse(keyframe.m_nLine, "a second keyframe at " + at + " (the first is on " + earlier +
                                     "); use a step curve for a sudden change");
    Refuse(keyframe.m_nLine, "a keyframe at " + at + " after one at " + FormatTimeText(before->m_dSeconds) +
                                 " (" + earlier + "); keyframes go in time order");
}

}  // namespace

std::vector<Keyframe> ReadKeyframes(const toml::node& at)
{
    const toml::array& array = ReadArrayOfTables(at, "at", "[[layer.at]]");
    std::vector<Keyframe> keyframes;
    for (const toml::node& item : array) {
        if (keyframes.size() == static_cast<std::size_t>(kMostKeyframesPerLayer))
            Refuse(LineOf(item), "more than " + std::to_string(kMostKeyframesPerLayer) + " keyframes in a layer");
        const toml::table& table = ReadTable(item, "a keyframe", "a table, below a [[layer.at]] line");
        Keyframe keyframe = ReadKeyframe(table);
        CheckOrder(keyframe, keyframes.empty() ? nullptr : &keyframes.back());
        keyframes.push_back(std::move(keyframe));
    }
    return keyframes;
}
