#include "studio/meters/level_meter_ctrl.h"

#include <wx/dcbuffer.h>

#include <algorithm>

#include "analysis/peak_meter.h"
#include "studio/app/studio_palette.h"

namespace studio {

namespace {

// The scale runs from -60 dBFS to 0.
constexpr float kFloorDb = -60.0f;

double ShareOf(float amplitude)
{
    return std::clamp((AmplitudeToDb(amplitude, kFloorDb) - kFloorDb) / -kFloorDb, 0.0f, 1.0f);
}

}  // namespace

LevelMeterCtrl::LevelMeterCtrl(wxWindow* parent) : wxWindow(parent, wxID_ANY)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(FromDIP(wxSize(240, 30)));
    SetName("level meter");
    SetToolTip("The peak of each channel (-60 to 0 dBFS, with the highest of the last moments held) and the "
               "short-term loudness (the last 3 seconds, EBU R128) of what is heard");
    Bind(wxEVT_PAINT, &LevelMeterCtrl::OnPaint, this);
}

void LevelMeterCtrl::SetLevels(float left, float right, float heldLeft, float heldRight, bool over, double loudness)
{
    m_fLevel[0] = left;
    m_fLevel[1] = right;
    m_fHeld[0] = heldLeft;
    m_fHeld[1] = heldRight;
    m_bOver = over;
    m_dLoudness = loudness;
    Refresh(false);
}

void LevelMeterCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const StudioPalette palette = CurrentPalette();
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(palette.m_background));
    dc.Clear();
    dc.SetFont(GetFont().Smaller());
    const wxString loudness = std::isfinite(m_dLoudness) ? wxString::Format("%.1f LUFS", m_dLoudness)
                                                          : wxString("-inf LUFS");
    const int textWidth = dc.GetTextExtent("-99.9 LUFS").x + FromDIP(6);
    const int barWidth = std::max(size.x - textWidth, 10);
    const int barHeight = std::max((size.y - 6) / 2, 3);
    for (int channel = 0; channel < 2; ++channel) {
        const int y = 2 + channel * (barHeight + 2);
        dc.SetPen(wxPen(palette.m_grid));
        dc.SetBrush(wxBrush(palette.m_laneBackground));
        dc.DrawRectangle(0, y, barWidth, barHeight);
        const int filled = static_cast<int>(ShareOf(m_fLevel[channel]) * (barWidth - 2));
        // Green up to -12 dBFS, yellow to -3, red above.
        const double share = ShareOf(m_fLevel[channel]);
        const wxColour colour = share > 0.95 ? wxColour(220, 60, 50) : share > 0.8 ? wxColour(220, 190, 50)
                                                                               : wxColour(70, 170, 90);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(colour));
        dc.DrawRectangle(1, y + 1, filled, barHeight - 2);
        const int held = static_cast<int>(ShareOf(m_fHeld[channel]) * (barWidth - 2));
        dc.SetPen(wxPen(m_bOver ? wxColour(230, 40, 40) : palette.m_text));
        dc.DrawLine(1 + held, y + 1, 1 + held, y + barHeight - 1);
    }
    dc.SetTextForeground(palette.m_text);
    dc.DrawText(loudness, barWidth + FromDIP(6), (size.y - dc.GetCharHeight()) / 2);
}

}  // namespace studio
