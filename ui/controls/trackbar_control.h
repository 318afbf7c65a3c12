// TrackbarControl: a horizontal slider with the behaviour and notifications of
// the Win32 trackbar, drawn by the control itself.
#pragma once

#include "ui/controls/trackbar_geometry.h"

#include <wx/control.h>
#include <wx/timer.h>

// Keeps range, position, line and page step itself. The user moves the thumb
// by dragging it, by pressing beside it (a page step towards the pointer,
// repeated while the button is held until the thumb reaches the pointer), by
// the arrow keys (a line step), Page Up/Down (a page step), Home/End and the
// mouse wheel. Each move sends a wxScrollEvent through ProcessWindowEvent, so
// the parent sees it: wxEVT_SCROLL_LINEUP/LINEDOWN/PAGEUP/PAGEDOWN/TOP/BOTTOM,
// wxEVT_SCROLL_THUMBTRACK while dragging and wxEVT_SCROLL_THUMBRELEASE when
// the drag ends; wxEVT_SCROLL_CHANGED (the trackbar's end-of-track) closes
// every key, wheel and mouse action. Every change of position also sends
// wxEVT_SLIDER. Setting the position from code sends nothing.
class TrackbarControl : public wxControl {
public:
    TrackbarControl();
    TrackbarControl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                    const wxSize& size = wxDefaultSize);

    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize);

    // The range; the position is pulled inside it. Unless a page size was set,
    // the page size becomes a fifth of the range.
    void SetRange(int minPos, int maxPos, bool redraw = false);
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    void SetPos(int pos);
    int GetPos() const { return m_nPos; }
    // Both return the previous size.
    int SetLineSize(int size);
    int GetLineSize() const { return m_nLineSize; }
    int SetPageSize(int size);
    int GetPageSize() const { return m_nPageSize; }

    // The thumb and the channel, in client coordinates.
    wxRect GetThumbRect() const;
    wxRect GetChannelRect() const;

    // How long a press beside the thumb waits before the first repeated page
    // step, and between later ones.
    void SetAutoRepeatDelays(int firstMilliseconds, int nextMilliseconds);

    static constexpr int kFirstRepeatMilliseconds = 500;
    static constexpr int kNextRepeatMilliseconds = 100;

protected:
    wxSize DoGetBestSize() const override;
    TrackbarGeometry Geometry() const;

private:
    enum class MouseAction { None, Drag, AutoPage };

    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnRepeatTimer(wxTimerEvent& event);

    int ClampPos(long long pos) const;
    bool MoveTo(int pos, wxEventType notification);
    void Notify(wxEventType notification);
    void PageTowardPointer();
    void EndMouseAction();

    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPos = 0;
    int m_nLineSize = 1;
    int m_nPageSize = 20;
    bool m_bPageSizeSet = false;

    MouseAction m_mouseAction = MouseAction::None;
    int m_nPageDirection = 0;  // -1 towards the minimum, +1 towards the maximum
    wxPoint m_ptPointer;
    wxTimer m_repeatTimer;
    int m_nFirstRepeatMs = kFirstRepeatMilliseconds;
    int m_nNextRepeatMs = kNextRepeatMilliseconds;
    int m_nWheelRotation = 0;  // wheel turned but not yet a whole notch

    wxDECLARE_CLASS(TrackbarControl);
};
