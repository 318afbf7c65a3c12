// Where the about window and its OK button go. Every division truncates
// towards zero, like the integer arithmetic of the window services.
#pragma once

#include <wx/gdicmn.h>

// A window rectangle as the window services give it: right and bottom are
// one past the last pixel.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

inline WindowRect ToWindowRect(const wxRect& rect)
{
    return {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
}

// The top-left corner, in screen coordinates, of a window of size picture
// centred over owner (the main window's screen rectangle).
inline wxPoint AboutWindowPlace(const WindowRect& owner, wxSize picture)
{
    return wxPoint(owner.left + (owner.right - picture.x - owner.left) / 2,
                   owner.top + (owner.bottom - picture.y - owner.top) / 2);
}

// The OK button's top-left corner in the about window's client area: its
// right and bottom edges 12 pixels inside those of the picture.
inline wxPoint AboutOkButtonPlace(wxSize picture, wxSize button)
{
    constexpr int kMargin = 12;
    return wxPoint(picture.x - kMargin - button.x, picture.y - kMargin - button.y);
}
