// A small picture of a grain's envelope: the shape a window choice names,
// drawn by its formula.
#pragma once

#include <wx/window.h>

#include <optional>

#include "engine/scheduling/window_shape.h"

namespace studio {

class WindowShapeCtrl : public wxWindow {
public:
    explicit WindowShapeCtrl(wxWindow* parent);
    void SetShape(std::optional<WindowShape> shape);

    // A picture only: Tab passes it by.
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);
    std::optional<WindowShape> m_shape;
};

}  // namespace studio
