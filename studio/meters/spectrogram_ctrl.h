// A scrolling spectrogram of what is heard: the newest column at the right,
// low frequencies at the bottom, each column's levels as brightness.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

#include <cstdint>
#include <vector>

namespace studio {

class HeardAnalysis;

class SpectrogramCtrl : public wxWindow {
public:
    SpectrogramCtrl(wxWindow* parent, const HeardAnalysis& heard);

    // Draws the columns made since the last call.
    void DrawNewColumns();
    // Forgets the picture (playing moved elsewhere).
    void Clear();

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void Redraw();

    const HeardAnalysis& m_heard;
    std::vector<float> m_column;  // the column being drawn, copied
    wxImage m_image;            // one pixel per column and row band, the newest right
    std::uint64_t m_nDrawn = 0;  // columns drawn into the image
};

}  // namespace studio
