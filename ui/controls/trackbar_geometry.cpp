#include "ui/controls/trackbar_geometry.h"

#include <algorithm>

wxRect TrackbarGeometry::ChannelRect() const
{
    const int top = client.y / 2 - kChannelHeight / 2;
    return wxRect(kChannelInset, top, std::max(0, client.x - 2 * kChannelInset), kChannelHeight);
}

wxRect TrackbarGeometry::ThumbRect(int pos) const
{
    const int clamped = std::clamp(pos, rangeMin, std::max(rangeMin, rangeMax));
    const long long offset = static_cast<long long>(Travel()) * (clamped - rangeMin) / Span();
    const int left = kChannelInset + static_cast<int>(offset);
    const int top = (client.y - kThumbLength) / 2;
    return wxRect(left, top, kThumbWidth, kThumbLength);
}

int TrackbarGeometry::PositionAtPlace(int x) const
{
    // Where the thumb's left edge would be with its middle under x.
    const int place = std::clamp(x - kChannelInset - kThumbWidth / 2, 0, Travel());
    if (Travel() == 0)
        return rangeMin;
    // Rounded to the nearest position; everything here is non-negative.
    const long long scaled = static_cast<long long>(place) * Span();
    const int steps = static_cast<int>((2 * scaled + Travel()) / (2LL * Travel()));
    return std::clamp(rangeMin + steps, rangeMin, std::max(rangeMin, rangeMax));
}

int TrackbarGeometry::Travel() const
{
    return std::max(0, ChannelRect().width - kThumbWidth);
}

int TrackbarGeometry::Span() const
{
    return std::max(1, rangeMax - rangeMin);
}

int DefaultPageSize(int rangeMin, int rangeMax)
{
    return std::max(1, (rangeMax - rangeMin) / 5);
}
