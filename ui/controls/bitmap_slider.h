// BitmapSlider: a trackbar skinned with a channel picture and a thumb picture.
#pragma once

#include "ui/controls/trackbar_control.h"

#include <wx/bitmap.h>
#include <wx/bmpbndl.h>

// Keeps all of TrackbarControl's behaviour and notifications and replaces
// only the painting: on every paint, what the parent shows under the slider
// (see BackgroundPainter), then the channel picture centred, then the thumb
// picture centred on the thumb rectangle, then, while it has the focus, the
// focus mark along its edges (see focus_mark.h). Mouse moves, keys, wheel
// turns and focus changes mark the whole control for repainting.
class BitmapSlider : public TrackbarControl {
public:
    BitmapSlider();
    BitmapSlider(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize);

    // Takes the channel and thumb pictures from the program's resources; a
    // picture that can't be loaded stays empty and is not drawn.
    void LoadPictures(int channelId, int thumbId);
    // The same with pictures given directly, at one size or at several for
    // screens with more pixels to the point.
    void LoadPictures(const wxBitmap& channel, const wxBitmap& thumb);
    void LoadPictures(const wxBitmapBundle& channel, const wxBitmapBundle& thumb);

    wxSize GetChannelSize() const { return wxSize(m_nChannelWidth, m_nChannelHeight); }
    wxSize GetThumbSize() const { return wxSize(m_nThumbWidth, m_nThumbHeight); }
    // Where the next paint puts the two pictures, in client coordinates.
    wxPoint GetChannelPlace() const;
    wxPoint GetThumbPlace() const;

private:
    void OnPaint(wxPaintEvent& event);
    void OnMouseInput(wxMouseEvent& event);
    void OnKeyInput(wxKeyEvent& event);
    void OnFocusChange(wxFocusEvent& event);
    void MarkForRepaint(wxEvent& event);

    wxBitmapBundle m_bmpChannel;
    int m_nChannelWidth = 0;
    int m_nChannelHeight = 0;
    wxBitmapBundle m_bmpThumb;
    int m_nThumbWidth = 0;
    int m_nThumbHeight = 0;
};
