// The ruler over the timeline: times at round steps for the visible
// stretch, the playhead, and the stretch that loops. A click moves the
// playhead; a drag along it marks a stretch to loop; a right-click offers to
// clear the loop.
#pragma once

#include <wx/window.h>

#include <optional>

#include "studio/app/studio_host.h"
#include "studio/app/studio_palette.h"
#include "studio/model/time_view.h"

namespace studio {

class RulerCtrl : public wxWindow {
public:
    RulerCtrl(wxWindow* parent, StudioHost& host, const TimeView& view);

    void SetPlayhead(double seconds);
    void ThemeChanged();

    // Clicked or dragged to place the playhead; from the keyboard the window's
    // own keys move it (Home, Space), so Tab passes the ruler by.
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnRightDown(wxMouseEvent& event);
    double SecondsAt(int x) const;

    StudioHost& m_host;
    const TimeView& m_view;
    StudioPalette m_palette;
    double m_dPlayhead = 0.0;
    std::optional<int> m_pressX;
    std::optional<TimeStretch> m_dragging;  // a loop being marked
};

}  // namespace studio
