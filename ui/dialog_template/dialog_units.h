// Dialog units: the coordinates the window layouts are written in, and their
// conversion to pixels.
#pragma once

#include <wx/gdicmn.h>

// A rectangle in dialog units: left, top, width, height.
struct DialogUnitRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// With the layouts' 8-point font at 96 dots per inch a horizontal dialog unit
// is 1.5 pixels and a vertical one 13/8 pixel. Each value is converted on its
// own and rounded to the nearest pixel, halves upwards, as the window system
// that the layouts were drawn for does it.
int HorizontalUnitsToPixels(int units);
int VerticalUnitsToPixels(int units);
wxPoint DialogUnitsToPixels(int left, int top);
wxSize DialogSizeToPixels(int width, int height);
wxRect DialogUnitsToPixels(const DialogUnitRect& rect);
