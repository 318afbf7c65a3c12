// The colours the main window gives its controls, chosen by kind of control:
// static texts black on the panel colour, edit fields and list boxes on white,
// everything else as the theme draws it.
#pragma once

#include <wx/brush.h>
#include <wx/colour.h>
#include <wx/window.h>

// One step lighter in each channel than the panel colour of the background
// picture (194, 200, 204).
inline wxColour PanelColour()
{
    return wxColour(195, 201, 205);
}

enum class ControlColourClass { Static, Edit, ListBox, Other };

ControlColourClass ClassifyControl(const wxWindow& control);

// Gives control, and the controls inside it, the colours of its class: text
// and background from panelBrush for statics, background from whiteBrush for
// edit fields and list boxes.
void ApplyControlColours(wxWindow& control, const wxBrush& panelBrush, const wxBrush& whiteBrush);
