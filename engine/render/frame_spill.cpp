#include "engine/render/frame_spill.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "wav/file_exception.h"

namespace {

// An unnamed file where the system offers them, else a named one that is
// unlinked at once.
int OpenUnnamed(const std::string& folder)
{
#ifdef O_TMPFILE
    const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
#endif
    std::string name = folder + "/.sonnelith-spill-XXXXXX";
    std::vector<char> path(name.begin(), name.end());
    path.push_back('\0');
    const int named = mkostemp(path.data(), O_CLOEXEC);
    if (named >= 0)
        unlink(path.data());
    return named;
}

FileException::Cause WriteCause(int error)
{
    return error == ENOSPC || error == EDQUOT ? FileException::Cause::DiskFull : FileException::Cause::Write;
}

// A process may be held to smaller files than its disk has room for
// (ulimit -f): a spill past that limit would fail half-way.
bool FitsFileSizeLimit(std::uint64_t bytes)
{
    rlimit limit{};
    return getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || bytes <= limit.rlim_cur;
}

bool IsKeptInMemory(const std::string& folder)
{
    struct statfs info {};
    if (statfs(folder.c_str(), &info) != 0)
        return false;
    return info.f_type == TMPFS_MAGIC || info.f_type == RAMFS_MAGIC;
}

}  // namespace

std::unique_ptr<FrameSpill> FrameSpill::Create(const std::string& folder)
{
    const int fd = OpenUnnamed(folder);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<FrameSpill>(new FrameSpill(fd, "a temporary file in " + folder));
}

FrameSpill::FrameSpill(int fd, std::string description)
    : m_nFd(fd)
    , m_strDescription(std::move(description))
{
}

FrameSpill::~FrameSpill()
{
    close(m_nFd);
}

void FrameSpill::Append(std::span<const StereoFrame> frames)
{
    const auto* bytes = reinterpret_cast<const char*>(frames.data());
    std::size_t left = frames.size_bytes();
    auto offset = static_cast<off_t>(BytesFor(m_nFrames));
    while (left > 0) {
        const ssize_t written = pwrite(m_nFd, bytes, left, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            throw FileException(WriteCause(error), m_strDescription, error);
        }
        bytes += written;
        left -= static_cast<std::size_t>(written);
        offset += written;
    }
    m_nFrames += frames.size();
}

void FrameSpill::Read(std::span<StereoFrame> frames, std::uint64_t first) const
{
    auto* bytes = reinterpret_cast<char*>(frames.data());
    std::size_t left = frames.size_bytes();
    auto offset = static_cast<off_t>(BytesFor(first));
    while (left > 0) {
        const ssize_t got = pread(m_nFd, bytes, left, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)  // 0: the file is shorter than what was stored in it
            throw FileException(FileException::Cause::Read, m_strDescription, got < 0 ? errno : EIO);
        bytes += got;
        left -= static_cast<std::size_t>(got);
        offset += got;
    }
}

bool IsRoomToSpill(const std::string& folder, std::uint64_t bytes, std::uint64_t reserve)
{
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0 || IsKeptInMemory(folder) || !FitsFileSizeLimit(bytes))
        return false;
    const unsigned __int128 free = static_cast<unsigned __int128>(info.f_bavail) * info.f_frsize;
    return free >= static_cast<unsigned __int128>(bytes) + reserve;
}

std::string TemporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}
