// The rows of the timeline, top to bottom: for each layer a header, then one
// row for each lane it shows and a row to add another. A layer shows every
// lane that changes over the track and those the user added; a collapsed
// layer shows its header alone.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <vector>

#include "engine/score/score.h"
#include "studio/model/lane_facts.h"

namespace studio {

enum class RowKind { Layer, Lane, AddLane };

struct TimelineRow {
    RowKind m_kind = RowKind::Layer;
    std::size_t m_nLayer = 0;
    LaneKey m_lane;  // a lane row's
    int m_nTop = 0;
    int m_nHeight = 0;

    int Bottom() const { return m_nTop + m_nHeight; }
};

struct RowHeights {
    int m_nLayer = 30;
    int m_nLane = 56;
    int m_nAddLane = 22;
};

// What the user chose to see, besides the lanes that change: lanes added to
// a layer (by its index), and layers folded to their header.
struct LaneShowing {
    std::map<std::size_t, std::set<LaneKey>> m_added;
    std::set<std::size_t> m_collapsed;

    // Forgets choices about layers that no longer exist, or all of them when
    // the layers were added or removed (their indexes moved).
    void Fit(std::size_t layerCount);
    std::size_t m_nLayerCount = 0;
};

// The lanes a layer shows, in the order of AllLanes.
std::vector<LaneKey> ShownLanes(const ScoreLayer& layer, const std::set<LaneKey>& added);
// The lanes that can still be added to it.
std::vector<LaneKey> LanesToAdd(const ScoreLayer& layer, const std::set<LaneKey>& added);

std::vector<TimelineRow> LayoutRows(const Score& score, const LaneShowing& showing, const RowHeights& heights);
// The row at y, or null below the last.
const TimelineRow* RowAt(const std::vector<TimelineRow>& rows, int y);
// The row of a layer's lane, or null when it is not shown.
const TimelineRow* FindLaneRow(const std::vector<TimelineRow>& rows, std::size_t layer, LaneKey lane);
int TotalHeight(const std::vector<TimelineRow>& rows);

// Where values lie up and down a lane: the lane's range from its bottom
// (lowest) to its top (highest), a little inside both edges.
struct LaneScale {
    double m_dLow = 0.0;
    double m_dHigh = 1.0;
    double m_dTop = 0.0;     // pixel of the highest value
    double m_dBottom = 1.0;  // pixel of the lowest

    double YOf(double value) const;
    double ValueAt(double y) const;
    // The value one pixel spans.
    double ValuePerPixel() const { return (m_dHigh - m_dLow) / (m_dBottom - m_dTop); }
};

LaneScale ScaleFor(const LaneFacts& facts, int top, int height);

}  // namespace studio
