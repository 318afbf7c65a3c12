#include "ui/message_box/message_box_routine.h"

#include "ui/message_box/message_box_codes.h"
#include "resources/strings/string_table.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include <utility>

namespace {

MessageBoxRoutine& CurrentRoutine()
{
    static MessageBoxRoutine routine = SystemMessageBox;
    return routine;
}

long ToDialogStyle(unsigned style)
{
    long dialogStyle = (style & MB_TYPEMASK) == MB_YESNO ? wxYES_NO : wxOK;
    switch (style & MB_ICONMASK) {
    case MB_ICONERROR:
        dialogStyle |= wxICON_ERROR;
        break;
    case MB_ICONQUESTION:
        dialogStyle |= wxICON_QUESTION;
        break;
    case MB_ICONEXCLAMATION:
        dialogStyle |= wxICON_EXCLAMATION;
        break;
    case MB_ICONINFORMATION:
        dialogStyle |= wxICON_INFORMATION;
        break;
    default:
        break;
    }
    return dialogStyle;
}

int ToAnswer(int dialogResult, unsigned style)
{
    if ((style & MB_TYPEMASK) == MB_YESNO)
        return dialogResult == wxID_YES ? IDYES : IDNO;
    return IDOK;
}

}  // namespace

unsigned CompleteMessageStyle(unsigned style)
{
    if ((style & MB_TYPEMASK) == MB_OK && (style & MB_ICONMASK) == 0)
        return style | MB_ICONEXCLAMATION;
    return style;
}

std::string ApplicationName()
{
    // The program file's name, without folder and extension; not wx's
    // application name, which is the program's ID on the desktop.
    if (wxTheApp && wxTheApp->argc > 0) {
        const wxString name = wxFileName(wxTheApp->argv[0]).GetName();
        if (!name.empty())
            return name.utf8_string();
    }
    return "sonnelith";
}

int ShowMessageBox(const std::string& text, unsigned style, wxWindow* parent)
{
    MessageBoxRequest request;
    request.m_strText = text;
    request.m_strCaption = ApplicationName();
    request.m_nStyle = CompleteMessageStyle(style);
    request.m_pParent = parent;
    // A copy, so that a routine may replace itself while it runs.
    const MessageBoxRoutine routine = CurrentRoutine();
    return routine(request);
}

int ShowMessageBoxById(int stringId, unsigned style, wxWindow* parent)
{
    const char* text = LoadResourceString(stringId);
    return ShowMessageBox(text ? text : "", style, parent);
}

MessageBoxRoutine SetMessageBoxRoutine(MessageBoxRoutine routine)
{
    MessageBoxRoutine previous = std::move(CurrentRoutine());
    CurrentRoutine() = routine ? std::move(routine) : MessageBoxRoutine(SystemMessageBox);
    return previous;
}

int SystemMessageBox(const MessageBoxRequest& request)
{
    wxMessageDialog dialog(request.m_pParent, wxString::FromUTF8(request.m_strText),
                           wxString::FromUTF8(request.m_strCaption), ToDialogStyle(request.m_nStyle));
    return ToAnswer(dialog.ShowModal(), request.m_nStyle);
}
