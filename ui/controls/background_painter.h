// How a skinned child shows what its parent paints under it.
#pragma once

#include <wx/dc.h>
#include <wx/window.h>

// Implemented by a window that paints its own background (a picture, say) and
// has children that must look transparent outside their own pictures. A GTK
// child does not show its parent's painting, so such a child asks the parent
// to paint the same background into the child's own paint DC first.
class BackgroundPainter {
public:
    virtual ~BackgroundPainter() = default;

    // Paints the window's background onto dc, in the window's client coordinates.
    virtual void PaintBackground(wxDC& dc) = 0;

protected:
    BackgroundPainter() = default;
    BackgroundPainter(const BackgroundPainter&) = default;
    BackgroundPainter& operator=(const BackgroundPainter&) = default;
};

// Paints onto the child's dc what the child's parent shows at the child's
// place: the parent's BackgroundPainter output shifted by the child's
// position, or the parent's background colour if the parent has no painter.
void PaintParentBackground(wxWindow& child, wxDC& dc);
