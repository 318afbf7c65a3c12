// Test sounds written as WAV files, and the parts of our output files that
// tests look at.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved 16-bit stereo samples: a sine on the left and a cosine on the
// right, at frequency Hz and amplitude (fraction of full scale).
std::vector<std::int16_t> ToneSamples(std::uint32_t frames, std::uint32_t rate, double frequency,
                                      double amplitude);

// A 16-bit stereo WAV file of that tone.
void WriteToneWav(const std::string& path, std::uint32_t frames, std::uint32_t rate = 44100,
                  double frequency = 441.0, double amplitude = 0.5);

// The two size fields of a 44-byte WAV header.
struct WavSizes {
    std::uint32_t m_nRiff;
    std::uint32_t m_nData;
};
WavSizes ReadHeaderSizes(const std::vector<unsigned char>& bytes);

// The 16-bit samples after a 44-byte header.
std::vector<std::int16_t> DataSamples(const std::vector<unsigned char>& bytes);
