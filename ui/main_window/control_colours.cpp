#include "ui/main_window/control_colours.h"

#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

ControlColourClass ClassifyControl(const wxWindow& control)
{
    if (dynamic_cast<const wxStaticText*>(&control))
        return ControlColourClass::Static;
    if (dynamic_cast<const wxTextCtrl*>(&control))
        return ControlColourClass::Edit;
    if (dynamic_cast<const wxListBox*>(&control))
        return ControlColourClass::ListBox;
    return ControlColourClass::Other;
}

void ApplyControlColours(wxWindow& control, const wxBrush& panelBrush, const wxBrush& whiteBrush)
{
    switch (ClassifyControl(control)) {
    case ControlColourClass::Static:
        control.SetForegroundColour(*wxBLACK);
        control.SetBackgroundColour(panelBrush.GetColour());
        break;
    case ControlColourClass::Edit:
    case ControlColourClass::ListBox:
        control.SetBackgroundColour(whiteBrush.GetColour());
        break;
    case ControlColourClass::Other:
        break;
    }
    // A composite control (a picker with a text field inside, say) colours
    // its parts by the same rule.
    for (wxWindow* child : control.GetChildren()) {
        if (!child->IsTopLevel())
            ApplyControlColours(*child, panelBrush, whiteBrush);
    }
}
