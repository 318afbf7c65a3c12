// FittingStaticText: a one-line static text that keeps within its layout.
#pragma once

#include <wx/font.h>
#include <wx/stattext.h>

// The layouts were drawn for a narrow 8-point font; a wider desktop font can
// make a text overflow its rectangle. Such a text first takes the room the
// layout gives it beside its rectangle, if any, as far as it needs; where
// that is not enough it is drawn in a smaller size, down to the smallest
// legible one (text_fitting.h), and only then is it cut with an ellipsis. It
// never wraps onto a second line.
class FittingStaticText : public wxStaticText {
public:
    FittingStaticText(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos, const wxSize& size,
                      long style = 0);

    void SetLabel(const wxString& label) override;

    // Plain panel around the layout rectangle, in the parent's client
    // coordinates, that the text may take when it needs to; none by default.
    void SetRoom(const wxRect& room);

    // The rectangle of the layout, which the text stands in whenever it fits.
    const wxRect& GetLayoutRect() const { return m_rectLayout; }

private:
    // Chooses the rectangle and font size the label needs (a name apart
    // from wxWindow::Fit, which it must not hide).
    void FitLabel(const wxString& label);

    wxFont m_fontNormal;   // the font the text has when it fits
    wxRect m_rectLayout;
    wxRect m_rectRoom;
};
