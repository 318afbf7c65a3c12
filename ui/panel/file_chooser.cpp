#include "ui/panel/file_chooser.h"

#include <wx/filedlg.h>

#include <filesystem>

FileDialogSetup FileDialogSetupFor(FileRole role)
{
    const wxString wildcard = "Windows PCM (*.wav)|*.wav";
    if (role == FileRole::Input)
        return {"Open", wildcard, "wav", wxFD_OPEN | wxRESIZE_BORDER};
    return {"Save As", wildcard, "wav", wxFD_SAVE | wxFD_OVERWRITE_PROMPT | wxRESIZE_BORDER};
}

std::string WithDefaultExtension(const std::string& path, const wxString& extension)
{
    if (extension.empty() || std::filesystem::path(path).has_extension())
        return path;
    return path + "." + extension.utf8_string();
}

std::optional<std::string> DialogFileChooser::Choose(FileRole role)
{
    const FileDialogSetup setup = FileDialogSetupFor(role);
    wxFileDialog dialog(m_pParent, setup.m_strTitle, wxEmptyString, wxEmptyString, setup.m_strWildcard,
                        setup.m_nStyle);
    if (dialog.ShowModal() != wxID_OK)
        return std::nullopt;
    const std::string chosen = dialog.GetPath().utf8_string();
    // An existing input is taken as it is; only a typed new name gets the extension.
    if (role == FileRole::Input && std::filesystem::exists(chosen))
        return chosen;
    return WithDefaultExtension(chosen, setup.m_strDefaultExtension);
}
