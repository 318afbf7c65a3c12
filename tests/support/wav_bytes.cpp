#include "tests/support/wav_bytes.h"

namespace {

void Append16(std::vector<unsigned char>& out, std::uint16_t value)
{
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void Append32(std::vector<unsigned char>& out, std::uint32_t value)
{
    Append16(out, static_cast<std::uint16_t>(value));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

void AppendText(std::vector<unsigned char>& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::vector<unsigned char> ChunkBytes(const std::string& id, const std::vector<unsigned char>& content)
{
    std::vector<unsigned char> out;
    AppendText(out, id);
    Append32(out, static_cast<std::uint32_t>(content.size()));
    out.insert(out.end(), content.begin(), content.end());
    if (content.size() % 2 != 0)
        out.push_back(0);
    return out;
}

std::vector<unsigned char> MakeWav(const WavLayout& layout, const std::vector<unsigned char>& sampleBytes)
{
    std::vector<unsigned char> out;
    AppendText(out, "RIFF");
    Append32(out, 0);  // readers ignore the RIFF size; patched below for outside tools
    AppendText(out, "WAVEfmt ");
    Append32(out, layout.formatSize);
    const auto blockAlign = static_cast<std::uint16_t>(layout.channels * (layout.bitsPerSample / 8));
    Append16(out, layout.formatTag);
    Append16(out, static_cast<std::uint16_t>(layout.channels));
    Append32(out, layout.sampleRate);
    Append32(out, layout.sampleRate * blockAlign);
    Append16(out, blockAlign);
    Append16(out, static_cast<std::uint16_t>(layout.bitsPerSample));
    for (std::uint32_t extra = 16; extra < layout.formatSize; ++extra)
        out.push_back(0);
    for (const auto& [id, content] : layout.chunksBeforeData) {
        const auto chunk = ChunkBytes(id, content);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    AppendText(out, "data");
    Append32(out, layout.declaredDataSize.value_or(static_cast<std::uint32_t>(sampleBytes.size())));
    out.insert(out.end(), sampleBytes.begin(), sampleBytes.end());
    const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<unsigned char>(riffSize >> (8 * i));
    return out;
}

std::vector<unsigned char> Pcm16Bytes(const std::vector<std::int16_t>& samples)
{
    std::vector<unsigned char> out;
    out.reserve(samples.size() * 2);
    for (const std::int16_t sample : samples)
        Append16(out, static_cast<std::uint16_t>(sample));
    return out;
}
