// The writing side of WaveFile: the 44-byte header, frames, and the size fields.
#include <cstring>

#include "wav/little_endian.h"
#include "wav/wave_file.h"

namespace {

constexpr int kOutputChannels = 2;
constexpr int kOutputBitsPerSample = 16;
constexpr int kOutputBlockAlign = kOutputChannels * kOutputBitsPerSample / 8;
constexpr std::uint32_t kRiffSizeOffset = 4;
constexpr std::uint32_t kDataSizeOffset = 40;

void FillHeader(unsigned char (&header)[WaveFile::kHeaderSize], int sampleRate)
{
    std::memcpy(header, "RIFF", 4);
    StoreLittleEndian32(header + 4, 0);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    StoreLittleEndian32(header + 16, 16);
    StoreLittleEndian16(header + 20, 1);
    StoreLittleEndian16(header + 22, kOutputChannels);
    StoreLittleEndian32(header + 24, static_cast<std::uint32_t>(sampleRate));
    StoreLittleEndian32(header + 28, static_cast<std::uint32_t>(sampleRate) * kOutputBlockAlign);
    StoreLittleEndian16(header + 32, kOutputBlockAlign);
    StoreLittleEndian16(header + 34, kOutputBitsPerSample);
    std::memcpy(header + 36, "data", 4);
    StoreLittleEndian32(header + 40, 0);
}

}  // namespace

int WaveFile::CreateForWrite(const std::string& path, int sampleRate)
{
    if (!Open(path, modeCreateExclusive))
        return 1;
    unsigned char header[kHeaderSize];
    FillHeader(header, sampleRate);
    Write(header, sizeof header);
    return 0;
}

void WaveFile::WriteFrame(const PcmFrame& frame)
{
    unsigned char bytes[4];
    StoreLittleEndian16(bytes, static_cast<std::uint16_t>(frame.left));
    StoreLittleEndian16(bytes + 2, static_cast<std::uint16_t>(frame.right));
    Write(bytes, sizeof bytes);
}

void WaveFile::WriteFrames(const PcmFrame* frames, std::size_t count)
{
    constexpr std::size_t kChunkFrames = 4096;
    unsigned char bytes[kChunkFrames * kOutputBlockAlign];
    while (count > 0) {
        const std::size_t chunk = count < kChunkFrames ? count : kChunkFrames;
        for (std::size_t i = 0; i < chunk; ++i) {
            StoreLittleEndian16(bytes + kOutputBlockAlign * i, static_cast<std::uint16_t>(frames[i].left));
            StoreLittleEndian16(bytes + kOutputBlockAlign * i + 2, static_cast<std::uint16_t>(frames[i].right));
        }
        Write(bytes, chunk * kOutputBlockAlign);
        frames += chunk;
        count -= chunk;
    }
}

int WaveFile::FinishHeader(int frameCount)
{
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frameCount) * kOutputBlockAlign;
    unsigned char field[4];
    Seek(kRiffSizeOffset, begin);
    StoreLittleEndian32(field, dataBytes + (kHeaderSize - 8));
    Write(field, sizeof field);
    Seek(kDataSizeOffset, begin);
    StoreLittleEndian32(field, dataBytes);
    Write(field, sizeof field);
    return 0;
}
