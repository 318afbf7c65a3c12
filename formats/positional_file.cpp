#include "formats/positional_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "wav/file_exception.h"

namespace {

[[noreturn]] void Fail(FileException::Cause cause, const std::string& path, int error)
{
    const bool full = error == ENOSPC || error == EDQUOT;
    throw FileException(full ? FileException::Cause::DiskFull : cause, path, error);
}

}  // namespace

PositionalFile::PositionalFile(const std::string& path, Access access)
    : m_strPath(path)
    // Without blocking: a FIFO with no writer fails its first read instead of
    // holding the program at open.
    , m_nFd(open(path.c_str(), (access == Access::Read ? O_RDONLY | O_NONBLOCK : O_RDWR) | O_CLOEXEC))
{
    if (m_nFd < 0)
        Fail(access == Access::Read ? FileException::Cause::Read : FileException::Cause::Write, path, errno);
}

PositionalFile::~PositionalFile()
{
    if (m_nFd >= 0)
        close(m_nFd);
}

std::uint64_t PositionalFile::Size() const
{
    struct stat info {};
    if (fstat(m_nFd, &info) != 0)
        Fail(FileException::Cause::Read, m_strPath, errno);
    return static_cast<std::uint64_t>(info.st_size);
}

std::vector<unsigned char> PositionalFile::ReadAt(std::uint64_t offset, std::size_t count) const
{
    std::vector<unsigned char> bytes(count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(m_nFd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail(FileException::Cause::Read, m_strPath, errno);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

void PositionalFile::WriteAt(std::uint64_t offset, const std::vector<unsigned char>& bytes) const
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            pwrite(m_nFd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            Fail(FileException::Cause::Write, m_strPath, written < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(written);
    }
}

void PositionalFile::Close()
{
    const int fd = m_nFd;
    m_nFd = -1;
    if (fd >= 0 && close(fd) != 0)
        Fail(FileException::Cause::Close, m_strPath, errno);
}
