// Where a bitmap slider puts its channel and thumb pictures. Every division
// truncates towards zero, and each quotient is taken on its own.
#pragma once

#include <wx/gdicmn.h>

// The channel picture: centred horizontally in the client rectangle and two
// pixels below its vertical centre.
inline wxPoint ChannelPicturePlace(const wxRect& client, wxSize channel)
{
    return wxPoint(client.x + client.width / 2 - channel.x / 2,
                   client.y + client.height / 2 - channel.y / 2 + 2);
}

// The thumb picture: centred on the thumb rectangle, with no extra offset.
inline wxPoint ThumbPicturePlace(const wxRect& thumb, wxSize picture)
{
    return wxPoint(thumb.x + thumb.width / 2 - picture.x / 2, thumb.y + thumb.height / 2 - picture.y / 2);
}
