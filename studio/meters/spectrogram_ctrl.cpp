#include "studio/meters/spectrogram_ctrl.h"

#include <wx/dcbuffer.h>

#include <algorithm>
#include <cstring>
#include <span>

#include "studio/app/studio_palette.h"
#include "studio/listening/heard_analysis.h"

namespace studio {

namespace {

// -100 dB to 0 dB as a dark-to-bright ramp.
constexpr float kLowestDb = -100.0f;

void Shade(unsigned char* pixel, float db)
{
    const float x = std::clamp((db - kLowestDb) / -kLowestDb, 0.0f, 1.0f);
    // Through blue and orange to near white: levels read apart at a glance.
    pixel[0] = static_cast<unsigned char>(255 * std::clamp(x * 1.6f - 0.3f, 0.0f, 1.0f));
    pixel[1] = static_cast<unsigned char>(255 * std::clamp(x * x * 1.2f, 0.0f, 1.0f));
    pixel[2] = static_cast<unsigned char>(255 * std::clamp(0.25f + x * 0.9f - x * x * 0.8f, 0.0f, 1.0f));
}

}  // namespace

SpectrogramCtrl::SpectrogramCtrl(wxWindow* parent, const HeardAnalysis& heard)
    : wxWindow(parent, wxID_ANY), m_heard(heard)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(FromDIP(wxSize(-1, 90)));
    SetName("spectrogram");
    SetToolTip("What is heard, as a spectrum over time: 20 Hz at the bottom to 20 kHz at the top, newest at "
               "the right");
    Bind(wxEVT_PAINT, &SpectrogramCtrl::OnPaint, this);
    Bind(wxEVT_SIZE, &SpectrogramCtrl::OnSize, this);
}

void SpectrogramCtrl::OnSize(wxSizeEvent& event)
{
    Redraw();
    event.Skip();
}

void SpectrogramCtrl::Clear()
{
    m_nDrawn = m_heard.GetReadings().m_nColumns;
    if (m_image.IsOk())
        m_image.Clear(0);
    Refresh(false);
}

// The whole picture from the columns still kept.
void SpectrogramCtrl::Redraw()
{
    const wxSize size = GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    const int rows = static_cast<int>(m_heard.GetSpectrogramSettings().m_nRows);
    m_image.Create(size.x, rows, true);
    const std::uint64_t newest = m_heard.GetReadings().m_nColumns;
    m_nDrawn = newest > static_cast<std::uint64_t>(size.x) ? newest - size.x : 0;
    DrawNewColumns();
}

void SpectrogramCtrl::DrawNewColumns()
{
    if (!m_image.IsOk())
        return;
    const std::uint64_t newest = m_heard.GetReadings().m_nColumns;
    if (newest <= m_nDrawn)
        return;
    const int width = m_image.GetWidth();
    const int rows = m_image.GetHeight();
    const auto shift = static_cast<int>(std::min<std::uint64_t>(newest - m_nDrawn, static_cast<std::uint64_t>(width)));
    unsigned char* data = m_image.GetData();
    // Older columns move left by the new columns' count.
    for (int y = 0; y < rows; ++y) {
        unsigned char* line = data + static_cast<std::size_t>(y) * width * 3;
        std::memmove(line, line + shift * 3, static_cast<std::size_t>(width - shift) * 3);
    }
    for (int i = 0; i < shift; ++i) {
        const std::uint64_t index = newest - shift + i;
        if (!m_heard.CopyColumn(index, m_column))
            m_column.clear();
        const std::vector<float>& column = m_column;
        const int x = width - shift + i;
        for (int y = 0; y < rows; ++y) {
            unsigned char* pixel = data + (static_cast<std::size_t>(rows - 1 - y) * width + x) * 3;
            if (static_cast<std::size_t>(y) < column.size())
                Shade(pixel, column[static_cast<std::size_t>(y)]);
            else
                pixel[0] = pixel[1] = pixel[2] = 0;
        }
    }
    m_nDrawn = newest;
    Refresh(false);
}

void SpectrogramCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    if (!m_image.IsOk() || m_image.GetWidth() != size.x) {
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        return;
    }
    // The rows stretched to the height: a picture scaled smoothly, drawn at
    // the screen's own resolution.
    const wxImage scaled = m_image.Scale(size.x * GetContentScaleFactor(), size.y * GetContentScaleFactor(),
                                         wxIMAGE_QUALITY_BILINEAR);
    dc.DrawBitmap(wxBitmap(scaled, -1, GetContentScaleFactor()), 0, 0);
}

}  // namespace studio
