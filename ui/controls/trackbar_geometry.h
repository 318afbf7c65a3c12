// Where a horizontal trackbar puts its channel and thumb, and how a pointer
// place maps back to a position.
#pragma once

#include <wx/gdicmn.h>

// The look of a trackbar with a rectangular thumb (ticks on neither side):
// a thumb kThumbLength pixels tall and (kThumbLength / 2) | 1 pixels wide,
// centred vertically, travelling along a channel that keeps
// kThumbLength / 4 + 3 pixels from either end of the client area.
struct TrackbarGeometry {
    static constexpr int kThumbLength = 21;
    static constexpr int kThumbWidth = (kThumbLength / 2) | 1;
    static constexpr int kChannelInset = kThumbLength / 4 + 3;
    static constexpr int kChannelHeight = 4;

    wxSize client;
    int rangeMin = 0;
    int rangeMax = 100;

    // The channel the thumb slides along.
    wxRect ChannelRect() const;
    // The thumb at position pos.
    wxRect ThumbRect(int pos) const;
    // The position whose thumb is centred nearest to client x coordinate x,
    // within the range.
    int PositionAtPlace(int x) const;

private:
    int Travel() const;
    int Span() const;
};

// A trackbar's default page step: a fifth of its range, at least 1.
int DefaultPageSize(int rangeMin, int rangeMax);
