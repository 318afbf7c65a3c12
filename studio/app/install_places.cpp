#include "studio/app/install_places.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace studio {

namespace fs = std::filesystem;

namespace {

fs::path ProgramFolder()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
}

bool IsRunnable(const fs::path& path)
{
    return !path.empty() && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string RendererPath()
{
    if (const char* given = std::getenv("SONNELITH_CLI"); given != nullptr && given[0] != '\0')
        return given;
    const fs::path beside = ProgramFolder() / "sonnelith-cli";
    if (IsRunnable(beside))
        return beside.string();
    if (IsRunnable(SONNELITH_CLI_BUILD_PATH))
        return SONNELITH_CLI_BUILD_PATH;
    return "sonnelith-cli";
}

std::string GuidePath()
{
    const fs::path installed = ProgramFolder() / SONNELITH_BIN_TO_DATA / "Sonnelith - User's Guide.pdf";
    std::error_code error;
    if (fs::exists(installed, error))
        return installed.lexically_normal().string();
    return SONNELITH_SOURCE_GUIDE;
}

}  // namespace studio
