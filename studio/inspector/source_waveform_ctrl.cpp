#include "studio/inspector/source_waveform_ctrl.h"

#include <wx/dcbuffer.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/run/generation_settings.h"
#include "studio/app/studio_palette.h"

namespace studio {

namespace {

constexpr int kInset = 4;
constexpr int kHandleSlop = 6;

}  // namespace

SourceWaveformCtrl::SourceWaveformCtrl(wxWindow* parent) : wxWindow(parent, wxID_ANY)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(FromDIP(wxSize(220, 84)));
    SetName("source waveform");
    SetToolTip("The source, the stretch the layer reads (drag its edges) and how far the reading wanders "
               "over a segment (the scanning range)");
    Bind(wxEVT_PAINT, &SourceWaveformCtrl::OnPaint, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        Refresh();
        event.Skip();
    });
    Bind(wxEVT_LEFT_DOWN, &SourceWaveformCtrl::OnLeftDown, this);
    Bind(wxEVT_MOTION, &SourceWaveformCtrl::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &SourceWaveformCtrl::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { m_dragging = Handle::None; });
}

void SourceWaveformCtrl::SetSound(std::shared_ptr<const WaveformOverview> overview, double seconds, const wxString& note)
{
    m_pOverview = std::move(overview);
    m_dSeconds = seconds;
    m_strNote = note;
    Refresh();
}

void SourceWaveformCtrl::SetStretch(std::optional<double> start, std::optional<double> end)
{
    if (m_dragging != Handle::None)
        return;
    m_start = start;
    m_end = end;
    Refresh();
}

void SourceWaveformCtrl::SetWander(double seconds)
{
    m_dWander = seconds;
    Refresh();
}

double SourceWaveformCtrl::XOf(double seconds) const
{
    const int width = GetClientSize().x - 2 * kInset;
    return kInset + (m_dSeconds > 0 ? seconds / m_dSeconds * width : 0.0);
}

double SourceWaveformCtrl::SecondsAt(int x) const
{
    const int width = std::max(GetClientSize().x - 2 * kInset, 1);
    return std::clamp((x - kInset) * m_dSeconds / width, 0.0, m_dSeconds);
}

SourceWaveformCtrl::Handle SourceWaveformCtrl::HandleAt(int x) const
{
    if (m_dSeconds <= 0)
        return Handle::None;
    const double start = XOf(m_start.value_or(0.0));
    const double end = XOf(m_end.value_or(m_dSeconds));
    if (std::fabs(x - start) <= kHandleSlop)
        return Handle::Start;
    if (std::fabs(x - end) <= kHandleSlop)
        return Handle::End;
    return Handle::None;
}

void SourceWaveformCtrl::OnLeftDown(wxMouseEvent& event)
{
    m_dragging = HandleAt(event.GetX());
    if (m_dragging != Handle::None)
        CaptureMouse();
}

void SourceWaveformCtrl::OnMotion(wxMouseEvent& event)
{
    if (m_dragging == Handle::None) {
        SetCursor(HandleAt(event.GetX()) != Handle::None ? wxCursor(wxCURSOR_SIZEWE) : wxNullCursor);
        return;
    }
    // Handles to whole milliseconds, never crossing each other.
    const double seconds = std::round(SecondsAt(event.GetX()) * 1000.0) / 1000.0;
    if (m_dragging == Handle::Start)
        m_start = std::min(seconds, m_end.value_or(m_dSeconds) - 0.001);
    else
        m_end = std::max(seconds, m_start.value_or(0.0) + 0.001);
    Refresh();
}

void SourceWaveformCtrl::OnLeftUp(wxMouseEvent&)
{
    if (m_dragging == Handle::None)
        return;
    if (HasCapture())
        ReleaseMouse();
    m_dragging = Handle::None;
    // The whole source is no stretch at all.
    std::optional<double> start = m_start;
    std::optional<double> end = m_end;
    if (start && *start <= 0.0)
        start.reset();
    if (end && *end >= m_dSeconds)
        end.reset();
    if (m_onStretchChosen)
        m_onStretchChosen(start, end);
}

void SourceWaveformCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const StudioPalette palette = CurrentPalette();
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(palette.m_laneBackground));
    dc.Clear();
    if (!m_pOverview || m_dSeconds <= 0) {
        dc.SetTextForeground(palette.m_dimText);
        dc.DrawText(m_strNote, kInset + 2, kInset + 2);
        return;
    }
    const double start = XOf(m_start.value_or(0.0));
    const double end = XOf(m_end.value_or(m_dSeconds));
    // Outside the stretch the source is dimmed.
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(palette.m_background));
    dc.DrawRectangle(0, 0, static_cast<int>(start), size.y);
    dc.DrawRectangle(static_cast<int>(end), 0, size.x - static_cast<int>(end), size.y);
    // The wander over a segment, around the stretch's middle.
    if (m_dWander > 0) {
        const double middle = (m_start.value_or(0.0) + m_end.value_or(m_dSeconds)) / 2;
        const double a = std::max(XOf(middle - m_dWander), start);
        const double b = std::min(XOf(middle + m_dWander), end);
        dc.SetBrush(wxBrush(palette.m_band));
        dc.DrawRectangle(static_cast<int>(a), size.y - FromDIP(8), std::max(static_cast<int>(b - a), 1), FromDIP(6));
    }
    const int width = std::max(size.x - 2 * kInset, 1);
    std::vector<WaveColumn> columns(static_cast<std::size_t>(width));
    const auto frames = static_cast<std::uint64_t>(m_dSeconds * kRunSampleRate);
    m_pOverview->Summarize(0, frames, columns);
    const int middle = size.y / 2 - FromDIP(4);
    const int half = middle - kInset;
    dc.SetPen(wxPen(palette.m_waveform));
    for (int x = 0; x < width; ++x) {
        const WaveColumn& column = columns[static_cast<std::size_t>(x)];
        const float low = std::min(column.m_left.m_fMin, column.m_right.m_fMin);
        const float high = std::max(column.m_left.m_fMax, column.m_right.m_fMax);
        dc.DrawLine(kInset + x, middle - static_cast<int>(high * half), kInset + x, middle - static_cast<int>(low * half) + 1);
    }
    // The handles.
    dc.SetPen(wxPen(palette.m_selected, 2));
    dc.DrawLine(static_cast<int>(start), 0, static_cast<int>(start), size.y);
    dc.DrawLine(static_cast<int>(end), 0, static_cast<int>(end), size.y);
}

}  // namespace studio
