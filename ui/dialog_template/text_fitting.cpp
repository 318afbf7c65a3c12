#include "ui/dialog_template/text_fitting.h"

#include <wx/defs.h>

#include <algorithm>

wxFont FontToFit(const wxFont& font, int width, const std::function<int(const wxFont&)>& widthAt)
{
    wxFont fitted = font;
    for (;;) {
        const double smaller = fitted.GetFractionalPointSize() - kFontSizeStep;
        if (widthAt(fitted) <= width || smaller < kSmallestLegiblePointSize)
            return fitted;
        fitted.SetFractionalPointSize(smaller);
    }
}

void SetFontExactly(wxWindow& window, const wxFont& font)
{
    if (font.GetFractionalPointSize() == window.GetFont().GetFractionalPointSize())
        return;
    if (font == window.GetFont()) {
        wxFont other = font;
        other.SetFractionalPointSize(font.GetFractionalPointSize() + 2);
        window.SetFont(other);
    }
    window.SetFont(font);
}

wxRect WidenedWithinRoom(const wxRect& rect, int neededWidth, const wxRect& room, int alignment)
{
    if (neededWidth <= rect.width)
        return rect;
    const int width = std::min(neededWidth, std::max(room.width, rect.width));
    int left = rect.x;
    if (alignment & wxALIGN_RIGHT)
        left = rect.GetRight() + 1 - width;
    else if (alignment & wxALIGN_CENTRE_HORIZONTAL)
        left = rect.x + (rect.width - width) / 2;
    // Inside the room, keeping the aligned edge where the room allows.
    left = std::clamp(left, room.x, std::max(room.x, room.GetRight() + 1 - width));
    return wxRect(left, rect.y, width, rect.height);
}
