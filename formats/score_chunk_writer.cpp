#include "formats/score_chunk_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "formats/positional_file.h"
#include "formats/stored_score_layout.h"
#include "wav/file_exception.h"
#include "wav/little_endian.h"

namespace {

constexpr std::uint64_t kLargestRiffSize = 0xFFFFFFFFu;
// The W64 header: the riff GUID, its 64-bit size (the whole file), the wave GUID.
constexpr std::size_t kW64HeaderBytes = 40;

void Append32(std::vector<unsigned char>& bytes, std::uint32_t value)
{
    unsigned char field[4];
    StoreLittleEndian32(field, value);
    for (const unsigned char byte : field)
        bytes.push_back(byte);
}

void Append64(std::vector<unsigned char>& bytes, std::uint64_t value)
{
    Append32(bytes, static_cast<std::uint32_t>(value));
    Append32(bytes, static_cast<std::uint32_t>(value >> 32));
}

std::vector<unsigned char> Field32(std::uint64_t value)
{
    std::vector<unsigned char> bytes;
    Append32(bytes, static_cast<std::uint32_t>(value));
    return bytes;
}

std::vector<unsigned char> Field64(std::uint64_t value)
{
    std::vector<unsigned char> bytes;
    Append64(bytes, value);
    return bytes;
}

[[noreturn]] void NotAsWritten(const std::string& path)
{
    // The file is not what its writer was asked for: nothing here to mend.
    throw FileException(FileException::Cause::Write, path, EINVAL);
}

}  // namespace

// The chunk starts at an even offset, as RIFF asks; a file of odd length
// (none of ours) would get a zero byte first.
void AppendScoreChunk(const std::string& path, const std::string& text)
{
    PositionalFile file(path, PositionalFile::Access::ReadWrite);
    const std::vector<unsigned char> header = file.ReadAt(0, kContainerSignatureBytes);
    const ScoreContainer kind = RecogniseContainer(header);
    // An RF64 file starts with its ds64 chunk, which holds the 64-bit sizes.
    const bool rf64 = kind == ScoreContainer::Rf64;
    if ((kind != ScoreContainer::Riff && !rf64) ||
        (rf64 && (header.size() < 28 || std::memcmp(header.data() + 12, "ds64", 4) != 0)))
        NotAsWritten(path);
    const std::uint64_t end = file.Size();
    std::vector<unsigned char> tail(end % 2, 0);
    for (const unsigned char byte : RiffScoreChunk(text))
        tail.push_back(byte);
    const std::uint64_t length = end + tail.size();
    if (!rf64 && length - 8 > kLargestRiffSize)
        throw FileException(FileException::Cause::Write, path, EFBIG);
    file.WriteAt(end, tail);
    if (rf64)
        file.WriteAt(20, Field64(length - 8));
    else
        file.WriteAt(4, Field32(length - 8));
    file.Close();
}

std::uint64_t W64ScoreRoom(const std::string& text)
{
    return W64ScoreChunk(text).size();
}

void FillW64ScoreRoom(const std::string& path, const std::string& text)
{
    const std::vector<unsigned char> chunk = W64ScoreChunk(text);
    PositionalFile file(path, PositionalFile::Access::ReadWrite);
    const std::vector<unsigned char> written = file.ReadAt(chunk.size(), kW64HeaderBytes);
    if (written.size() != kW64HeaderBytes || !std::equal(kW64RiffGuid.begin(), kW64RiffGuid.end(), written.begin()))
        NotAsWritten(path);
    // libsndfile's wave GUID stays as it is; its riff size counted its own bytes only.
    std::vector<unsigned char> front(kW64RiffGuid.begin(), kW64RiffGuid.end());
    Append64(front, file.Size());
    front.insert(front.end(), written.begin() + 24, written.end());
    front.insert(front.end(), chunk.begin(), chunk.end());
    file.WriteAt(0, front);
    file.Close();
}
