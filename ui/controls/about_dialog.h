// AboutDialog: the borderless about window, painted from the about picture,
// with one OK button in its bottom-right corner.
#pragma once

#include "ui/dialog_template/template_dialog.h"

class wxButton;

// When it opens it takes the size of the about picture and centres itself
// over the application's main window, with the OK button 12 pixels in from
// the bottom-right corner. Enter and OK end it with wxID_OK, Escape with
// wxID_CANCEL.
class AboutDialog : public TemplateDialog {
public:
    // parent: the window to centre over; without one, the application's top window.
    explicit AboutDialog(wxWindow* parent = nullptr);

    bool Show(bool show = true) override;

    // The OK button keeps this size wherever the theme would make it larger.
    static constexpr int kOkWidth = 48;
    static constexpr int kOkHeight = 21;

private:
    void PlaceOverMainWindow();
    void PlaceOkButton();
    wxWindow* MainWindow() const;
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnEscapeKey() override;
    bool OnEnterKey() override;

    wxButton* m_pOkButton = nullptr;
};
