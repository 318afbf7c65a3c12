// A file read and written at given offsets (pread, pwrite), with the
// system's failures raised as FileException naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PositionalFile {
public:
    enum class Access { Read, ReadWrite };

    // Opens path; raises FileException when it can't.
    PositionalFile(const std::string& path, Access access);
    ~PositionalFile();
    PositionalFile(const PositionalFile&) = delete;
    PositionalFile& operator=(const PositionalFile&) = delete;

    std::uint64_t Size() const;
    // Up to count bytes at offset: fewer only where the file ends.
    std::vector<unsigned char> ReadAt(std::uint64_t offset, std::size_t count) const;
    void WriteAt(std::uint64_t offset, const std::vector<unsigned char>& bytes) const;
    // Closes the file, raising what the system reports (a delayed write error).
    void Close();

private:
    std::string m_strPath;
    int m_nFd = -1;
};
