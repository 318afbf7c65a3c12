// The colours the studio's drawn views use, taken from the desktop's theme
// (light or dark) so that they sit well beside its own controls.
#pragma once

#include <wx/colour.h>

namespace studio {

struct StudioPalette {
    bool m_bDark = false;
    wxColour m_background;      // behind the lanes
    wxColour m_laneBackground;  // a lane
    wxColour m_laneAlternate;   // every other lane
    wxColour m_headerBackground;
    wxColour m_text;
    wxColour m_dimText;
    wxColour m_grid;
    wxColour m_gridMajor;
    wxColour m_line;            // a lane's line
    wxColour m_band;            // the drift around it
    wxColour m_point;
    wxColour m_selected;        // a selected point, the focus
    wxColour m_playhead;
    wxColour m_loop;            // the looped stretch on the ruler
    wxColour m_mute;
    wxColour m_solo;
    wxColour m_waveform;
    wxColour m_warning;
};

// From the system's colours now; call again when the theme changes.
StudioPalette CurrentPalette();

// a and b mixed, share parts of b.
wxColour Mix(const wxColour& a, const wxColour& b, double share);

}  // namespace studio
