#include "formats/stored_score_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "formats/positional_file.h"
#include "formats/printable_name.h"
#include "formats/stored_score_layout.h"
#include "wav/file_exception.h"
#include "wav/little_endian.h"

namespace {

// Every step reads a few bytes; a forged file of tiny chunks ends the walk
// after this many instead of keeping it going for millions.
constexpr std::size_t kMostSteps = 65536;
constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFFu;
constexpr std::size_t kMostDs64Entries = 256;

using Bytes = std::vector<unsigned char>;

// Where a walk ended: the text, or a problem (empty: the file simply holds no score).
struct Outcome {
    std::optional<std::string> m_text;
    std::string m_strProblem;
};

Outcome Problem(std::string text)
{
    return Outcome{std::nullopt, std::move(text)};
}

// The file with reads that stay inside it.
struct Source {
    const PositionalFile& m_file;
    std::uint64_t m_nSize;

    bool Holds(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= m_nSize && count <= m_nSize - offset;
    }
    // Exactly count bytes at offset, or nothing where the file ends before.
    std::optional<Bytes> Read(std::uint64_t offset, std::size_t count) const
    {
        if (!Holds(offset, count))
            return std::nullopt;
        Bytes bytes = m_file.ReadAt(offset, count);
        if (bytes.size() != count)
            return std::nullopt;  // the file shrank meanwhile
        return bytes;
    }
};

std::uint64_t Load64(const unsigned char* bytes)
{
    return LoadLittleEndian32(bytes) | (static_cast<std::uint64_t>(LoadLittleEndian32(bytes + 4)) << 32);
}

// A chunk's name for a message: its four characters, or their hex codes.
std::string ChunkName(const unsigned char* id)
{
    const bool printable = std::all_of(id, id + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7F; });
    // Appended, not "\"" + name: GCC 12's optimiser reports a false overlap
    // (-Wrestrict, GCC bug 105651) in std::string's insert at the front.
    if (printable)
        return std::string("\"").append(id, id + 4).append("\"");
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex = "0x";
    for (int i = 0; i < 4; ++i) {
        hex += kDigits[id[i] >> 4];
        hex += kDigits[id[i] & 15];
    }
    return hex;
}

std::string PastTheEnd(const std::string& what, std::uint64_t offset, std::uint64_t claimed)
{
    return what + " at byte " + std::to_string(offset) + " claims " + std::to_string(claimed) +
           " bytes, more than the file holds after it";
}

// Where the text holds a control character that no score holds: any but a
// tab and a line break (which may end in a carriage return), the C1
// controls included. The text is UTF-8 already. --score-of prints the text
// as it is, so such a character would reach the terminal.
std::optional<std::string> StrayControl(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        const bool lineEnd = byte == '\n' || (byte == '\r' && next == '\n');
        const bool c0 = (byte < 0x20 && byte != '\t' && !lineEnd) || byte == 0x7F;
        const bool c1 = byte == 0xC2 && next >= 0x80 && next <= 0x9F;
        if (c0 || c1) {
            const unsigned code = c1 ? next : byte;
            return "it holds the control character " + std::to_string(code) + " at byte " + std::to_string(i) +
                   " of its text, where a score has none but tabs and line breaks";
        }
    }
    return std::nullopt;
}

// The stored text of length bytes at offset, once it is known to be a score.
Outcome TextAt(const Source& source, std::uint64_t offset, std::uint64_t length)
{
    if (length > kMaxStoredScoreBytes)
        return Problem("its stored score claims " + std::to_string(length) + " bytes, more than the " +
                       std::to_string(kMaxStoredScoreBytes) + " a score can have");
    const std::optional<Bytes> bytes = source.Read(offset, static_cast<std::size_t>(length));
    if (!bytes)
        return Problem(PastTheEnd("its stored score", offset, length));
    // A text never holds a NUL: one at the end is the byte that evens a RIFF chunk.
    std::string text(bytes->begin(), bytes->end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    std::optional<std::string> flaw = CheckStorableScore(text);
    if (!flaw)
        flaw = StrayControl(text);
    if (flaw)
        return Problem("its stored score is damaged: " + *flaw);
    return Outcome{std::move(text), {}};
}

// An RF64 file's 64-bit sizes: the data chunk's and those of its table.
struct Ds64Sizes {
    std::uint64_t m_nData = 0;
    std::vector<std::pair<std::string, std::uint64_t>> m_table;

    std::optional<std::uint64_t> Of(const unsigned char* id) const
    {
        if (std::memcmp(id, "data", 4) == 0)
            return m_nData;
        for (const auto& [name, size] : m_table) {
            if (std::memcmp(id, name.data(), 4) == 0)
                return size;
        }
        return std::nullopt;
    }
};

// The ds64 chunk's body: RIFF size, data size, frame count, table length, table.
std::optional<Ds64Sizes> ReadDs64(const Source& source, std::uint64_t offset, std::uint32_t size)
{
    constexpr std::uint32_t kFixedBytes = 28;
    constexpr std::uint32_t kEntryBytes = 12;
    if (size < kFixedBytes)
        return std::nullopt;
    const std::size_t entries = std::min<std::size_t>((size - kFixedBytes) / kEntryBytes, kMostDs64Entries);
    const std::optional<Bytes> body = source.Read(offset, kFixedBytes + entries * kEntryBytes);
    if (!body)
        return std::nullopt;
    Ds64Sizes sizes;
    sizes.m_nData = Load64(body->data() + 8);
    const std::size_t listed = std::min<std::size_t>(LoadLittleEndian32(body->data() + 24), entries);
    for (std::size_t i = 0; i < listed; ++i) {
        const unsigned char* entry = body->data() + kFixedBytes + i * kEntryBytes;
        sizes.m_table.emplace_back(std::string(entry, entry + 4), Load64(entry + 4));
    }
    return sizes;
}

// RIFF and RF64: chunks of a four-character id and a 32-bit size from byte
// 12 on, each padded to an even length. In RF64 the first is ds64, and a
// size of 0xFFFFFFFF stands for the 64-bit one it holds.
Outcome SearchRiff(const Source& source, bool rf64)
{
    std::optional<Ds64Sizes> ds64;
    std::uint64_t offset = 12;
    for (std::size_t step = 0; step < kMostSteps; ++step) {
        const std::optional<Bytes> header = source.Read(offset, 8);
        if (!header)
            return {};
        const unsigned char* id = header->data();
        std::uint64_t size = LoadLittleEndian32(header->data() + 4);
        if (rf64 && step == 0) {
            ds64 = std::memcmp(id, "ds64", 4) == 0 ? ReadDs64(source, offset + 8, static_cast<std::uint32_t>(size))
                                                    : std::nullopt;
            if (!ds64)
                return Problem("it is an RF64 file without a readable ds64 chunk at its start");
        }
        if (rf64 && size == kSizeInDs64) {
            const std::optional<std::uint64_t> large = ds64->Of(id);
            if (!large)
                return Problem("its " + ChunkName(id) + " chunk at byte " + std::to_string(offset) +
                               " leaves its size to a ds64 chunk that does not give it");
            size = *large;
        }
        if (std::memcmp(id, kRiffScoreChunkId, 4) == 0)
            return TextAt(source, offset + 8, size);
        if (!source.Holds(offset + 8, size))
            return Problem(PastTheEnd("its " + ChunkName(id) + " chunk", offset, size));
        offset += 8 + size + size % 2;
    }
    return Problem("it has more than " + std::to_string(kMostSteps) + " chunks");
}

// W64: chunks of a 16-byte GUID and a 64-bit size that counts their 24-byte
// header too, from byte 40 on, each padded to a multiple of 8.
Outcome SearchW64(const Source& source)
{
    constexpr std::uint64_t kHeaderBytes = 24;
    std::uint64_t offset = 40;
    for (std::size_t step = 0; step < kMostSteps; ++step) {
        const std::optional<Bytes> header = source.Read(offset, kHeaderBytes);
        if (!header)
            return {};
        const std::uint64_t size = Load64(header->data() + 16);
        const std::string name = ChunkName(header->data()) + " chunk";
        if (size < kHeaderBytes)
            return Problem("its " + name + " at byte " + std::to_string(offset) + " claims " +
                           std::to_string(size) + " bytes, less than its own header");
        if (std::equal(kW64ScoreChunkGuid.begin(), kW64ScoreChunkGuid.end(), header->begin()))
            return TextAt(source, offset + kHeaderBytes, size - kHeaderBytes);
        if (!source.Holds(offset, size))
            return Problem(PastTheEnd("its " + name, offset, size));
        offset += size + (8 - size % 8) % 8;
    }
    return Problem("it has more than " + std::to_string(kMostSteps) + " chunks");
}

// Whether the Vorbis comment at offset (length bytes) names our field;
// field names are compared without regard to case.
bool IsScoreComment(const Source& source, std::uint64_t offset, std::uint32_t length)
{
    const std::size_t prefix = std::strlen(kFlacScoreField) + 1;
    if (length < prefix)
        return false;
    const std::optional<Bytes> name = source.Read(offset, prefix);
    if (!name || (*name)[prefix - 1] != '=')
        return false;
    for (std::size_t i = 0; i + 1 < prefix; ++i) {
        if (std::toupper((*name)[i]) != kFlacScoreField[i])
            return false;
    }
    return true;
}

// A VORBIS_COMMENT block: vendor string, count, then each comment as a
// 32-bit length and "NAME=value", all inside the block's length.
Outcome SearchComments(const Source& source, std::uint64_t offset, std::uint64_t end)
{
    const auto field32 = [&source, &end](std::uint64_t at) -> std::optional<std::uint32_t> {
        const std::optional<Bytes> bytes = at + 4 <= end ? source.Read(at, 4) : std::nullopt;
        return bytes ? std::optional<std::uint32_t>(LoadLittleEndian32(bytes->data())) : std::nullopt;
    };
    const std::string broken = "its Vorbis comment block at byte " + std::to_string(offset) + " is damaged";
    const std::optional<std::uint32_t> vendor = field32(offset);
    if (!vendor || *vendor > end - offset - 4)
        return Problem(broken);
    std::uint64_t at = offset + 4 + *vendor;
    const std::optional<std::uint32_t> count = field32(at);
    if (!count)
        return Problem(broken);
    at += 4;
    for (std::uint32_t i = 0; i < *count && i < kMostSteps; ++i) {
        const std::optional<std::uint32_t> length = field32(at);
        if (!length || *length > end - at - 4)
            return Problem(broken);
        const std::size_t prefix = std::strlen(kFlacScoreField) + 1;
        if (IsScoreComment(source, at + 4, *length))
            return TextAt(source, at + 4 + prefix, *length - prefix);
        at += 4 + *length;
    }
    return {};
}

// FLAC: "fLaC", then metadata blocks of a header byte (last-block flag and
// type) and a 24-bit big-endian length, until the last one.
Outcome SearchFlac(const Source& source)
{
    constexpr unsigned kVorbisComment = 4;
    std::uint64_t offset = 4;
    for (std::size_t step = 0; step < kMostSteps; ++step) {
        const std::optional<Bytes> header = source.Read(offset, 4);
        if (!header)
            return Problem("its metadata ends before its last block");
        const std::uint64_t length = (std::uint64_t{(*header)[1]} << 16) | ((*header)[2] << 8) | (*header)[3];
        if (!source.Holds(offset + 4, length))
            return Problem(PastTheEnd("its metadata block", offset, length));
        if (((*header)[0] & 0x7F) == kVorbisComment) {
            Outcome found = SearchComments(source, offset + 4, offset + 4 + length);
            if (found.m_text || !found.m_strProblem.empty())
                return found;
        }
        if (((*header)[0] & 0x80) != 0)
            return {};
        offset += 4 + length;
    }
    return Problem("it has more than " + std::to_string(kMostSteps) + " metadata blocks");
}

Outcome Search(const PositionalFile& file, ScoreContainer container)
{
    const Source source{file, file.Size()};
    switch (container) {
    case ScoreContainer::Riff: return SearchRiff(source, false);
    case ScoreContainer::Rf64: return SearchRiff(source, true);
    case ScoreContainer::W64: return SearchW64(source);
    case ScoreContainer::Flac: return SearchFlac(source);
    case ScoreContainer::Other: break;
    }
    return {};
}

}  // namespace

std::optional<std::string> ReadStoredScore(const std::string& path, std::string& reason)
{
    try {
        const PositionalFile file(path, PositionalFile::Access::Read);
        const ScoreContainer container = RecogniseContainer(file.ReadAt(0, kContainerSignatureBytes));
        const std::string name = PrintableName(path);
        if (container == ScoreContainer::Other) {
            reason = name + " is not a WAV, RF64, W64 or FLAC file, the kinds of file a score is stored in";
            return std::nullopt;
        }
        Outcome outcome = Search(file, container);
        if (outcome.m_text)
            return outcome.m_text;
        reason = outcome.m_strProblem.empty()
                     ? name + " holds no score: it was not rendered from one; render with --tag to store one"
                     : name + " holds no score that can be read: " + outcome.m_strProblem;
    } catch (const FileException& error) {
        reason = "cannot read " + PrintableName(path) + ": " + error.GetOsErrorText();
    }
    return std::nullopt;
}
