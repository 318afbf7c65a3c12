// The one routine through which every message box of the program is shown:
// captioned with the application's name, answered with the classic codes
// (IDOK, IDYES, IDNO), and replaceable, so tests can answer boxes themselves.
#pragma once

#include <functional>
#include <string>

class wxWindow;

// One box as it is about to be shown.
struct MessageBoxRequest {
    std::string m_strText;
    std::string m_strCaption;     // the application's name
    unsigned m_nStyle = 0;        // MB_* buttons and icon, completed by CompleteMessageStyle
    wxWindow* m_pParent = nullptr;
};

// Shows a box and returns the answer (IDOK, IDYES or IDNO).
using MessageBoxRoutine = std::function<int(const MessageBoxRequest& request)>;

// A box asked for with an OK button and no icon gets the exclamation icon, so
// that all the program's notices look alike; any other style stays as it is.
unsigned CompleteMessageStyle(unsigned style);

// The name shown in every box's caption: the program file's name without
// extension.
std::string ApplicationName();

// Shows text through the current routine and returns its answer.
int ShowMessageBox(const std::string& text, unsigned style, wxWindow* parent = nullptr);
// The same with the text of a string-table entry.
int ShowMessageBoxById(int stringId, unsigned style, wxWindow* parent = nullptr);

// Installs routine for every box from now on and returns the one it replaces;
// an empty routine brings back the system's boxes.
MessageBoxRoutine SetMessageBoxRoutine(MessageBoxRoutine routine);

// The system's box: a modal wxMessageDialog. Escape or closing a Yes/No box
// counts as No; closing an OK box counts as OK.
int SystemMessageBox(const MessageBoxRequest& request);
