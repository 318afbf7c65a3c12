// What kind of sound file the run delivers: chosen by the output name's
// extension (.wav, .flac, .w64; "-" is a WAV stream on standard output) and by
// the sample format and rate asked for.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

// Rf64 is WAV with 64-bit sizes (EBU Tech 3306), for a WAV output whose sizes
// would not fit the 32-bit fields of a plain one; its name stays .wav.
enum class OutputContainer { Wav, Flac, W64, Rf64 };

enum class SampleFormat {
    Pcm16,    // trunc(x × 32767)
    Pcm24,    // trunc(x × 8388607)
    Float32,  // the finished value itself: not clipped, not rounded
};

struct OutputFormat {
    OutputContainer m_container = OutputContainer::Wav;
    SampleFormat m_sample = SampleFormat::Pcm16;
    int m_nRate = 44100;
    bool m_bToStandardOutput = false;

    // The desktop program's own output: a 16-bit 44100 Hz WAV file, written by
    // WaveFile with its exact 44-byte header.
    bool IsDesktopWav() const;
    // "24-bit FLAC, 96000 Hz"
    std::string Describe() const;
};

// The --rate values.
inline constexpr int kAllowedRates[] = {44100, 48000, 88200, 96000};

// The format for outputPath with bits and rate as asked; or, when they don't
// go together, the reason: "FLAC holds 16 or 24 bits", "cannot write .mp3
// files; use .wav, .flac or .w64", "--bits must be 16, 24 or 32"...
// A name with no extension or one no sound file uses is written as WAV.
std::variant<OutputFormat, std::string> ChooseOutputFormat(const std::string& outputPath, int bits = 16,
                                                           int rate = 44100);

// The format a WAV output of frames (at 44100 Hz, before any rate
// conversion), plus extraBytes of other chunks, is written in: RF64 when the
// file would pass the 4 GiB that the 32-bit size fields of a plain WAV can
// describe; any other as it is.
OutputFormat FitToLength(OutputFormat format, std::uint64_t frames, std::uint64_t extraBytes = 0);

// Bytes per stereo frame of the sample format.
int BytesPerFrame(SampleFormat sample);

// How many bytes the file of frames (at 44100 Hz, before any rate conversion)
// will take at most: the samples plus room for the header. For FLAC this is
// the size without compression, which FLAC never exceeds by more than its
// small frame headers (included).
std::uint64_t PredictedOutputBytes(const OutputFormat& format, std::uint64_t frames);
