// The content hash a stored score keeps of each source: FNV-1a 64 over the
// file's bytes, written "fnv1a64:" and 16 hex digits, so that a later render
// can tell a changed source before it renders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::uint64_t kFnv1a64Start = 0xcbf29ce484222325ULL;

// The hash of bytes following those hashed into state.
std::uint64_t Fnv1a64(std::span<const unsigned char> bytes, std::uint64_t state = kFnv1a64Start);

struct FileHash {
    std::uint64_t m_nHash = 0;
    std::string m_strError;  // empty: hashed; else why not: "rain.flac: No such file or directory"
};

// The hash of a file's bytes, read in pieces whatever its size.
FileHash HashFileContents(const std::string& path);
// The same of the file open as fd, from its first byte (whatever the
// descriptor's offset, which stays as it is); name names it in the error.
FileHash HashDescriptorContents(int fd, const std::string& name);

// "fnv1a64:0123456789abcdef" and back.
std::string FormatSourceHash(std::uint64_t hash);
std::optional<std::uint64_t> ParseSourceHash(std::string_view text);
