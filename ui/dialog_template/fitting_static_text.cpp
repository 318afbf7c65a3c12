#include "ui/dialog_template/fitting_static_text.h"

#include "ui/dialog_template/text_fitting.h"

FittingStaticText::FittingStaticText(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                                     const wxSize& size, long style)
    : wxStaticText(parent, id, wxString(), pos, size, style | wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END)
    , m_fontNormal(GetFont())
    , m_rectLayout(pos, size)
    , m_rectRoom(m_rectLayout)
{
    SetLabel(label);
}

void FittingStaticText::SetLabel(const wxString& label)
{
    FitLabel(label);
    wxStaticText::SetLabel(label);
}

void FittingStaticText::SetRoom(const wxRect& room)
{
    m_rectRoom = room.Union(m_rectLayout);
    FitLabel(GetLabel());
}

void FittingStaticText::FitLabel(const wxString& label)
{
    const wxString shown = RemoveMnemonics(label);
    const auto widthAt = [this, &shown](const wxFont& font) {
        int width = 0;
        GetTextExtent(shown, &width, nullptr, nullptr, nullptr, &font);
        return width;
    };
    // The room, when there is any, is taken before the font gets smaller: a
    // text then keeps the size of its neighbours as long as it can.
    const int width = widthAt(m_fontNormal) <= m_rectLayout.width ? m_rectLayout.width : m_rectRoom.width;
    const wxFont font = FontToFit(m_fontNormal, width, widthAt);
    SetFontExactly(*this, font);
    const int alignment = static_cast<int>(GetWindowStyle() & (wxALIGN_RIGHT | wxALIGN_CENTRE_HORIZONTAL));
    const wxRect place = WidenedWithinRoom(m_rectLayout, widthAt(font), m_rectRoom, alignment);
    if (place != GetRect()) {
        // The panel under the old place shows again where the text no longer stands.
        if (GetParent())
            GetParent()->RefreshRect(GetRect());
        SetSize(place);
    }
}
