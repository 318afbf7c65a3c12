// FittingStaticText: a one-line static text that keeps its layout rectangle.
#pragma once

#include <wx/font.h>
#include <wx/stattext.h>

// The layouts were drawn for a narrow 8-point font; a wider desktop font can
// make a text overflow its rectangle. Such a text is drawn in a smaller size
// (down to kSmallestPointSize), and only below that
// is it cut with an ellipsis. It never wraps onto a second line.
// The size goes down a quarter point at a time.
class FittingStaticText : public wxStaticText {
public:
    FittingStaticText(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos, const wxSize& size,
                      long style = 0);

    void SetLabel(const wxString& label) override;

    static constexpr double kSmallestPointSize = 6.5;
    static constexpr double kPointSizeStep = 0.25;

private:
    void FitFont(const wxString& label);

    wxFont m_fontNormal;  // the font the text has when it fits
};
