#include "ui/controls/about_dialog.h"

#include "ui/controls/about_layout.h"
#include "ui/controls/draw_bitmap_at.h"
#include "ui/controls/picture_resources.h"
#include "ui/dialog_template/dialog_units.h"
#include "resources/strings/resource_ids.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcclient.h>

namespace {

// The size before the picture is known: the layout's 235 x 92 dialog units.
constexpr int kLayoutWidthUnits = 235;
constexpr int kLayoutHeightUnits = 92;

}  // namespace

AboutDialog::AboutDialog(wxWindow* parent)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    CreateFixed(parent, wxEmptyString, wxBORDER_NONE, DialogSizeToPixels(kLayoutWidthUnits, kLayoutHeightUnits));
    m_pOkButton = new wxButton(this, wxID_OK, "OK", wxDefaultPosition, wxSize(kOkWidth, kOkHeight));
    m_pOkButton->SetDefault();
    Bind(wxEVT_PAINT, &AboutDialog::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &AboutDialog::OnEraseBackground, this);
    Bind(wxEVT_SIZE, &AboutDialog::OnSize, this);
}

bool AboutDialog::Show(bool show)
{
    if (show)
        PlaceOverMainWindow();
    return TemplateDialog::Show(show);
}

void AboutDialog::PlaceOverMainWindow()
{
    const wxBitmapBundle picture = LoadBitmapBundleResource(IDB_ABOUT_PICTURE);
    if (!picture.IsOk()) {
        CentreOnParent();
        return;
    }
    const wxSize size = picture.GetDefaultSize();
    FixClientSize(size);
    if (wxWindow* main = MainWindow())
        Move(AboutWindowPlace(ToWindowRect(main->GetScreenRect()), size));
    else
        CentreOnScreen();
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
    DrawBitmapAt(dc, wxPoint(0, 0), LoadBitmapBundleResource(IDB_ABOUT_PICTURE).GetBitmapFor(this));
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

void AboutDialog::OnEscapeKey()
{
    EndDialogWith(wxID_CANCEL);
}

bool AboutDialog::OnEnterKey()
{
    EndDialogWith(wxID_OK);
    return true;
}
