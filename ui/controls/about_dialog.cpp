#include "ui/controls/about_dialog.h"

#include "ui/controls/about_layout.h"
#include "ui/controls/draw_bitmap_at.h"
#include "ui/controls/picture_resources.h"
#include "resources/strings/resource_ids.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcclient.h>

wxBEGIN_EVENT_TABLE(AboutDialog, wxDialog)
    EVT_PAINT(AboutDialog::OnPaint)
    EVT_ERASE_BACKGROUND(AboutDialog::OnEraseBackground)
    EVT_SIZE(AboutDialog::OnSize)
    EVT_CHAR_HOOK(AboutDialog::OnCharHook)
wxEND_EVENT_TABLE()

AboutDialog::AboutDialog(wxWindow* parent)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    // The size before the picture is known: 235 x 92 dialog units.
    Create(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(353, 150), wxBORDER_NONE);
    m_pOkButton = new wxButton(this, wxID_OK, "OK", wxDefaultPosition, wxSize(kOkWidth, kOkHeight));
    m_pOkButton->SetDefault();
    SetEscapeId(wxID_CANCEL);
}

bool AboutDialog::Show(bool show)
{
    if (show)
        PlaceOverMainWindow();
    return wxDialog::Show(show);
}

void AboutDialog::PlaceOverMainWindow()
{
    const wxBitmap picture = LoadBitmapResource(IDB_ABOUT_PICTURE);
    if (!picture.IsOk()) {
        CentreOnParent();
        return;
    }
    const wxSize size = picture.GetSize();
    if (wxWindow* main = MainWindow()) {
        const wxPoint place = AboutWindowPlace(ToWindowRect(main->GetScreenRect()), size);
        SetSize(place.x, place.y, size.x, size.y);
    } else {
        SetSize(size);
        CentreOnScreen();
    }
    PlaceOkButton();
    Raise();
}

void AboutDialog::PlaceOkButton()
{
    m_pOkButton->SetSize(wxRect(AboutOkButtonPlace(GetClientSize(), wxSize(kOkWidth, kOkHeight)),
                                wxSize(kOkWidth, kOkHeight)));
}

wxWindow* AboutDialog::MainWindow() const
{
    wxWindow* main = GetParent() ? wxGetTopLevelParent(GetParent()) : wxTheApp->GetTopWindow();
    return main == this ? nullptr : main;
}

void AboutDialog::OnPaint(wxPaintEvent&)
{
    // The picture is read on every paint rather than kept: the window is
    // short-lived and seldom repainted.
    wxPaintDC dc(this);
    DrawBitmapAt(dc, wxPoint(0, 0), LoadBitmapResource(IDB_ABOUT_PICTURE));
}

void AboutDialog::OnEraseBackground(wxEraseEvent&)
{
    // The picture covers the whole window.
}

void AboutDialog::OnSize(wxSizeEvent&)
{
    // Not skipped: a top-level window without a sizer stretches its only
    // child over the whole client area, and the OK button must keep its
    // size and corner.
    PlaceOkButton();
}

void AboutDialog::OnCharHook(wxKeyEvent& event)
{
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
        CloseWith(wxID_CANCEL);
        break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        CloseWith(wxID_OK);
        break;
    default:
        event.Skip();
    }
}

void AboutDialog::CloseWith(int result)
{
    if (IsModal()) {
        EndModal(result);
    } else {
        SetReturnCode(result);
        Hide();
    }
}
