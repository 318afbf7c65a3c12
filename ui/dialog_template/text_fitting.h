// How the layouts' texts keep whole when the desktop's font is wider than the
// 8-point font they were drawn for (a larger font, or text scaled up with
// GDK_DPI_SCALE): where the layout leaves plain panel beside a text, its
// rectangle widens into that room, and the font gets smaller, a quarter point
// at a time, but never below a size that stays legible; only a text that
// still does not fit is cut with an ellipsis. With the desktop's usual font
// every text fits its rectangle and nothing moves.
#pragma once

#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/window.h>

#include <functional>

// The smallest size a fitted text is set in: 6.5 points, about 9 pixels at
// 96 dots per inch, and proportionally more where the desktop scales text up.
constexpr double kSmallestLegiblePointSize = 6.5;
constexpr double kFontSizeStep = 0.25;

// The largest of font's own size and the smaller ones down to
// kSmallestLegiblePointSize at which widthAt(font) is at most width; the
// smallest if none is.
wxFont FontToFit(const wxFont& font, int width, const std::function<int(const wxFont&)>& widthAt);

// Gives window font, also when it differs from the window's font by less
// than a point (wx takes two fonts of the same whole points for the same and
// would keep the old one).
void SetFontExactly(wxWindow& window, const wxFont& font);

// The rectangle for a text neededWidth pixels wide that stands in rect,
// aligned by alignment (wxALIGN_LEFT, wxALIGN_RIGHT or
// wxALIGN_CENTRE_HORIZONTAL): rect itself when it is wide enough; otherwise
// rect widened away from its aligned edge (both ways when centred), as far as
// needed and room allows.
wxRect WidenedWithinRoom(const wxRect& rect, int neededWidth, const wxRect& room, int alignment);
