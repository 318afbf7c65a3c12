#include "ui/panel/file_chooser.h"

#include "ui/message_box/message_box_codes.h"
#include "ui/message_box/message_box_routine.h"
#include "ui/panel/wav_file_names.h"

#include <wx/filedlg.h>

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kWavExtension = "wav";

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

FileDialogSetup FileDialogSetupFor(FileRole role)
{
    const wxString wildcard = "Windows PCM (*.wav)|*.[wW][aA][vV]";
    if (role == FileRole::Input)
        return {"Open", wildcard, kWavExtension, wxFD_OPEN | wxRESIZE_BORDER};
    return {"Save As", wildcard, kWavExtension, wxFD_SAVE | wxFD_OVERWRITE_PROMPT | wxRESIZE_BORDER};
}

std::string WithDefaultExtension(const std::string& path, const wxString& extension)
{
    if (extension.empty() || std::filesystem::path(path).has_extension())
        return path;
    return path + "." + extension.utf8_string();
}

std::string SavedPathFor(const std::string& confirmedPath)
{
    return OutputPathFor(WithDefaultExtension(confirmedPath, kWavExtension));
}

std::string ReplaceQuestionText(const std::string& path)
{
    const std::filesystem::path file(path);
    const std::string folder = file.parent_path().filename().string();
    return "A file named \u201c" + file.filename().string() + "\u201d already exists.  Do you want to replace it?" +
           "\n\nThe file already exists in \u201c" + (folder.empty() ? std::string("/") : folder) +
           "\u201d.  Replacing it will overwrite its contents.";
}

DialogFileChooser::DialogFileChooser(wxWindow* parent)
    : m_pParent(parent)
    , m_askReplace([parent](const std::string& path) {
        return ShowMessageBox(ReplaceQuestionText(path), MB_YESNO | MB_ICONQUESTION, parent) == IDYES;
    })
{
}

std::optional<std::string> DialogFileChooser::Choose(FileRole role, const std::string& startFolder)
{
    const FileDialogSetup setup = FileDialogSetupFor(role);
    wxString folder = wxString::FromUTF8(startFolder);
    wxString name;
    for (;;) {
        wxFileDialog dialog(m_pParent, setup.m_strTitle, folder, name, setup.m_strWildcard, setup.m_nStyle);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        const std::string confirmed = dialog.GetPath().utf8_string();
        // An existing input is taken as it is; only a typed new name gets the extension.
        if (role == FileRole::Input)
            return Exists(confirmed) ? confirmed : WithDefaultExtension(confirmed, setup.m_strDefaultExtension);
        const std::string saved = SavedPathFor(confirmed);
        if (saved == confirmed || !Exists(saved) || m_askReplace(saved))
            return saved;
        // No: back to the dialog, where the user was, with the name as typed.
        folder = dialog.GetDirectory();
        name = dialog.GetFilename();
    }
}
