// Builds the bytes of WAV files, well-formed or deliberately not, for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct WavLayout {
    std::uint16_t formatTag = 1;
    std::int16_t channels = 2;
    std::uint32_t sampleRate = 44100;
    std::int16_t bitsPerSample = 16;
    std::uint32_t formatSize = 16;  // bytes beyond 16 are written as zeros
    // Chunks written between the format chunk and the data chunk, in order.
    std::vector<std::pair<std::string, std::vector<unsigned char>>> chunksBeforeData;
    // The data size field; by default the number of sample bytes given.
    std::optional<std::uint32_t> declaredDataSize;
};

std::vector<unsigned char> MakeWav(const WavLayout& layout, const std::vector<unsigned char>& sampleBytes);
std::vector<unsigned char> Pcm16Bytes(const std::vector<std::int16_t>& samples);
// A chunk as it stands in a file: identifier, size, content, pad byte when odd.
std::vector<unsigned char> ChunkBytes(const std::string& id, const std::vector<unsigned char>& content);
