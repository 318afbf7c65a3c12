#include "studio/app/studio_palette.h"

#include <wx/settings.h>

namespace studio {

wxColour Mix(const wxColour& a, const wxColour& b, double share)
{
    const auto channel = [share](unsigned char x, unsigned char y) {
        return static_cast<unsigned char>(x + (y - x) * share + 0.5);
    };
    return wxColour(channel(a.Red(), b.Red()), channel(a.Green(), b.Green()), channel(a.Blue(), b.Blue()));
}

StudioPalette CurrentPalette()
{
    StudioPalette palette;
    palette.m_bDark = wxSystemSettings::GetAppearance().IsDark();
    const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    palette.m_background = face;
    palette.m_laneBackground = window;
    palette.m_laneAlternate = Mix(window, text, 0.04);
    palette.m_headerBackground = Mix(face, text, 0.06);
    palette.m_text = text;
    palette.m_dimText = Mix(text, window, 0.45);
    palette.m_grid = Mix(window, text, 0.08);
    palette.m_gridMajor = Mix(window, text, 0.18);
    // The line and its points in the theme's highlight, strong enough on
    // either ground; the drift band a faint wash of the same.
    palette.m_line = palette.m_bDark ? Mix(highlight, *wxWHITE, 0.25) : highlight;
    palette.m_band = Mix(window, palette.m_line, 0.22);
    palette.m_point = palette.m_line;
    palette.m_selected = palette.m_bDark ? wxColour(255, 200, 80) : wxColour(200, 90, 0);
    palette.m_playhead = palette.m_bDark ? wxColour(255, 90, 90) : wxColour(210, 30, 30);
    palette.m_loop = Mix(window, wxColour(60, 170, 90), 0.45);
    palette.m_mute = wxColour(220, 120, 40);
    palette.m_solo = wxColour(230, 190, 40);
    palette.m_waveform = Mix(window, text, 0.55);
    palette.m_warning = palette.m_bDark ? wxColour(255, 170, 60) : wxColour(180, 80, 0);
    return palette;
}

}  // namespace studio
