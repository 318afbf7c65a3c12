// A drop-down list drawn with less padding than the desktop theme gives it,
// so that short entries fit a narrow list whole instead of ending in "...".
#pragma once

class wxChoice;

// Call once, when the list is created.
void MakeDropDownCompact(wxChoice* list);
// Call after the entries change: the font is made smaller, a quarter point at
// a time and no smaller than 6.5 points, until the widest entry fits.
void FitDropDownFont(wxChoice* list);
