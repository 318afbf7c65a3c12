#include "ui/controls/bitmap_slider.h"

#include "ui/controls/background_painter.h"
#include "ui/controls/draw_bitmap_at.h"
#include "ui/controls/focus_mark.h"
#include "ui/controls/picture_resources.h"
#include "ui/controls/slider_skin_layout.h"

#include <wx/dcclient.h>

BitmapSlider::BitmapSlider()
{
    // Bound after the trackbar's own handlers, so these come first.
    Bind(wxEVT_PAINT, &BitmapSlider::OnPaint, this);
    Bind(wxEVT_MOTION, &BitmapSlider::OnMouseInput, this);
    Bind(wxEVT_MOUSEWHEEL, &BitmapSlider::OnMouseInput, this);
    Bind(wxEVT_KEY_DOWN, &BitmapSlider::OnKeyInput, this);
    Bind(wxEVT_SET_FOCUS, &BitmapSlider::OnFocusChange, this);
    Bind(wxEVT_KILL_FOCUS, &BitmapSlider::OnFocusChange, this);
}

BitmapSlider::BitmapSlider(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : BitmapSlider()
{
    Create(parent, id, pos, size);
}

void BitmapSlider::LoadPictures(int channelId, int thumbId)
{
    LoadPictures(LoadBitmapBundleResource(channelId), LoadBitmapBundleResource(thumbId));
}

void BitmapSlider::LoadPictures(const wxBitmap& channel, const wxBitmap& thumb)
{
    const auto bundle = [](const wxBitmap& picture) {
        return picture.IsOk() ? wxBitmapBundle(picture) : wxBitmapBundle();
    };
    LoadPictures(bundle(channel), bundle(thumb));
}

void BitmapSlider::LoadPictures(const wxBitmapBundle& channel, const wxBitmapBundle& thumb)
{
    // Sizes in points: the natural size of each picture.
    m_bmpChannel = channel;
    m_nChannelWidth = channel.IsOk() ? channel.GetDefaultSize().x : 0;
    m_nChannelHeight = channel.IsOk() ? channel.GetDefaultSize().y : 0;
    m_bmpThumb = thumb;
    m_nThumbWidth = thumb.IsOk() ? thumb.GetDefaultSize().x : 0;
    m_nThumbHeight = thumb.IsOk() ? thumb.GetDefaultSize().y : 0;
    Refresh(false);
}

wxPoint BitmapSlider::GetChannelPlace() const
{
    return ChannelPicturePlace(GetClientRect(), GetChannelSize());
}

wxPoint BitmapSlider::GetThumbPlace() const
{
    return ThumbPicturePlace(GetThumbRect(), GetThumbSize());
}

void BitmapSlider::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    // Outside the two pictures the parent's painting must show; a GTK child
    // covers it, so the same background is painted here first.
    PaintParentBackground(*this, dc);
    // The channel goes first: it covers the thumb's previous place.
    if (m_bmpChannel.IsOk())
        DrawBitmapAt(dc, GetChannelPlace(), m_bmpChannel.GetBitmapFor(this));
    if (m_bmpThumb.IsOk())
        DrawBitmapAt(dc, GetThumbPlace(), m_bmpThumb.GetBitmapFor(this));
    if (ShowsFocusMark(*this))
        DrawFocusMark(dc, GetClientRect(), PanelFocusColour());
}

void BitmapSlider::OnFocusChange(wxFocusEvent& event)
{
    Refresh(false);
    event.Skip();
}

void BitmapSlider::OnMouseInput(wxMouseEvent& event)
{
    MarkForRepaint(event);
}

void BitmapSlider::OnKeyInput(wxKeyEvent& event)
{
    MarkForRepaint(event);
}

void BitmapSlider::MarkForRepaint(wxEvent& event)
{
    // Marked before the trackbar moves the thumb; the paint comes later and
    // shows the new place. Skipping hands the event on to the trackbar.
    Refresh(false);
    event.Skip();
}
