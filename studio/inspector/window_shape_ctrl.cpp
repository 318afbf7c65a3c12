#include "studio/inspector/window_shape_ctrl.h"

#include <wx/dcbuffer.h>

#include <vector>

#include "studio/app/studio_palette.h"

namespace studio {

WindowShapeCtrl::WindowShapeCtrl(wxWindow* parent) : wxWindow(parent, wxID_ANY)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(FromDIP(wxSize(96, 40)));
    SetName("window shape");
    Bind(wxEVT_PAINT, &WindowShapeCtrl::OnPaint, this);
}

void WindowShapeCtrl::SetShape(std::optional<WindowShape> shape)
{
    if (shape != m_shape) {
        m_shape = shape;
        SetToolTip(shape ? wxString("The envelope of every grain: ") + WindowShapeName(*shape) : wxString());
        Refresh();
    }
}

void WindowShapeCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const StudioPalette palette = CurrentPalette();
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(palette.m_laneBackground));
    dc.Clear();
    dc.SetPen(wxPen(palette.m_grid));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(wxPoint(0, 0), size);
    if (!m_shape)
        return;
    std::vector<wxPoint> points;
    const int left = 3;
    const int width = size.x - 6;
    const int bottom = size.y - 3;
    const int height = size.y - 6;
    for (int x = 0; x <= width; ++x) {
        const double gain = WindowShapeGain(*m_shape, static_cast<double>(x) / width);
        points.emplace_back(left + x, bottom - static_cast<int>(gain * height + 0.5));
    }
    dc.SetPen(wxPen(palette.m_line, 2));
    dc.DrawLines(static_cast<int>(points.size()), points.data());
}

}  // namespace studio
