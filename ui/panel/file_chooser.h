// Choosing the input and the output file: how the two file dialogs are set
// up, and the seam through which the window asks for a file.
#pragma once

#include <wx/string.h>

#include <optional>
#include <string>

class wxWindow;

enum class FileRole { Input, Output };

// Both dialogs: default extension "wav", one filter "Windows PCM (*.wav)"
// matching *.wav, resizable, no initial folder (the dialog's own); the save
// dialog asks before an existing file is replaced.
struct FileDialogSetup {
    wxString m_strTitle;
    wxString m_strWildcard;
    wxString m_strDefaultExtension;
    long m_nStyle;
};
FileDialogSetup FileDialogSetupFor(FileRole role);

// The dialog's default extension: appended (with a dot) to a chosen name that
// has no extension at all.
std::string WithDefaultExtension(const std::string& path, const wxString& extension);

// Asks the user for a file; nothing when the user cancels.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::optional<std::string> Choose(FileRole role) = 0;

protected:
    FileChooser() = default;
    FileChooser(const FileChooser&) = default;
    FileChooser& operator=(const FileChooser&) = default;
};

// The desktop's file dialogs, modal over parent.
class DialogFileChooser : public FileChooser {
public:
    explicit DialogFileChooser(wxWindow* parent) : m_pParent(parent) {}
    std::optional<std::string> Choose(FileRole role) override;

private:
    wxWindow* m_pParent;
};
