// Where the installed program keeps its files: the install folder recorded by
// the installation, the user's guide in it, and the product's web address.
//
// The installation writes a small configuration file, sonnelith.conf, into the
// program's data folder (<prefix>/share/sonnelith, found from <prefix>/bin that
// holds the program). It holds one value, InstallPath=<the install folder>,
// where the user's guide lives. A missing file or value leaves the install
// folder empty, and the data folder is used instead.
#pragma once

#include <string>

constexpr const char* kInstallConfigFileName = "sonnelith.conf";
constexpr const char* kInstallPathValueName = "InstallPath";
constexpr const char* kUserGuideFileName = "Sonnelith - User's Guide.pdf";

// The product's web address, opened by the web-site command (set at build
// time; see ui/panel/CMakeLists.txt).
extern const char* const kWebSiteAddress;

// The data folder of the running program: <prefix>/share/sonnelith for a
// program in <prefix>/bin.
std::string ProgramDataFolder();
// The configuration file of this installation: <data folder>/sonnelith.conf.
std::string InstallConfigPath();

// The install folder: the value InstallPath of configFile (the running
// program's is InstallConfigPath()); empty when the file or the value can't be read.
std::string GetInstallPath(const std::string& configFile);

// The user's guide in installFolder, or in dataFolder while installFolder is empty.
std::string UserGuidePath(const std::string& installFolder, const std::string& dataFolder);
