#include "ui/controls/focus_mark.h"

#include <gtk/gtk.h>
#include <wx/brush.h>
#include <wx/pen.h>
#include <wx/toplevel.h>

bool ShowsFocusMark(const wxWindow& window)
{
    if (!window.HasFocus())
        return false;
    const wxWindow* top = wxGetTopLevelParent(const_cast<wxWindow*>(&window));
    auto* widget = top ? static_cast<GtkWidget*>(top->GetHandle()) : nullptr;
    return widget && GTK_IS_WINDOW(widget) && gtk_window_get_focus_visible(GTK_WINDOW(widget));
}

void DrawFocusMark(wxDC& dc, const wxRect& rect, const wxColour& colour)
{
    if (rect.width < 3 || rect.height < 3)
        return;
    // Filled one-pixel squares: a drawn point may be smoothed over two pixels.
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour));
    const auto dot = [&dc](int x, int y) { dc.DrawRectangle(x, y, 1, 1); };
    const int left = rect.GetLeft(), top = rect.GetTop(), right = rect.GetRight(), bottom = rect.GetBottom();
    // Every other pixel along the frame, counted from the top-left corner, so
    // the dots keep one rhythm all the way round.
    for (int x = left + 1; x < right; ++x) {
        if ((x - left) % 2 == 0) {
            dot(x, top);
            dot(x, bottom);
        }
    }
    for (int y = top + 1; y < bottom; ++y) {
        if ((y - top) % 2 == 0) {
            dot(left, y);
            dot(right, y);
        }
    }
    dc.SetBrush(wxNullBrush);
    dc.SetPen(wxNullPen);
}

wxColour ButtonFocusColour()
{
    return wxColour(27, 80, 94);
}

wxColour PanelFocusColour()
{
    return wxColour(97, 100, 102);
}
