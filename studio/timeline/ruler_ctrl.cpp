#include "studio/timeline/ruler_ctrl.h"

#include <wx/dcbuffer.h>
#include <wx/menu.h>

#include <algorithm>
#include <cmath>

#include "studio/model/lane_editing.h"

namespace studio {

namespace {

constexpr double kMinLabelPixels = 90.0;
constexpr int kDragThreshold = 4;

}  // namespace

RulerCtrl::RulerCtrl(wxWindow* parent, StudioHost& host, const TimeView& view)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE)
    , m_host(host)
    , m_view(view)
    , m_palette(CurrentPalette())
{
    SetName("ruler");
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(wxSize(-1, FromDIP(28)));
    SetToolTip("Click to move the playhead; drag to mark a stretch to loop; right-click to clear the loop");
    Bind(wxEVT_PAINT, &RulerCtrl::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &RulerCtrl::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &RulerCtrl::OnLeftDown, this);
    Bind(wxEVT_MOTION, &RulerCtrl::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &RulerCtrl::OnLeftUp, this);
    Bind(wxEVT_RIGHT_DOWN, &RulerCtrl::OnRightDown, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
        m_pressX.reset();
        m_dragging.reset();
        Refresh();
    });
}

void RulerCtrl::ThemeChanged()
{
    m_palette = CurrentPalette();
    Refresh();
}

void RulerCtrl::SetPlayhead(double seconds)
{
    if (seconds == m_dPlayhead)
        return;
    const int before = static_cast<int>(std::lround(m_view.XOf(m_dPlayhead)));
    m_dPlayhead = seconds;
    const int after = static_cast<int>(std::lround(m_view.XOf(m_dPlayhead)));
    const int height = GetClientSize().y;
    RefreshRect(wxRect(before - 6, 0, 13, height), false);
    RefreshRect(wxRect(after - 6, 0, 13, height), false);
}

double RulerCtrl::SecondsAt(int x) const
{
    return std::clamp(m_view.SecondsAt(x), 0.0, m_view.GetTrackSeconds());
}

void RulerCtrl::OnLeftDown(wxMouseEvent& event)
{
    m_pressX = event.GetX();
    CaptureMouse();
}

void RulerCtrl::OnMotion(wxMouseEvent& event)
{
    if (!m_pressX || !event.LeftIsDown())
        return;
    if (!m_dragging && std::abs(event.GetX() - *m_pressX) < kDragThreshold)
        return;
    const double a = SecondsAt(*m_pressX);
    const double b = SecondsAt(event.GetX());
    m_dragging = TimeStretch{std::min(a, b), std::max(a, b)};
    Refresh();
}

void RulerCtrl::OnLeftUp(wxMouseEvent& event)
{
    if (HasCapture())
        ReleaseMouse();
    if (!m_pressX)
        return;
    m_pressX.reset();
    if (m_dragging) {
        const TimeStretch stretch = *m_dragging;
        m_dragging.reset();
        // Loops shorter than a tenth of a second are slips of the hand.
        if (stretch.second - stretch.first >= 0.1)
            m_host.SetLoop(stretch);
        Refresh();
        return;
    }
    m_host.MovePlayhead(SecondsAt(event.GetX()));
}

void RulerCtrl::OnRightDown(wxMouseEvent&)
{
    if (!m_host.GetLoop())
        return;
    wxMenu menu;
    menu.Append(wxID_CLEAR, "&Clear the Loop");
    if (GetPopupMenuSelectionFromUser(menu) == wxID_CLEAR)
        m_host.SetLoop(std::nullopt);
}

void RulerCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(m_palette.m_headerBackground));
    dc.Clear();
    const std::optional<TimeStretch> loop = m_dragging ? m_dragging : m_host.GetLoop();
    if (loop) {
        const int a = static_cast<int>(std::lround(m_view.XOf(loop->first)));
        const int b = static_cast<int>(std::lround(m_view.XOf(loop->second)));
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(m_palette.m_loop));
        dc.DrawRectangle(a, size.y / 2, std::max(b - a, 1), size.y / 2);
    }
    dc.SetFont(GetFont().Smaller());
    dc.SetTextForeground(m_palette.m_text);
    const double step = LabelStep(m_view, kMinLabelPixels);
    for (const RulerTick& tick : RulerTicks(m_view, kMinLabelPixels)) {
        const int x = static_cast<int>(std::lround(m_view.XOf(tick.m_dSeconds)));
        dc.SetPen(wxPen(tick.m_bLabelled ? m_palette.m_text : m_palette.m_dimText));
        dc.DrawLine(x, size.y - (tick.m_bLabelled ? size.y / 2 : size.y / 5), x, size.y);
        if (tick.m_bLabelled)
            dc.DrawText(wxString::FromUTF8(FormatClockTime(tick.m_dSeconds, step)), x + 3, 1);
    }
    // The track's end.
    const int end = static_cast<int>(std::lround(m_view.XOf(m_view.GetTrackSeconds())));
    if (end < size.x) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(m_palette.m_background));
        dc.DrawRectangle(end + 1, 0, size.x - end, size.y);
    }
    // The playhead: a mark pointing down into the lanes.
    const int x = static_cast<int>(std::lround(m_view.XOf(m_dPlayhead)));
    const wxPoint mark[] = {{x - 5, size.y - 9}, {x + 5, size.y - 9}, {x, size.y - 1}};
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(m_palette.m_playhead));
    dc.DrawPolygon(3, mark);
    dc.SetPen(wxPen(m_palette.m_gridMajor));
    dc.DrawLine(0, size.y - 1, size.x, size.y - 1);
}

}  // namespace studio
