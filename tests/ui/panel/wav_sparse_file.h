// A PCM WAV file of frames frames with the given layout over silent data,
// written sparsely so that an hour of sound costs no disk space.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"
#include "tests/support/wav_bytes.h"

inline void WriteSilentWav(const std::string& path, std::uint32_t frames, std::uint32_t rate, int channels,
                           int bitsPerSample)
{
    WavLayout layout;
    layout.channels = static_cast<std::int16_t>(channels);
    layout.sampleRate = rate;
    layout.bitsPerSample = static_cast<std::int16_t>(bitsPerSample);
    const std::uint64_t dataBytes = std::uint64_t{frames} * static_cast<std::uint64_t>(channels * bitsPerSample / 8);
    layout.declaredDataSize = static_cast<std::uint32_t>(dataBytes);
    const std::vector<unsigned char> header = MakeWav(layout, {});
    WriteWholeFile(path, header);
    // Zero bytes: silence for 16-bit samples, the lowest value for 8-bit ones (as good for inspection).
    std::filesystem::resize_file(path, header.size() + dataBytes);
}
