#include <gtest/gtest.h>

#include <wx/stdpaths.h>

#include <filesystem>
#include <string>

#include "install_location.h"
#include "temp_dir.h"

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    WriteWholeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace

TEST(InstallLocation, TheRecordedFolderIsReadFromTheConfigurationFile)
{
    TempDir dir;
    const std::string config = dir.File("sonnelith.conf");
    WriteText(config, "# written by the installation\nInstallPath=/opt/sonnelith/share/sonnelith\n");
    EXPECT_EQ(ReadInstallPath(config), "/opt/sonnelith/share/sonnelith");
}

TEST(InstallLocation, AMissingFileOrValueReadsAsEmpty)
{
    TempDir dir;
    EXPECT_EQ(ReadInstallPath(dir.File("absent.conf")), "");
    EXPECT_EQ(ReadInstallPath(""), "");
    const std::string other = dir.File("other.conf");
    WriteText(other, "[Elsewhere]\nInstallPath=/not/at/the/top\nVersion=1\n");
    EXPECT_EQ(ReadInstallPath(other), "");
}

TEST(InstallLocation, TheGuideIsInTheInstallFolderElseInTheDataFolder)
{
    EXPECT_EQ(UserGuidePath("/opt/s", "/usr/share/sonnelith"), "/opt/s/Sonnelith - User's Guide.pdf");
    EXPECT_EQ(UserGuidePath("", "/usr/share/sonnelith"), "/usr/share/sonnelith/Sonnelith - User's Guide.pdf");
}

TEST(InstallLocation, TheDataFolderLiesBesideTheProgramsBinFolder)
{
    const std::filesystem::path program = wxStandardPaths::Get().GetExecutablePath().utf8_string();
    EXPECT_EQ(ProgramDataFolder(), (program.parent_path().parent_path() / "share" / "sonnelith").string());
    EXPECT_EQ(InstallConfigPath(), ProgramDataFolder() + "/sonnelith.conf");
}
