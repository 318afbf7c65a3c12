// Drawing one lane of the timeline: the line of its parameter through its
// keyframes with their curves, the drift as a band of its depth around it,
// the keyframes as marks; a choice or a list as stretches named by their
// value.
#pragma once

#include <wx/dc.h>
#include <wx/gdicmn.h>

#include <optional>
#include <vector>

#include "engine/score/score.h"
#include "studio/app/studio_palette.h"
#include "studio/model/lane_facts.h"
#include "studio/model/time_view.h"

namespace studio {

struct LanePaint {
    const ScoreLayer* m_pLayer = nullptr;
    LaneFacts m_facts;
    wxRect m_plot;                // the lane's area, in the canvas's pixels
    const TimeView* m_pView = nullptr;  // its x is the plot's left edge
    StudioPalette m_palette;
    std::optional<double> m_selectedSeconds;  // a selected keyframe's time
    bool m_bHeard = true;         // false: the layer is muted while listening
};

// The half-size of a keyframe's mark, in pixels.
constexpr int kPointRadius = 4;

void PaintLane(wxDC& dc, const LanePaint& paint);
// Vertical lines at the ruler's ticks across rect.
void PaintTimeGrid(wxDC& dc, const wxRect& rect, const TimeView& view, const StudioPalette& palette,
                   double minLabelPixels);

}  // namespace studio
