// A drop-down list drawn with less padding than the desktop theme gives it,
// so that short entries fit a narrow list whole instead of ending in "...".
#pragma once

class wxChoice;

#include <wx/gdicmn.h>

// Call once, when the list is created.
void MakeDropDownCompact(wxChoice* list);
// Call after the entries change: the font is made smaller until the widest
// entry fits, down to the smallest legible size (text_fitting.h).
void FitDropDownFont(wxChoice* list);
// Call once the list is on the screen (before, the theme has not yet styled
// it and it measures wider than it will be): a list whose widest entry still
// does not fit widens into room.
void WidenDropDown(wxChoice* list, const wxRect& room);
