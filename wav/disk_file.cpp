#include "wav/disk_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large enough that an hour of 4-byte frames costs a few thousand system calls.
constexpr std::size_t kWriteBufferSize = 256 * 1024;

// Takes a whole-file advisory lock on the open file description; false if
// another holder's lock conflicts.
bool LockWholeFile(int fd, short lockType)
{
    struct flock lock {};
    lock.l_type = lockType;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool IsRegularFile(int fd)
{
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// Opening with O_NONBLOCK keeps a FIFO from stalling the open; it is cleared
// again once the descriptor is known to be a regular file.
int OpenDescriptor(const std::string& path, DiskFile::OpenMode mode)
{
    const int flags = (mode == DiskFile::modeReadShared) ? O_RDONLY : (O_WRONLY | O_CREAT);
    int fd;
    do {
        fd = open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool PrepareDescriptor(int fd, DiskFile::OpenMode mode)
{
    if (!IsRegularFile(fd))
        return false;
    const short lockType = (mode == DiskFile::modeReadShared) ? F_RDLCK : F_WRLCK;
    if (!LockWholeFile(fd, lockType))
        return false;
    if (mode == DiskFile::modeCreateExclusive && ftruncate(fd, 0) != 0)
        return false;
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

DiskFile::~DiskFile()
{
    try {
        Close();
    } catch (const FileException&) {
        // A destructor can't report; the caller that cares closes explicitly.
    }
}

bool DiskFile::Open(const std::string& path, OpenMode mode)
{
    if (IsOpen())
        return false;
    const int fd = OpenDescriptor(path, mode);
    if (fd < 0)
        return false;
    if (!PrepareDescriptor(fd, mode)) {
        ::close(fd);
        return false;
    }
    m_hFile = fd;
    m_strFileName = path;
    m_nBuffered = 0;
    if (mode == modeCreateExclusive && m_writeBuffer.size() < kWriteBufferSize)
        m_writeBuffer.resize(kWriteBufferSize);
    return true;
}

std::size_t DiskFile::Read(void* buffer, std::size_t count)
{
    Flush();
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_hFile, bytes + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw FileException(FileException::Cause::Read, m_strFileName, errno);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void DiskFile::Write(const void* buffer, std::size_t count)
{
    if (count == 0)
        return;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    if (m_nBuffered + count > m_writeBuffer.size()) {
        Flush();
        if (count >= m_writeBuffer.size()) {
            WriteThrough(bytes, count);
            return;
        }
    }
    std::memcpy(m_writeBuffer.data() + m_nBuffered, bytes, count);
    m_nBuffered += count;
}

std::int64_t DiskFile::Seek(std::int64_t offset, SeekOrigin from)
{
    Flush();
    const int whence = (from == begin) ? SEEK_SET : (from == current) ? SEEK_CUR : SEEK_END;
    const off_t position = ::lseek(m_hFile, static_cast<off_t>(offset), whence);
    if (position < 0)
        throw FileException(FileException::Cause::Seek, m_strFileName, errno);
    return position;
}

void DiskFile::Close()
{
    if (!IsOpen())
        return;
    try {
        Flush();
    } catch (...) {
        Release();
        throw;
    }
    const int fd = m_hFile;
    m_hFile = hFileNull;
    m_nBuffered = 0;
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    if (::close(fd) != 0 && errno != EINTR)
        throw FileException(FileException::Cause::Close, m_strFileName, errno);
}

void DiskFile::Flush()
{
    if (m_nBuffered == 0)
        return;
    // The buffer counts as emptied even when the write fails, so the close
    // that follows a failure does not try the same bytes again.
    const std::size_t pending = m_nBuffered;
    m_nBuffered = 0;
    WriteThrough(m_writeBuffer.data(), pending);
}

void DiskFile::WriteThrough(const unsigned char* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_hFile, data + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            const auto cause = (errno == ENOSPC || errno == EDQUOT) ? FileException::Cause::DiskFull
                                                                    : FileException::Cause::Write;
            throw FileException(cause, m_strFileName, errno);
        }
        if (put == 0)
            throw FileException(FileException::Cause::DiskFull, m_strFileName, ENOSPC);
        done += static_cast<std::size_t>(put);
    }
}

void DiskFile::Release()
{
    if (IsOpen())
        ::close(m_hFile);
    m_hFile = hFileNull;
    m_nBuffered = 0;
}
