// The body of the timeline: for each layer a header (name, mute, solo,
// gain) and its lanes, one per parameter that moves, each drawn over the
// visible stretch of the track; keyframes are added, dragged, deleted and
// typed here, with the mouse or the keyboard.
//
// Keys (with the keyboard focus here): arrows move the selected keyframe
// (Left/Right in time, Up/Down in value; Shift for fine steps), Delete
// removes it, Enter types its value, Insert adds one at the playhead in the
// selected lane, [ and ] select the lane's previous and next keyframe,
// Page Up and Page Down the lane above and below.
#pragma once

#include <wx/bitmap.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <functional>
#include <optional>
#include <vector>

#include "studio/app/studio_host.h"
#include "studio/app/studio_palette.h"
#include "studio/model/lane_editing.h"
#include "studio/model/timeline_rows.h"
#include "studio/model/time_view.h"

namespace studio {

class TimelineCanvas : public wxWindow {
public:
    TimelineCanvas(wxWindow* parent, StudioHost& host, TimeView& view);

    // The document changed (an edit, an undo, another document).
    void DocumentChanged();
    // The visible stretch changed (zoom, scroll, width).
    void TimeChanged();
    void SetPlayhead(double seconds);
    void ThemeChanged();
    // Any change but the playhead's: the lanes' picture is drawn again
    // (the playhead alone moves over the picture drawn before).
    void Refresh(bool eraseBackground = true, const wxRect* rect = nullptr) override;

    void SetScrollY(int y);
    int GetScrollY() const { return m_nScrollY; }
    int GetContentHeight() const;
    int GetHeaderWidth() const;

    // Told when the content's height or the visible stretch changed here
    // (a lane added, a zoom with the wheel), so the scroll bars follow.
    std::function<void()> m_onLayoutChanged;
    std::function<void()> m_onTimeChanged;

    // The selected lane, and in it the selected keyframe (by its time).
    struct Selection {
        std::size_t m_nLayer = 0;
        LaneKey m_lane;
        std::optional<double> m_pointSeconds;
    };
    const std::optional<Selection>& GetSelection() const { return m_selection; }
    void Select(std::optional<Selection> selection);
    bool HasSelectedPoint() const { return m_selection && m_selection->m_pointSeconds.has_value(); }

    // Actions on the selected keyframe (the menus' and the keys').
    void DeleteSelectedPoint();
    void TypeSelectedValue();
    void SetSelectedCurve(Curve curve);
    std::optional<Curve> GetSelectedCurve() const;
    // Moves it by columns pixels' worth of time and steps of its value's
    // resolution.
    void NudgeSelectedPoint(int columns, int steps, bool fine);
    void AddPointAtPlayhead();
    void AddLane(std::size_t layer, LaneKey lane);
    void ChooseDrift(std::size_t layer, LaneKey lane);

    // Where a lane's plot is in this window, when it is shown (for tests
    // and for placing a readout).
    std::optional<wxRect> LanePlotRect(std::size_t layer, LaneKey lane) const;
    // The pixel of a keyframe of a shown lane.
    std::optional<wxPoint> PointPosition(std::size_t layer, LaneKey lane, double seconds) const;

private:
    enum class Zone { None, Collapse, Name, Mute, Solo, Gain, RemoveLane, LaneLabel, AddLane, Plot };
    struct Hit {
        const TimelineRow* m_pRow = nullptr;
        Zone m_zone = Zone::None;
        std::optional<std::size_t> m_keyframe;  // a keyframe of the lane under the pointer
    };
    struct Drag {
        std::size_t m_nLayer = 0;
        LaneKey m_lane;
        std::optional<std::size_t> m_keyframe;  // none: a new keyframe being placed
        wxPoint m_start;
        double m_dStartSeconds = 0.0;
        double m_dStartValue = 0.0;
        std::vector<double> m_list;
        double m_dSeconds = 0.0;
        double m_dValue = 0.0;
        bool m_bMoved = false;
    };

    void Relayout();
    wxRect PlotRect(const TimelineRow& row) const;
    Hit HitTest(wxPoint point) const;
    std::optional<std::size_t> PointNear(const TimelineRow& row, wxPoint point) const;
    LaneValue ValueAt(const TimelineRow& row, double seconds, wxPoint point) const;
    void UpdateDrag(wxPoint point, bool fine);
    void FinishDrag();
    Score DragPreview(std::size_t& layer) const;

    void OnPaint(wxPaintEvent& event);
    // Everything but the playhead and a drag's readout.
    void PaintPicture(wxDC& dc, const wxSize& size);
    void PaintLayerHeader(wxDC& dc, const TimelineRow& row, const wxRect& rect);
    void PaintLaneHeader(wxDC& dc, const TimelineRow& row, const wxRect& rect);
    void PaintAddLane(wxDC& dc, const TimelineRow& row, const wxRect& rect);
    void PaintReadout(wxDC& dc);
    void PaintPlayhead(wxDC& dc, const wxRect& area);

    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnDoubleClick(wxMouseEvent& event);
    void OnRightDown(wxMouseEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);

    void ClickHeader(const Hit& hit);
    void ShowAddLaneMenu(std::size_t layer);
    void ShowPointMenu(std::size_t layer, LaneKey lane);
    void ShowLaneMenu(std::size_t layer, LaneKey lane);
    void TypeGain(std::size_t layer);
    void SelectNeighbourPoint(int direction);
    void SelectNeighbourLane(int direction);
    void UpdateToolTip(const Hit& hit);
    // The keyframe index of the selected point, if it still exists.
    std::optional<std::size_t> SelectedKeyframe() const;

    StudioHost& m_host;
    TimeView& m_view;
    StudioPalette m_palette;
    LaneShowing m_showing;
    std::vector<TimelineRow> m_rows;
    RowHeights m_heights;
    int m_nScrollY = 0;
    double m_dPlayhead = 0.0;
    std::optional<Selection> m_selection;
    std::optional<Drag> m_drag;
    wxString m_strToolTip;
    // The picture PaintPicture drew last, while nothing it shows changed.
    wxBitmap m_picture;
    bool m_bPictureValid = false;
};

}  // namespace studio
