#include "ui/dialog_template/template_dialog.h"

#include <wx/font.h>

TemplateDialog::TemplateDialog()
{
    Bind(wxEVT_CHAR_HOOK, &TemplateDialog::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, &TemplateDialog::OnClose, this);
}

bool TemplateDialog::Show(bool show)
{
    if (show && !m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    return wxDialog::Show(show);
}

bool TemplateDialog::CreateFixed(wxWindow* parent, const wxString& caption, long style, wxSize clientSize)
{
    if (!Create(parent, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize, style))
        return false;
    // Escape means only what OnEscapeKey makes of it.
    SetEscapeId(wxID_NONE);
    FixClientSize(clientSize);
    return true;
}

void TemplateDialog::FixClientSize(wxSize clientSize)
{
    // Limits first, so the new size is never pulled back to an old one.
    SetMinClientSize(wxDefaultSize);
    SetMaxClientSize(wxDefaultSize);
    SetClientSize(clientSize);
    SetMinClientSize(clientSize);
    SetMaxClientSize(clientSize);
}

void TemplateDialog::UseLayoutFont()
{
    SetFont(wxFontInfo(8).Family(wxFONTFAMILY_SWISS));
}

void TemplateDialog::EndDialogWith(int result)
{
    if (IsModal()) {
        EndModal(result);
    } else {
        SetReturnCode(result);
        Hide();
    }
}

bool TemplateDialog::OnDialogKey(const wxKeyEvent&)
{
    return false;
}

void TemplateDialog::OnCharHook(wxKeyEvent& event)
{
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
        OnEscapeKey();
        return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        if (OnEnterKey())
            return;
        break;
    default:
        if (OnDialogKey(event))
            return;
        break;
    }
    event.Skip();
}

void TemplateDialog::OnClose(wxCloseEvent& event)
{
    if (event.CanVeto())
        event.Veto();
    OnCloseRequest();
}
