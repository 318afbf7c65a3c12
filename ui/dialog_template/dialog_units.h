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

// How much larger than at 96 dots per inch the desktop sets text (the font
// resolution, which GDK_DPI_SCALE multiplies): 1 at the usual setting, never
// less.
double DesktopTextScale();

// Dialog units follow the dialog's font: where the desktop sets text
// textScale times larger, a unit is textScale times as many pixels (each
// value rounded to the nearest pixel). A window painted from a picture of
// fixed size can't follow; a window of plain controls can. At a text scale of
// 1 these are the conversions above.
wxSize DialogSizeToPixels(int width, int height, double textScale);
wxRect DialogUnitsToPixels(const DialogUnitRect& rect, double textScale);
