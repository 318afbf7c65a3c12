#include "score_file/score_sources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

std::string ResolveSourcePath(const std::string& folder, const std::string& source)
{
    const std::filesystem::path path(source);
    if (path.is_absolute() || folder.empty())
        return source;
    return (std::filesystem::path(folder) / path).string();
}

std::optional<std::string> SourceUnreadable(const std::string& path)
{
    // Without blocking: a named pipe opens at once, and is then refused as
    // not a regular file.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return path + ": " + std::strerror(errno);
    struct stat status {};
    const bool statted = fstat(fd, &status) == 0;
    const int error = errno;
    close(fd);
    if (!statted)
        return path + ": " + std::strerror(error);
    if (S_ISDIR(status.st_mode))
        return path + ": is a folder, not a sound file";
    if (!S_ISREG(status.st_mode))
        return path + ": is not a regular file";
    return std::nullopt;
}
