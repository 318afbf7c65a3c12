#include <gtest/gtest.h>

#include <wx/stdpaths.h>

#include <filesystem>
#include <string>

#include "ui/panel/install_location.h"
#include "tests/support/temp_dir.h"

TEST(InstallLocation, TheRecordedFolderIsReadFromTheTopOfTheConfigurationFile)
{
    TempDir dir;
    const auto write = [&dir](const std::string& text) {
        WriteWholeFile(dir.File("s.conf"), std::vector<unsigned char>(text.begin(), text.end()));
        return GetInstallPath(dir.File("s.conf"));
    };
    EXPECT_EQ(write("# written by the installation\nInstallPath=/opt/s/share/sonnelith\n"), "/opt/s/share/sonnelith");
    EXPECT_EQ(write("[Elsewhere]\nInstallPath=/not/at/the/top\nVersion=1\n"), "");
    EXPECT_EQ(GetInstallPath(dir.File("absent.conf")), "");
    EXPECT_EQ(GetInstallPath(""), "");
}

TEST(InstallLocation, TheGuideIsInTheInstallFolderElseInTheDataFolderBesideBin)
{
    EXPECT_EQ(UserGuidePath("/opt/s", "/usr/share/sonnelith"), "/opt/s/Sonnelith - User's Guide.pdf");
    EXPECT_EQ(UserGuidePath("", "/usr/share/sonnelith"), "/usr/share/sonnelith/Sonnelith - User's Guide.pdf");
    const std::filesystem::path program = wxStandardPaths::Get().GetExecutablePath().utf8_string();
    EXPECT_EQ(ProgramDataFolder(), (program.parent_path().parent_path() / "share" / "sonnelith").string());
    EXPECT_EQ(InstallConfigPath(), ProgramDataFolder() + "/sonnelith.conf");
}
