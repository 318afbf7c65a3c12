#include "tests/support/test_sounds.h"

#include <cmath>

#include "tests/support/temp_dir.h"
#include "tests/support/wav_bytes.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

std::uint32_t Load32(const std::vector<unsigned char>& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

}  // namespace

std::vector<std::int16_t> ToneSamples(std::uint32_t frames, std::uint32_t rate, double frequency,
                                      double amplitude)
{
    std::vector<std::int16_t> samples;
    samples.reserve(2 * static_cast<std::size_t>(frames));
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double angle = kTwoPi * frequency * i / rate;
        samples.push_back(static_cast<std::int16_t>(std::lround(32767 * amplitude * std::sin(angle))));
        samples.push_back(static_cast<std::int16_t>(std::lround(32767 * amplitude * std::cos(angle))));
    }
    return samples;
}

void WriteToneWav(const std::string& path, std::uint32_t frames, std::uint32_t rate, double frequency,
                  double amplitude)
{
    WavLayout layout;
    layout.sampleRate = rate;
    WriteWholeFile(path, MakeWav(layout, Pcm16Bytes(ToneSamples(frames, rate, frequency, amplitude))));
}

WavSizes ReadHeaderSizes(const std::vector<unsigned char>& bytes)
{
    if (bytes.size() < 44)
        return {0, 0};
    return {Load32(bytes, 4), Load32(bytes, 40)};
}

std::vector<std::int16_t> DataSamples(const std::vector<unsigned char>& bytes)
{
    std::vector<std::int16_t> samples;
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
        samples.push_back(static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8)));
    return samples;
}
