#include "formats/output_place.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "formats/sound_file_messages.h"

namespace {

constexpr std::uint64_t kMebibyte = 1048576;

std::string FolderOf(const std::string& target)
{
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    return folder.empty() ? "." : folder.string();
}

// As many links in a row as the system itself follows before it gives up.
constexpr int kMostLinksFollowed = 40;

// A link is followed to the file it names, so that the link stays a link;
// a dangling link to the file it would name, which is then created. A link's
// relative target counts from the link's own folder.
std::string ResolveLink(const std::string& path, std::string& reason)
{
    std::filesystem::path current = path;
    for (int followed = 0; followed <= kMostLinksFollowed; ++followed) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current.string();
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error || target.empty())
            return current.string();
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    reason = std::strerror(ELOOP);
    return path;
}

bool IsSameFile(const struct stat& a, const std::string& otherPath)
{
    struct stat other {};
    return stat(otherPath.c_str(), &other) == 0 && a.st_dev == other.st_dev && a.st_ino == other.st_ino;
}

std::string FolderProblem(const std::string& folder)
{
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0)
        return errno == EACCES ? "permission denied" : "no such folder";
    if (!S_ISDIR(info.st_mode))
        return "no such folder (" + folder + " is not a folder)";
    return {};
}

}  // namespace

OutputPlace FindOutputPlace(const std::string& path, const std::string& inputPath, std::string& reason)
{
    OutputPlace place;
    reason.clear();
    if (path.empty()) {
        reason = "the name is empty";
        return place;
    }
    place.m_strTarget = ResolveLink(path, reason);
    if (!reason.empty())
        return place;
    place.m_strFolder = FolderOf(place.m_strTarget);
    reason = FolderProblem(place.m_strFolder);
    if (!reason.empty())
        return place;
    struct stat info {};
    place.m_bExists = stat(place.m_strTarget.c_str(), &info) == 0;
    if (!place.m_bExists)
        return place;
    if (S_ISDIR(info.st_mode))
        reason = "is a folder";
    else if (!inputPath.empty() && inputPath != "-" && IsSameFile(info, inputPath))
        reason = "it is the input file";
    else if (!S_ISREG(info.st_mode))
        reason = "not a regular file (write to standard output with -o - and redirect that)";
    else if (access(place.m_strTarget.c_str(), W_OK) != 0)
        reason = DescribeSystemError(errno);  // "read-only file system" as well as "permission denied"
    return place;
}

std::string CheckRoom(const std::string& folder, std::uint64_t bytes)
{
    struct statvfs disk {};
    if (statvfs(folder.c_str(), &disk) != 0)
        return {};
    const std::uint64_t available = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
    if (bytes <= available)
        return {};
    return "not enough room on its disk: " + std::to_string(MebibytesUp(bytes)) + " MB needed, " +
           std::to_string(MebibytesDown(available)) + " MB free";
}

std::uint64_t MebibytesUp(std::uint64_t bytes)
{
    return (bytes + kMebibyte - 1) / kMebibyte;
}

std::uint64_t MebibytesDown(std::uint64_t bytes)
{
    return bytes / kMebibyte;
}
