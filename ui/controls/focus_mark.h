// The focus mark of the skinned controls: a dotted frame, drawn only while
// the control has the focus and the desktop shows focus, which it does once
// the keyboard has been used in the window (as GTK's own controls do, and as
// Windows hides its focus rectangles until a key is pressed). So a user of
// the mouse alone sees the skin exactly as it was drawn.
#pragma once

#include <wx/colour.h>
#include <wx/dc.h>
#include <wx/gdicmn.h>
#include <wx/window.h>

// The window has the focus and its top-level window shows focus.
bool ShowsFocusMark(const wxWindow& window);

// A one-pixel dotted frame just inside rect, every other pixel in colour,
// starting at the top-left corner; the four corner pixels are left out, so
// the frame's corners look rounded like the skin's.
void DrawFocusMark(wxDC& dc, const wxRect& rect, const wxColour& colour);

// The skin's focus colours: the dark teal that outlines the button pictures,
// and the dark grey of the captions for marks on the panel.
wxColour ButtonFocusColour();
wxColour PanelFocusColour();
