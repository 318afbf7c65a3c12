// A file on disk with the open, read, write, seek and close of a desktop
// framework's file class, on POSIX descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wav/file_exception.h"

// Opening never raises: it answers false. Once open, every failure of the
// operating system raises FileException.
//
// Sharing: POSIX has no share modes, so they are emulated with advisory
// open-file-description locks on the whole file. A file opened for reading
// holds a shared lock (other readers welcome, no writer of ours); a file opened
// for writing holds an exclusive lock. The lock is taken before a file opened
// for writing is emptied, so a refused open never destroys the existing file.
//
// Writes are collected in a buffer and handed to the system in large pieces;
// errors of buffered data surface at the latest on Seek or Close.
class DiskFile {
public:
    enum OpenMode {
        modeReadShared,       // existing file, read only; others may read but not write
        modeCreateExclusive,  // created or emptied, write only; nobody else may open it
    };
    enum SeekOrigin { begin, current, end };

    DiskFile() = default;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;
    // Closes a file that is still open; errors at that point are dropped.
    virtual ~DiskFile();

    bool Open(const std::string& path, OpenMode mode);
    // Reads up to count bytes; returns how many were read (fewer at the end, 0 past it).
    std::size_t Read(void* buffer, std::size_t count);
    // Writes all count bytes, or raises.
    void Write(const void* buffer, std::size_t count);
    // Moves the file pointer and returns its new offset; past the end is allowed.
    std::int64_t Seek(std::int64_t offset, SeekOrigin from);
    void Close();

    bool IsOpen() const { return m_hFile != hFileNull; }

    static constexpr int hFileNull = -1;

private:
    void Flush();
    void WriteThrough(const unsigned char* data, std::size_t count);
    void Release();

    int m_hFile = hFileNull;
    std::string m_strFileName;
    std::vector<unsigned char> m_writeBuffer;  // sized when a file is opened for writing
    std::size_t m_nBuffered = 0;               // bytes of m_writeBuffer not yet written
};
