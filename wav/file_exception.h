// The error raised when the operating system fails a file operation.
#pragma once

#include <stdexcept>
#include <string>

// Raised by DiskFile when a read, write, seek, flush or close fails below it,
// including a disk that is full. It carries what failed, on which file, and the
// operating system's own description of why.
class FileException : public std::runtime_error {
public:
    enum class Cause { Read, Write, Seek, Close, DiskFull };

    FileException(Cause cause, const std::string& path, int osError);

    Cause GetCause() const { return m_cause; }
    int GetOsError() const { return m_nOsError; }
    const std::string& GetPath() const { return m_strPath; }
    // The operating system's text for the error, e.g. "No space left on device".
    std::string GetOsErrorText() const;

private:
    Cause m_cause;
    int m_nOsError;
    std::string m_strPath;
};
