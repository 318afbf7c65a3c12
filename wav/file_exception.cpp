#include "wav/file_exception.h"

#include <cstring>

namespace {

const char* DescribeCause(FileException::Cause cause)
{
    switch (cause) {
    case FileException::Cause::Read: return "Cannot read from";
    case FileException::Cause::Write: return "Cannot write to";
    case FileException::Cause::Seek: return "Cannot move within";
    case FileException::Cause::Close: return "Cannot finish writing";
    case FileException::Cause::DiskFull: return "The disk is full while writing";
    }
    return "Cannot access";
}

std::string ErrorText(int osError)
{
    char buffer[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(osError, buffer, sizeof buffer);
    return text != nullptr ? text : buffer;
}

}  // namespace

FileException::FileException(Cause cause, const std::string& path, int osError)
    : std::runtime_error(std::string(DescribeCause(cause)) + " \"" + path + "\": " + ErrorText(osError))
    , m_cause(cause)
    , m_nOsError(osError)
    , m_strPath(path)
{
}

std::string FileException::GetOsErrorText() const
{
    return ErrorText(m_nOsError);
}
