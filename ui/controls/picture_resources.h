// Loading the program's compiled-in pictures and icon as wx objects.
#pragma once

#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/iconbndl.h>

// Picture id (a 24-bit BMP resource) at its natural size; an invalid bitmap
// (IsOk() false) when the program has no such picture or it can't be decoded.
// Pixels are taken as they are: the pictures are drawn for their final place.
wxBitmap LoadBitmapResource(int id);

// Picture id at its natural size together with its double-size twin, when
// the program has one of exactly twice the size: a window on a screen with two
// pixels to the point draws the twin in the same place, pixel for pixel. Its
// size in points (GetDefaultSize) is the natural size. Empty (IsOk() false)
// when the program has no such picture.
wxBitmapBundle LoadBitmapBundleResource(int id);

// Every image of icon id; an empty bundle when the program has no such icon.
wxIconBundle LoadIconResource(int id);
