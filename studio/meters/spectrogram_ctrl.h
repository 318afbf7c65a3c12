// A scrolling spectrogram of what is heard: the newest column at the right,
// low frequencies at the bottom, each column's levels as brightness.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

#include <cstdint>

class Spectrogram;

namespace studio {

class SpectrogramCtrl : public wxWindow {
public:
    SpectrogramCtrl(wxWindow* parent, const Spectrogram& spectrogram);

    // Draws the columns made since the last call.
    void Update();
    // Forgets the picture (playing moved elsewhere).
    void Clear();

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void Redraw();

    const Spectrogram& m_spectrogram;
    wxImage m_image;            // one pixel per column and row band, the newest right
    std::uint64_t m_nDrawn = 0;  // columns drawn into the image
};

}  // namespace studio
