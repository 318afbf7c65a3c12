#include "studio/model/lane_editing.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "score_file/score_limits.h"
#include "score_file/time_text.h"
#include "engine/parameters/parameter_text.h"

#include "studio/model/lane_points.h"

namespace studio {

namespace {

bool IsList(LaneKey key)
{
    return !key.IsGain() && FactsOf(key).m_kind == LaneKind::List;
}

void SetLaneValue(Keyframe& keyframe, LaneKey key, const LaneValue& value)
{
    const LaneFacts facts = FactsOf(key);
    if (key.IsGain()) {
        keyframe.m_gainDb = KeepValue(facts, value.m_dNumber);
    } else if (facts.m_kind == LaneKind::List) {
        std::vector<double> list;
        for (const double interval : value.m_list)
            list.push_back(KeepValue(facts, interval));
        keyframe.m_pitchSet = std::move(list);
    } else {
        keyframe.m_values[*key.m_parameter] = KeepValue(facts, value.m_dNumber);
    }
}

void ClearLaneValue(Keyframe& keyframe, LaneKey key)
{
    if (key.IsGain())
        keyframe.m_gainDb.reset();
    else if (IsList(key))
        keyframe.m_pitchSet.reset();
    else
        keyframe.m_values.erase(*key.m_parameter);
}

bool HoldsNothing(const Keyframe& keyframe)
{
    return keyframe.m_values.empty() && !keyframe.m_pitchSet && !keyframe.m_gainDb;
}

// The lane's value put at seconds: into the keyframe there, or a new one.
void PutValue(Score& work, ScoreEdit& edit, LaneTarget target, double seconds, const LaneValue& value, Curve curve)
{
    const std::vector<Keyframe>& keyframes = work.m_layers[target.m_nLayer].m_keyframes;
    const auto place = std::lower_bound(keyframes.begin(), keyframes.end(), seconds,
                                        [](const Keyframe& k, double t) { return k.m_dSeconds < t; });
    const auto index = static_cast<std::size_t>(place - keyframes.begin());
    if (place != keyframes.end() && place->m_dSeconds == seconds) {
        Keyframe after = *place;
        SetLaneValue(after, target.m_key, value);
        edit.ApplyStep(work, ReplaceKeyframe{target.m_nLayer, index, *place, after});
        return;
    }
    Keyframe keyframe;
    keyframe.m_dSeconds = seconds;
    keyframe.m_curve = curve;
    SetLaneValue(keyframe, target.m_key, value);
    edit.ApplyStep(work, InsertKeyframe{target.m_nLayer, index, keyframe});
}

// The lane's value taken out of keyframe index.
void TakeValue(Score& work, ScoreEdit& edit, LaneTarget target, std::size_t index)
{
    const Keyframe& before = work.m_layers[target.m_nLayer].m_keyframes[index];
    Keyframe after = before;
    ClearLaneValue(after, target.m_key);
    if (HoldsNothing(after))
        edit.ApplyStep(work, EraseKeyframe{target.m_nLayer, index, before});
    else
        edit.ApplyStep(work, ReplaceKeyframe{target.m_nLayer, index, before, after});
}

bool HoldsPoint(const Score& score, LaneTarget target, std::size_t keyframe)
{
    return target.m_nLayer < score.m_layers.size() &&
           keyframe < score.m_layers[target.m_nLayer].m_keyframes.size() &&
           HoldsLane(score.m_layers[target.m_nLayer].m_keyframes[keyframe], target.m_key);
}

}  // namespace

double KeepTime(const Score& score, double seconds)
{
    if (!std::isfinite(seconds))
        return 0.0;
    const double rounded = std::round(seconds * 1000.0) / 1000.0;
    return std::clamp(rounded, 0.0, static_cast<double>(score.m_nLengthSeconds));
}

ScoreEdit AddPoint(const Score& score, LaneTarget target, double seconds, const LaneValue& value)
{
    ScoreEdit edit("Add keyframe");
    if (target.m_nLayer >= score.m_layers.size())
        return edit;
    Score work = score;
    PutValue(work, edit, target, KeepTime(score, seconds), value, Curve::Linear);
    return edit;
}

ScoreEdit MovePoint(const Score& score, LaneTarget target, std::size_t keyframe, double seconds,
                    const LaneValue& value)
{
    ScoreEdit edit("Move keyframe");
    if (!HoldsPoint(score, target, keyframe))
        return edit;
    Score work = score;
    const Keyframe& before = work.m_layers[target.m_nLayer].m_keyframes[keyframe];
    const double time = KeepTime(score, seconds);
    const Curve curve = before.m_curve;
    if (time == before.m_dSeconds) {
        Keyframe after = before;
        SetLaneValue(after, target.m_key, value);
        if (!(after == before))
            edit.ApplyStep(work, ReplaceKeyframe{target.m_nLayer, keyframe, before, after});
        return edit;
    }
    TakeValue(work, edit, target, keyframe);
    PutValue(work, edit, target, time, value, curve);
    return edit;
}

ScoreEdit DeletePoint(const Score& score, LaneTarget target, std::size_t keyframe)
{
    ScoreEdit edit("Delete keyframe");
    if (!HoldsPoint(score, target, keyframe))
        return edit;
    Score work = score;
    TakeValue(work, edit, target, keyframe);
    return edit;
}

ScoreEdit SetPointCurve(const Score& score, LaneTarget target, std::size_t keyframe, Curve curve)
{
    ScoreEdit edit("Change curve");
    if (!HoldsPoint(score, target, keyframe))
        return edit;
    const Keyframe& before = score.m_layers[target.m_nLayer].m_keyframes[keyframe];
    if (before.m_curve == curve)
        return edit;
    Keyframe after = before;
    after.m_curve = curve;
    edit.Record(ReplaceKeyframe{target.m_nLayer, keyframe, before, after});
    return edit;
}

ScoreEdit SetLaneDrift(const Score& score, LaneTarget target, const std::optional<Drift>& drift)
{
    if (target.m_nLayer >= score.m_layers.size())
        return ScoreEdit("Change drift");
    ScoreLayer own = LayerOwnPart(score.m_layers[target.m_nLayer]);
    std::optional<Drift> kept = drift;
    if (kept) {
        const LaneFacts facts = FactsOf(target.m_key);
        kept->m_dDepth = std::clamp(kept->m_dDepth, 0.0, facts.m_dHighest - facts.m_dLowest);
        kept->m_dPeriodSeconds = std::max(kept->m_dPeriodSeconds, 1.0);
        if (kept->m_dDepth <= 0.0)
            kept.reset();
    }
    if (target.m_key.IsGain())
        own.m_gainDrift = kept;
    else if (kept)
        own.m_drift[*target.m_key.m_parameter] = *kept;
    else
        own.m_drift.erase(*target.m_key.m_parameter);
    return EditLayerOwn(score, target.m_nLayer, own, "Change drift");
}

std::optional<Drift> ParseDriftText(const LaneFacts& facts, const std::string& text)
{
    std::istringstream in(text);
    std::string depthText;
    std::string periodText;
    std::string more;
    if (!(in >> depthText >> periodText) || (in >> more))
        return std::nullopt;
    char* end = nullptr;
    const double depth = std::strtod(depthText.c_str(), &end);
    const std::optional<double> period = ParseTimeText(periodText);
    const double widest = facts.m_dHighest - facts.m_dLowest;
    if (*end != '\0' || !std::isfinite(depth) || depth <= 0.0 || depth > widest || !period ||
        *period < kShortestDriftPeriodSeconds)
        return std::nullopt;
    return Drift{depth, *period};
}

std::string DriftText(const Drift& drift)
{
    return FormatNumber(drift.m_dDepth) + " " + FormatTimeText(drift.m_dPeriodSeconds);
}

ScoreEdit ClearLane(const Score& score, LaneTarget target)
{
    ScoreEdit edit("Remove lane");
    if (target.m_nLayer >= score.m_layers.size())
        return edit;
    Score work = score;
    const ScoreEdit drift = SetLaneDrift(work, target, std::nullopt);
    for (const ScoreStep& step : drift.GetSteps())
        edit.ApplyStep(work, step);
    // From the last keyframe back, so the earlier indexes hold.
    const std::vector<Keyframe>& keyframes = work.m_layers[target.m_nLayer].m_keyframes;
    for (std::size_t i = keyframes.size(); i-- > 0;) {
        if (HoldsLane(keyframes[i], target.m_key))
            TakeValue(work, edit, target, i);
    }
    return edit;
}

}  // namespace studio
