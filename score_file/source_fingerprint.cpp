#include "score_file/source_fingerprint.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

constexpr std::uint64_t kFnv1a64Prime = 0x100000001b3ULL;
constexpr std::string_view kHashPrefix = "fnv1a64:";
constexpr std::size_t kHashDigits = 16;

std::string Failure(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

}  // namespace

std::uint64_t Fnv1a64(std::span<const unsigned char> bytes, std::uint64_t state)
{
    for (const unsigned char byte : bytes) {
        state ^= byte;
        state *= kFnv1a64Prime;
    }
    return state;
}

FileHash HashFileContents(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {0, Failure(path, errno)};
    FileHash result = HashDescriptorContents(fd, path);
    close(fd);
    return result;
}

FileHash HashDescriptorContents(int fd, const std::string& name)
{
    FileHash result{kFnv1a64Start, {}};
    std::array<unsigned char, 64 * 1024> piece;
    for (off_t offset = 0;;) {
        const ssize_t got = pread(fd, piece.data(), piece.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {0, Failure(name, errno)};
        if (got == 0)
            break;
        result.m_nHash = Fnv1a64(std::span(piece.data(), static_cast<std::size_t>(got)), result.m_nHash);
        offset += got;
    }
    return result;
}

std::string FormatSourceHash(std::uint64_t hash)
{
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string text(kHashPrefix);
    for (int shift = static_cast<int>(4 * (kHashDigits - 1)); shift >= 0; shift -= 4)
        text += kHexDigits[(hash >> shift) & 0xf];
    return text;
}

std::optional<std::uint64_t> ParseSourceHash(std::string_view text)
{
    if (!text.starts_with(kHashPrefix) || text.size() != kHashPrefix.size() + kHashDigits)
        return std::nullopt;
    text.remove_prefix(kHashPrefix.size());
    if (text.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
    std::uint64_t hash = 0;
    std::from_chars(text.data(), text.data() + text.size(), hash, 16);
    return hash;
}
