#include "formats/seekable_input.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "formats/descriptor_wait.h"

namespace {

constexpr std::size_t kCopyChunk = 1 << 16;

std::string SystemText(int error)
{
    return std::strerror(error);
}

// An unnamed file in TMPDIR (else /tmp) that disappears with its last descriptor.
int CreateUnnamedFile()
{
    const char* folder = std::getenv("TMPDIR");
    const std::string dir = (folder != nullptr && *folder != '\0') ? folder : "/tmp";
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    std::string pattern = dir + "/sonnelith-input-XXXXXX";
    fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        unlink(pattern.c_str());
    return fd;
}

// Writes all of count bytes; false with errno set when the system refuses.
bool WriteAll(int fd, const char* data, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = write(fd, data, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

SeekableInput::~SeekableInput()
{
    if (m_nCopyFd >= 0)
        close(m_nCopyFd);
}

std::string SeekableInput::Prepare(const std::string& path, std::uint64_t maxStreamBytes,
                                   const CancelCheck& cancelled)
{
    if (path == "-") {
        if (isatty(STDIN_FILENO))
            return "standard input is a terminal; pipe or redirect a sound file into it";
        struct stat info {};
        if (fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            lseek(STDIN_FILENO, 0, SEEK_CUR) == 0) {
            m_strReadablePath = "/proc/self/fd/0";
            return {};
        }
        return CopyStream(STDIN_FILENO, "standard input", maxStreamBytes, cancelled);
    }
    if (path.empty())
        return "the name is empty";
    return PrepareNamed(path, maxStreamBytes, cancelled);
}

// A named pipe or device is opened without waiting for its writer (a FIFO's
// open would block until one comes, and a signal would not end that wait);
// the copy then waits for data in steps that a cancel can cut short.
std::string SeekableInput::PrepareNamed(const std::string& path, std::uint64_t maxStreamBytes,
                                        const CancelCheck& cancelled)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return SystemText(errno);
    if (S_ISDIR(info.st_mode))
        return SystemText(EISDIR);
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return SystemText(errno);
    std::string failure;
    if (S_ISREG(info.st_mode)) {
        m_strReadablePath = path;
        if (info.st_size == 0)
            failure = "the file is empty";
    } else {
        failure = CopyStream(fd, "the stream", maxStreamBytes, cancelled);
    }
    close(fd);
    return failure;
}

std::string SeekableInput::Cancel()
{
    m_bCancelled = true;
    return "cancelled";
}

// Reads only after a wait has found data or the writer's end, so a read never
// blocks; a non-blocking descriptor that has nothing after all is waited on again.
std::string SeekableInput::CopyStream(int streamFd, const std::string& name, std::uint64_t maxStreamBytes,
                                      const CancelCheck& cancelled)
{
    m_nCopyFd = CreateUnnamedFile();
    if (m_nCopyFd < 0)
        return "cannot make a temporary copy of " + name + ": " + SystemText(errno);
    std::vector<char> chunk(kCopyChunk);
    std::uint64_t total = 0;
    for (;;) {
        if (IsCancelled(cancelled))
            return Cancel();
        const WaitOutcome wait = WaitUntilReadable(streamFd, cancelled);
        if (wait == WaitOutcome::Cancelled)
            return Cancel();
        if (wait == WaitOutcome::Failed)
            return "cannot read " + name + ": " + SystemText(errno);
        const ssize_t got = read(streamFd, chunk.data(), chunk.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            return "cannot read " + name + ": " + SystemText(errno);
        if (got == 0)
            break;
        total += static_cast<std::uint64_t>(got);
        if (total > maxStreamBytes)
            return name + " holds more than " + std::to_string(maxStreamBytes >> 20) +
                   " MB; give the sound as a file";
        if (!WriteAll(m_nCopyFd, chunk.data(), static_cast<std::size_t>(got)))
            return "cannot make a temporary copy of " + name + ": " + SystemText(errno);
    }
    if (total == 0)
        return name + " is empty";
    m_strReadablePath = "/proc/self/fd/" + std::to_string(m_nCopyFd);
    return {};
}
