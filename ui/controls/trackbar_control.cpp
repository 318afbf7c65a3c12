#include "ui/controls/trackbar_control.h"

#include "ui/controls/background_painter.h"
#include "ui/controls/trackbar_keys.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include <algorithm>
#include <utility>

wxIMPLEMENT_CLASS(TrackbarControl, wxControl);

TrackbarControl::TrackbarControl()
{
    Bind(wxEVT_PAINT, &TrackbarControl::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &TrackbarControl::OnEraseBackground, this);
    Bind(wxEVT_SIZE, &TrackbarControl::OnSize, this);
    Bind(wxEVT_LEFT_DOWN, &TrackbarControl::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &TrackbarControl::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &TrackbarControl::OnLeftUp, this);
    Bind(wxEVT_MOTION, &TrackbarControl::OnMotion, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &TrackbarControl::OnCaptureLost, this);
    Bind(wxEVT_MOUSEWHEEL, &TrackbarControl::OnWheel, this);
    Bind(wxEVT_KEY_DOWN, &TrackbarControl::OnKeyDown, this);
    Bind(wxEVT_KEY_UP, &TrackbarControl::OnKeyUp, this);
    m_repeatTimer.Bind(wxEVT_TIMER, &TrackbarControl::OnRepeatTimer, this);
}

TrackbarControl::TrackbarControl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : TrackbarControl()
{
    Create(parent, id, pos, size);
}

bool TrackbarControl::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    return wxControl::Create(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS, wxDefaultValidator,
                             "TrackbarControl");
}

void TrackbarControl::SetRange(int minPos, int maxPos, bool redraw)
{
    m_nMin = minPos;
    m_nMax = maxPos;
    m_nPos = ClampPos(m_nPos);
    if (!m_bPageSizeSet)
        m_nPageSize = DefaultPageSize(m_nMin, m_nMax);
    if (redraw)
        Refresh(false);
}

void TrackbarControl::SetPos(int pos)
{
    m_nPos = ClampPos(pos);
    Refresh(false);
}

int TrackbarControl::SetLineSize(int size)
{
    return std::exchange(m_nLineSize, size);
}

int TrackbarControl::SetPageSize(int size)
{
    m_bPageSizeSet = true;
    return std::exchange(m_nPageSize, size);
}

wxRect TrackbarControl::GetThumbRect() const
{
    return Geometry().ThumbRect(m_nPos);
}

wxRect TrackbarControl::GetChannelRect() const
{
    return Geometry().ChannelRect();
}

void TrackbarControl::SetAutoRepeatDelays(int firstMilliseconds, int nextMilliseconds)
{
    m_nFirstRepeatMs = firstMilliseconds;
    m_nNextRepeatMs = nextMilliseconds;
}

wxSize TrackbarControl::DoGetBestSize() const
{
    return wxSize(100, TrackbarGeometry::kThumbLength + 2);
}

TrackbarGeometry TrackbarControl::Geometry() const
{
    TrackbarGeometry geometry;
    geometry.client = GetClientSize();
    geometry.rangeMin = m_nMin;
    geometry.rangeMax = m_nMax;
    return geometry;
}

void TrackbarControl::OnPaint(wxPaintEvent&)
{
    // A plain look for the control on its own; skinned sliders paint their own.
    wxPaintDC dc(this);
    PaintParentBackground(*this, dc);
    dc.SetPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    dc.SetBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    dc.DrawRectangle(GetChannelRect());
    dc.SetBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    dc.DrawRectangle(GetThumbRect());
}

void TrackbarControl::OnEraseBackground(wxEraseEvent&)
{
    // The paint handler covers the whole control.
}

void TrackbarControl::OnSize(wxSizeEvent& event)
{
    Refresh(false);
    event.Skip();
}

void TrackbarControl::OnLeftDown(wxMouseEvent& event)
{
    // GTK reports a quick second press as a double click: it is a press too.
    SetFocus();
    if (m_mouseAction != MouseAction::None)
        return;
    m_ptPointer = event.GetPosition();
    const wxRect thumb = GetThumbRect();
    if (thumb.Contains(m_ptPointer)) {
        m_mouseAction = MouseAction::Drag;
    } else {
        m_mouseAction = MouseAction::AutoPage;
        m_nPageDirection = m_ptPointer.x < thumb.x ? -1 : (m_ptPointer.x >= thumb.x + thumb.width ? 1 : 0);
        PageTowardPointer();
        m_repeatTimer.StartOnce(m_nFirstRepeatMs);
    }
    if (!HasCapture())
        CaptureMouse();
}

void TrackbarControl::OnLeftUp(wxMouseEvent& event)
{
    if (m_mouseAction == MouseAction::None) {
        event.Skip();
        return;
    }
    if (HasCapture())
        ReleaseMouse();
    EndMouseAction();
}

void TrackbarControl::OnMotion(wxMouseEvent& event)
{
    m_ptPointer = event.GetPosition();
    if (m_mouseAction == MouseAction::Drag)
        MoveTo(Geometry().PositionAtPlace(m_ptPointer.x), wxEVT_SCROLL_THUMBTRACK);
    event.Skip();
}

void TrackbarControl::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    if (m_mouseAction != MouseAction::None)
        EndMouseAction();
}

void TrackbarControl::OnWheel(wxMouseEvent& event)
{
    if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelDelta() <= 0) {
        event.Skip();
        return;
    }
    // Turning the wheel away from the user moves towards the minimum, one
    // line step per scrolled line, as a trackbar does.
    m_nWheelRotation += event.GetWheelRotation();
    const int notches = m_nWheelRotation / event.GetWheelDelta();
    m_nWheelRotation %= event.GetWheelDelta();
    if (notches == 0)
        return;
    const int lines = std::max(1, event.GetLinesPerAction());
    const long long move = -static_cast<long long>(notches) * lines * m_nLineSize;
    MoveTo(ClampPos(m_nPos + move), move < 0 ? wxEVT_SCROLL_LINEUP : wxEVT_SCROLL_LINEDOWN);
    Notify(wxEVT_SCROLL_CHANGED);
}

void TrackbarControl::OnKeyDown(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_TAB && HandleAsNavigationKey(event))
        return;
    const auto step = TrackbarKeyStepOf(event.GetKeyCode());
    if (!step) {
        event.Skip();
        return;
    }
    MoveTo(ApplyTrackbarKeyStep(*step, m_nPos, m_nMin, m_nMax, m_nLineSize, m_nPageSize),
           TrackbarKeyNotification(*step));
}

void TrackbarControl::OnKeyUp(wxKeyEvent& event)
{
    if (!TrackbarKeyStepOf(event.GetKeyCode())) {
        event.Skip();
        return;
    }
    Notify(wxEVT_SCROLL_CHANGED);
}

void TrackbarControl::OnRepeatTimer(wxTimerEvent&)
{
    if (m_mouseAction != MouseAction::AutoPage)
        return;
    PageTowardPointer();
    m_repeatTimer.StartOnce(m_nNextRepeatMs);
}

int TrackbarControl::ClampPos(long long pos) const
{
    return static_cast<int>(std::clamp<long long>(pos, m_nMin, std::max(m_nMin, m_nMax)));
}

bool TrackbarControl::MoveTo(int pos, wxEventType notification)
{
    const int target = ClampPos(pos);
    if (target == m_nPos)
        return false;
    m_nPos = target;
    Refresh(false);
    Notify(notification);
    wxCommandEvent changed(wxEVT_SLIDER, GetId());
    changed.SetInt(m_nPos);
    changed.SetEventObject(this);
    ProcessWindowEvent(changed);
    return true;
}

void TrackbarControl::Notify(wxEventType notification)
{
    wxScrollEvent event(notification, GetId(), m_nPos, wxHORIZONTAL);
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

void TrackbarControl::PageTowardPointer()
{
    // The direction is fixed by the press; stepping stops once the thumb has
    // reached the pointer.
    const wxRect thumb = GetThumbRect();
    if (m_nPageDirection < 0 && m_ptPointer.x < thumb.x)
        MoveTo(ClampPos(static_cast<long long>(m_nPos) - m_nPageSize), wxEVT_SCROLL_PAGEUP);
    else if (m_nPageDirection > 0 && m_ptPointer.x >= thumb.x + thumb.width)
        MoveTo(ClampPos(static_cast<long long>(m_nPos) + m_nPageSize), wxEVT_SCROLL_PAGEDOWN);
}

void TrackbarControl::EndMouseAction()
{
    m_repeatTimer.Stop();
    const bool dragged = m_mouseAction == MouseAction::Drag;
    m_mouseAction = MouseAction::None;
    if (dragged)
        Notify(wxEVT_SCROLL_THUMBRELEASE);
    Notify(wxEVT_SCROLL_CHANGED);
}
