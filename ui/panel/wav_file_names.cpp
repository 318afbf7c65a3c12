#include "ui/panel/wav_file_names.h"

#include <filesystem>
#include <system_error>

std::string WithWavExtension(const std::string& path)
{
    if (path.find(".wav") != std::string::npos || path.find(".WAV") != std::string::npos)
        return path;
    return path + ".wav";
}

std::string InputPathFor(const std::string& chosenPath)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(chosenPath, error))
        return chosenPath;
    return WithWavExtension(chosenPath);
}

std::string OutputPathFor(const std::string& chosenPath)
{
    return WithWavExtension(chosenPath);
}

std::string BareFileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}
