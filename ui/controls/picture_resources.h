// Loading the program's compiled-in pictures and icon as wx objects.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

// Picture id (a 24-bit BMP resource) at its natural size; an invalid bitmap
// (IsOk() false) when the program has no such picture or it can't be decoded.
// Pixels are taken as they are: the pictures are drawn for their final place.
wxBitmap LoadBitmapResource(int id);

// Every image of icon id; an empty bundle when the program has no such icon.
wxIconBundle LoadIconResource(int id);
