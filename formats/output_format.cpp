#include "formats/output_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

#include "formats/frame_counts.h"

namespace {

constexpr int kWaveRate = 44100;
// Headers, with the chunks libsndfile adds (fact, PEAK), fit in this.
constexpr std::uint64_t kHeaderAllowance = 4096;

// Extensions of sound files this program reads but does not write.
constexpr std::array<const char*, 14> kReadOnlyExtensions = {
    ".mp3", ".ogg", ".oga", ".opus", ".aif", ".aiff", ".aifc", ".rf64", ".caf", ".au", ".m4a", ".aac", ".wma", ".wv",
};

std::string LowerExtension(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool IsAllowedRate(int rate)
{
    return std::find(std::begin(kAllowedRates), std::end(kAllowedRates), rate) != std::end(kAllowedRates);
}

const char* ContainerName(OutputContainer container)
{
    switch (container) {
    case OutputContainer::Wav: return "WAV";
    case OutputContainer::Flac: return "FLAC";
    case OutputContainer::W64: return "W64";
    case OutputContainer::Rf64: return "RF64 WAV";
    }
    return "";
}

}  // namespace

bool OutputFormat::IsDesktopWav() const
{
    return m_container == OutputContainer::Wav && m_sample == SampleFormat::Pcm16 && m_nRate == kWaveRate &&
           !m_bToStandardOutput;
}

std::string OutputFormat::Describe() const
{
    const char* sample = m_sample == SampleFormat::Pcm16   ? "16-bit"
                         : m_sample == SampleFormat::Pcm24 ? "24-bit"
                                                           : "32-bit float";
    std::string text = std::string(sample) + " " + ContainerName(m_container) + ", " + std::to_string(m_nRate) + " Hz";
    return m_bToStandardOutput ? text + ", to standard output" : text;
}

std::variant<OutputFormat, std::string> ChooseOutputFormat(const std::string& outputPath, int bits, int rate)
{
    OutputFormat format;
    if (bits == 16)
        format.m_sample = SampleFormat::Pcm16;
    else if (bits == 24)
        format.m_sample = SampleFormat::Pcm24;
    else if (bits == 32)
        format.m_sample = SampleFormat::Float32;
    else
        return std::string("--bits must be 16, 24 or 32");
    if (!IsAllowedRate(rate))
        return std::string("--rate must be 44100, 48000, 88200 or 96000");
    format.m_nRate = rate;

    if (outputPath == "-") {
        format.m_bToStandardOutput = true;
        return format;
    }
    const std::string extension = LowerExtension(outputPath);
    if (extension == ".flac")
        format.m_container = OutputContainer::Flac;
    else if (extension == ".w64")
        format.m_container = OutputContainer::W64;
    else if (std::find(kReadOnlyExtensions.begin(), kReadOnlyExtensions.end(), extension) != kReadOnlyExtensions.end())
        return "cannot write " + extension + " files; use .wav, .flac or .w64";
    if (format.m_container == OutputContainer::Flac && format.m_sample == SampleFormat::Float32)
        return std::string("FLAC holds 16 or 24 bits; --bits 32 needs .wav or .w64");
    return format;
}

OutputFormat FitToLength(OutputFormat format, std::uint64_t frames, std::uint64_t extraBytes)
{
    // The RIFF size field counts every byte after itself: the file less 8.
    constexpr std::uint64_t kLargestRiffSize = 0xFFFFFFFFu;
    if (format.m_container == OutputContainer::Wav &&
        PredictedOutputBytes(format, frames) + extraBytes - 8 > kLargestRiffSize)
        format.m_container = OutputContainer::Rf64;
    return format;
}

int BytesPerFrame(SampleFormat sample)
{
    switch (sample) {
    case SampleFormat::Pcm16: return 4;
    case SampleFormat::Pcm24: return 6;
    case SampleFormat::Float32: return 8;
    }
    return 8;
}

std::uint64_t PredictedOutputBytes(const OutputFormat& format, std::uint64_t frames)
{
    const std::uint64_t delivered = ConvertedFrameCount(frames, kWaveRate, static_cast<std::uint32_t>(format.m_nRate));
    const std::uint64_t samples = delivered * static_cast<std::uint64_t>(BytesPerFrame(format.m_sample));
    if (format.IsDesktopWav())
        return 44 + samples;
    // A FLAC frame of 4096 stereo samples stored verbatim carries at most a few dozen bytes of headers.
    const std::uint64_t flacFraming = format.m_container == OutputContainer::Flac ? samples / 256 : 0;
    return samples + flacFraming + kHeaderAllowance;
}
