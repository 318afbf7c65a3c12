// Copying a whole picture onto a device context.
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>

// Copies the whole picture, unscaled and opaque, with its top-left corner at
// `at`: one Blit from a memory DC. Whatever falls outside the target's drawing
// area is dropped. An invalid picture draws nothing. A picture drawn for two
// pixels to the point (scale factor 2) covers its size in points, with every
// one of its pixels.
void DrawBitmapAt(wxDC& target, wxPoint at, const wxBitmap& picture);
