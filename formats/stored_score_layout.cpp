#include "formats/stored_score_layout.h"

#include <FLAC/format.h>
#include <cstring>

#include "wav/little_endian.h"

namespace {

void AppendText(std::vector<unsigned char>& bytes, const std::string& text)
{
    for (const char c : text)
        bytes.push_back(static_cast<unsigned char>(c));
}

void Append64(std::vector<unsigned char>& bytes, std::uint64_t value)
{
    for (int shift = 0; shift < 64; shift += 8)
        bytes.push_back(static_cast<unsigned char>(value >> shift));
}

}  // namespace

ScoreContainer RecogniseContainer(const std::vector<unsigned char>& firstBytes)
{
    const auto startsWith = [&firstBytes](const unsigned char* signature, std::size_t count, std::size_t at = 0) {
        return firstBytes.size() >= at + count && std::memcmp(firstBytes.data() + at, signature, count) == 0;
    };
    const auto text = [](const char* signature) { return reinterpret_cast<const unsigned char*>(signature); };
    if (startsWith(kW64RiffGuid.data(), kW64RiffGuid.size()))
        return ScoreContainer::W64;
    if (startsWith(text("fLaC"), 4))
        return ScoreContainer::Flac;
    if (startsWith(text("WAVE"), 4, 8) && startsWith(text("RIFF"), 4))
        return ScoreContainer::Riff;
    if (startsWith(text("WAVE"), 4, 8) && startsWith(text("RF64"), 4))
        return ScoreContainer::Rf64;
    return ScoreContainer::Other;
}

std::optional<std::string> CheckStorableScore(const std::string& text)
{
    if (text.size() > kMaxStoredScoreBytes)
        return "the score is " + std::to_string(text.size()) + " bytes long, more than the " +
               std::to_string(kMaxStoredScoreBytes) + " an output can carry";
    if (text.find('\0') != std::string::npos)
        return "the score holds a NUL byte, which a stored text cannot";
    // libFLAC's own check of a Vorbis comment's value: well-formed UTF-8.
    if (!FLAC__format_vorbiscomment_entry_value_is_legal(reinterpret_cast<const FLAC__byte*>(text.data()),
                                                         static_cast<unsigned>(text.size())))
        return "the score is not UTF-8 text";
    return std::nullopt;
}

std::vector<unsigned char> RiffScoreChunk(const std::string& text)
{
    std::vector<unsigned char> chunk(kRiffScoreChunkId, kRiffScoreChunkId + 4);
    const std::size_t evenSize = text.size() + text.size() % 2;
    unsigned char size[4];
    StoreLittleEndian32(size, static_cast<std::uint32_t>(evenSize));
    for (const unsigned char byte : size)
        chunk.push_back(byte);
    AppendText(chunk, text);
    if (text.size() % 2 != 0)
        chunk.push_back(0);
    return chunk;
}

std::vector<unsigned char> W64ScoreChunk(const std::string& text)
{
    constexpr std::uint64_t kHeaderBytes = 24;
    std::vector<unsigned char> chunk(kW64ScoreChunkGuid.begin(), kW64ScoreChunkGuid.end());
    Append64(chunk, kHeaderBytes + text.size());
    AppendText(chunk, text);
    while (chunk.size() % 8 != 0)
        chunk.push_back(0);
    return chunk;
}
