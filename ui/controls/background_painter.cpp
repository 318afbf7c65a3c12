#include "ui/controls/background_painter.h"

#include <wx/brush.h>

void PaintParentBackground(wxWindow& child, wxDC& dc)
{
    wxWindow* parent = child.GetParent();
    if (!parent)
        return;
    auto* painter = dynamic_cast<BackgroundPainter*>(parent);
    if (!painter) {
        dc.SetBackground(wxBrush(parent->GetBackgroundColour()));
        dc.Clear();
        return;
    }
    // The parent paints in its own client coordinates; moving the origin puts
    // the child's place at the child's (0, 0), and the DC's clipping keeps the
    // rest away.
    const wxPoint place = child.GetPosition();
    const wxPoint oldOrigin = dc.GetDeviceOrigin();
    dc.SetDeviceOrigin(oldOrigin.x - place.x, oldOrigin.y - place.y);
    painter->PaintBackground(dc);
    dc.SetDeviceOrigin(oldOrigin.x, oldOrigin.y);
}
