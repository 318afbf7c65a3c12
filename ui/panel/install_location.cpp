#include "ui/panel/install_location.h"

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include <filesystem>

#if !defined(SONNELITH_WEB_ADDRESS) || !defined(SONNELITH_BIN_TO_DATA)
#error "SONNELITH_WEB_ADDRESS and SONNELITH_BIN_TO_DATA must be defined by the build"
#endif

const char* const kWebSiteAddress = SONNELITH_WEB_ADDRESS;

std::string ProgramDataFolder()
{
    const std::filesystem::path program = wxStandardPaths::Get().GetExecutablePath().utf8_string();
    return (program.parent_path() / SONNELITH_BIN_TO_DATA).lexically_normal().string();
}

std::string InstallConfigPath()
{
    return (std::filesystem::path(ProgramDataFolder()) / kInstallConfigFileName).string();
}

std::string GetInstallPath(const std::string& configFile)
{
    const wxString fileName = wxString::FromUTF8(configFile);
    if (configFile.empty() || !wxFileName::FileExists(fileName))
        return {};
    // A file that can't be parsed reads as empty; its complaints are not the user's business.
    wxLogNull quiet;
    wxFileConfig config(wxEmptyString, wxEmptyString, fileName, wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    wxString folder;
    if (!config.Read(kInstallPathValueName, &folder))
        return {};
    return folder.utf8_string();
}

std::string UserGuidePath(const std::string& installFolder, const std::string& dataFolder)
{
    const std::string& folder = installFolder.empty() ? dataFolder : installFolder;
    return (std::filesystem::path(folder) / kUserGuideFileName).string();
}
