// A control's place in dialog units, and the conversion to pixels the window
// supplies.
#pragma once

#include <wx/gdicmn.h>

#include <functional>

// Left, top, width and height in the dialog units of the main window's layout.
struct DialogRect {
    int m_nLeft;
    int m_nTop;
    int m_nWidth;
    int m_nHeight;
};

// The window's conversion of a dialog-unit rectangle to client pixels.
using DialogRectToPixels = std::function<wxRect(const DialogRect&)>;
