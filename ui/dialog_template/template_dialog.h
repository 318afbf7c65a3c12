// TemplateDialog: what the program's dialogs (main window, progress window,
// about window) share: a client area of one fixed size, the layouts' 8-point
// font, their own meaning for Escape, Enter and the close box, and
// initialisation just before they first appear.
#pragma once

#include <wx/dialog.h>

class TemplateDialog : public wxDialog {
public:
    // Show, and ShowModal through it, run OnInitDialog the first time, so the
    // controls are filled before the window is ever drawn.
    bool Show(bool show = true) override;

protected:
    TemplateDialog();

    // Creates the window; its client area is clientSize and can't be resized.
    bool CreateFixed(wxWindow* parent, const wxString& caption, long style, wxSize clientSize);
    // Makes clientSize the client area's one size.
    void FixClientSize(wxSize clientSize);
    // The 8-point sans-serif font the layouts are drawn for; the controls inherit it.
    void UseLayoutFont();
    // Ends the dialog with result: EndModal while it runs modally, else it
    // hides with that return code.
    void EndDialogWith(int result);

    // Initialisation when the window first appears.
    virtual bool OnInitDialog() { return true; }
    // Escape, before any control sees it. Swallowed unless a dialog gives it a meaning.
    virtual void OnEscapeKey() {}
    // Enter, before any control sees it. Returns false to pass it on to the
    // focused control; by default it is swallowed.
    virtual bool OnEnterKey() { return true; }
    // Any other key, before any control sees it; true when the dialog took it.
    virtual bool OnDialogKey(const wxKeyEvent& event);
    // The close box, the window menu's Close and Alt+F4. The window never
    // closes by itself: by default the dialog ends with wxID_CANCEL.
    virtual void OnCloseRequest() { EndDialogWith(wxID_CANCEL); }

private:
    void OnCharHook(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);

    bool m_bInitialised = false;
};
