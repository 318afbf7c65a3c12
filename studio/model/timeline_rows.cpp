#include "studio/model/timeline_rows.h"

#include <algorithm>
#include <cmath>

#include "studio/model/lane_points.h"

namespace studio {

void LaneShowing::Fit(std::size_t layerCount)
{
    if (layerCount != m_nLayerCount) {
        m_added.clear();
        m_collapsed.clear();
        m_nLayerCount = layerCount;
    }
}

std::vector<LaneKey> ShownLanes(const ScoreLayer& layer, const std::set<LaneKey>& added)
{
    std::vector<LaneKey> shown;
    for (const LaneKey key : AllLanes()) {
        if (added.count(key) > 0 || LaneMoves(layer, key))
            shown.push_back(key);
    }
    return shown;
}

std::vector<LaneKey> LanesToAdd(const ScoreLayer& layer, const std::set<LaneKey>& added)
{
    std::vector<LaneKey> free;
    for (const LaneKey key : AllLanes()) {
        if (added.count(key) == 0 && !LaneMoves(layer, key))
            free.push_back(key);
    }
    return free;
}

std::vector<TimelineRow> LayoutRows(const Score& score, const LaneShowing& showing, const RowHeights& heights)
{
    static const std::set<LaneKey> kNone;
    std::vector<TimelineRow> rows;
    int top = 0;
    const auto add = [&](RowKind kind, std::size_t layer, LaneKey lane, int height) {
        rows.push_back({kind, layer, lane, top, height});
        top += height;
    };
    for (std::size_t i = 0; i < score.m_layers.size(); ++i) {
        add(RowKind::Layer, i, {}, heights.m_nLayer);
        if (showing.m_collapsed.count(i) > 0)
            continue;
        const auto added = showing.m_added.find(i);
        for (const LaneKey lane : ShownLanes(score.m_layers[i], added == showing.m_added.end() ? kNone : added->second))
            add(RowKind::Lane, i, lane, heights.m_nLane);
        add(RowKind::AddLane, i, {}, heights.m_nAddLane);
    }
    return rows;
}

const TimelineRow* RowAt(const std::vector<TimelineRow>& rows, int y)
{
    const auto found = std::upper_bound(rows.begin(), rows.end(), y,
                                        [](int at, const TimelineRow& row) { return at < row.Bottom(); });
    if (found == rows.end() || y < found->m_nTop)
        return nullptr;
    return &*found;
}

const TimelineRow* FindLaneRow(const std::vector<TimelineRow>& rows, std::size_t layer, LaneKey lane)
{
    for (const TimelineRow& row : rows) {
        if (row.m_kind == RowKind::Lane && row.m_nLayer == layer && row.m_lane == lane)
            return &row;
    }
    return nullptr;
}

int TotalHeight(const std::vector<TimelineRow>& rows)
{
    return rows.empty() ? 0 : rows.back().Bottom();
}

double LaneScale::YOf(double value) const
{
    if (value == -INFINITY)
        return m_dBottom;
    const double share = (std::clamp(value, m_dLow, m_dHigh) - m_dLow) / (m_dHigh - m_dLow);
    return m_dBottom - share * (m_dBottom - m_dTop);
}

double LaneScale::ValueAt(double y) const
{
    const double share = (m_dBottom - y) / (m_dBottom - m_dTop);
    return m_dLow + share * (m_dHigh - m_dLow);
}

LaneScale ScaleFor(const LaneFacts& facts, int top, int height)
{
    // Room above and below for a point's mark and the readout.
    const int inset = std::max(4, height / 8);
    LaneScale scale;
    scale.m_dLow = facts.m_dLowest;
    scale.m_dHigh = facts.m_dHighest > facts.m_dLowest ? facts.m_dHighest : facts.m_dLowest + 1.0;
    scale.m_dTop = top + inset;
    scale.m_dBottom = std::max<double>(top + height - inset, scale.m_dTop + 1);
    return scale;
}

}  // namespace studio
