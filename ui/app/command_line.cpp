#include "ui/app/command_line.h"

#include <wx/filename.h>

#include <filesystem>
#include <system_error>

namespace {

// A local file's path from a file:// address; anything else as it is.
std::string LocalPath(const std::string& argument)
{
    if (argument.rfind("file://", 0) != 0)
        return argument;
    return wxFileName::URLToFileName(wxString::FromUTF8(argument)).GetFullPath().utf8_string();
}

}  // namespace

std::string StartInputFile(const std::vector<std::string>& arguments)
{
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument.empty() || (!optionsEnded && argument.front() == '-'))
            continue;
        const std::string path = LocalPath(argument);
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        return error ? path : absolute.lexically_normal().string();
    }
    return {};
}
