// A regular file held open from the moment it is first looked at, so that
// everything read from it (the hash of its bytes, its sound) comes from that
// one file, even when its name is given to another file meanwhile (a copy
// or a rename over it). The readers open it again by /proc/self/fd/N, which
// reaches the very file this descriptor holds, not whatever bears its name
// now.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

class HeldFile {
public:
    // Opens path without blocking (a FIFO opens at once, and is then
    // refused). reason says why there is none: "No such file or directory",
    // "is a folder, not a sound file", "is not a regular file".
    static std::optional<HeldFile> Open(const std::string& path, std::string& reason);

    HeldFile(HeldFile&& other) noexcept;
    HeldFile& operator=(HeldFile&& other) noexcept;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();

    int Descriptor() const { return m_nFd; }
    // The name by which a reader opens this same file.
    std::string ReadablePath() const;
    // The same file on disk (device and inode) as other.
    bool IsSameFileAs(const HeldFile& other) const;
    std::uint64_t Size() const { return static_cast<std::uint64_t>(m_status.st_size); }
    // Whether the file still has the size and modification time it had when
    // opened: one written in place while it was read may have given a hash
    // of some bytes and a sound of others.
    bool IsUnchanged() const;

private:
    HeldFile(int fd, const struct stat& status);

    int m_nFd = -1;
    struct stat m_status {};
};
