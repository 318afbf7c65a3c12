#include "formats/held_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

bool SameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

std::optional<HeldFile> HeldFile::Open(const std::string& path, std::string& reason)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return std::nullopt;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0)
        reason = std::strerror(errno);
    else if (S_ISDIR(status.st_mode))
        reason = "is a folder, not a sound file";
    else if (!S_ISREG(status.st_mode))
        reason = "is not a regular file";
    else
        return HeldFile(fd, status);
    close(fd);
    return std::nullopt;
}

HeldFile::HeldFile(int fd, const struct stat& status)
    : m_nFd(fd)
    , m_status(status)
{
}

HeldFile::HeldFile(HeldFile&& other) noexcept
    : m_nFd(std::exchange(other.m_nFd, -1))
    , m_status(other.m_status)
{
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept
{
    if (this != &other) {
        if (m_nFd >= 0)
            close(m_nFd);
        m_nFd = std::exchange(other.m_nFd, -1);
        m_status = other.m_status;
    }
    return *this;
}

HeldFile::~HeldFile()
{
    if (m_nFd >= 0)
        close(m_nFd);
}

std::string HeldFile::ReadablePath() const
{
    return "/proc/self/fd/" + std::to_string(m_nFd);
}

bool HeldFile::IsSameFileAs(const HeldFile& other) const
{
    return m_status.st_dev == other.m_status.st_dev && m_status.st_ino == other.m_status.st_ino;
}

bool HeldFile::IsUnchanged() const
{
    struct stat now {};
    // Not the change time: a name given to another file, or a link removed, changes that alone.
    return fstat(m_nFd, &now) == 0 && now.st_size == m_status.st_size && SameTime(now.st_mtim, m_status.st_mtim);
}
