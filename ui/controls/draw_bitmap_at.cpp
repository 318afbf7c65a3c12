#include "ui/controls/draw_bitmap_at.h"

#include <wx/dcmemory.h>

void DrawBitmapAt(wxDC& target, wxPoint at, const wxBitmap& picture)
{
    if (!picture.IsOk())
        return;
    wxMemoryDC source;
    source.SelectObjectAsSource(picture);
    const wxSize size(static_cast<int>(picture.GetLogicalWidth()), static_cast<int>(picture.GetLogicalHeight()));
    target.Blit(at, size, &source, wxPoint(0, 0), wxCOPY);
    source.SelectObject(wxNullBitmap);
}
