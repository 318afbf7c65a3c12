#include "ui/dialog_template/fitting_static_text.h"

FittingStaticText::FittingStaticText(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                                     const wxSize& size, long style)
    : wxStaticText(parent, id, wxString(), pos, size, style | wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END)
    , m_fontNormal(GetFont())
{
    SetLabel(label);
}

void FittingStaticText::SetLabel(const wxString& label)
{
    FitFont(label);
    wxStaticText::SetLabel(label);
}

void FittingStaticText::FitFont(const wxString& label)
{
    const wxString shown = RemoveMnemonics(label);
    const int width = GetClientSize().x;
    wxFont font = m_fontNormal;
    for (;;) {
        int textWidth = 0;
        GetTextExtent(shown, &textWidth, nullptr, nullptr, nullptr, &font);
        const double smaller = font.GetFractionalPointSize() - kPointSizeStep;
        if (textWidth <= width || smaller < kSmallestPointSize)
            break;
        font.SetFractionalPointSize(smaller);
    }
    if (font != GetFont())
        SetFont(font);
}
