// Choosing the output's kind from its name and the --bits and --rate values,
// and the size predicted for the disk check.
#include <gtest/gtest.h>

#include <variant>

#include "formats/output_format.h"

namespace {

OutputFormat Chosen(const std::string& path, int bits = 16, int rate = 44100)
{
    const auto choice = ChooseOutputFormat(path, bits, rate);
    EXPECT_TRUE(std::holds_alternative<OutputFormat>(choice)) << std::get<std::string>(choice);
    return std::holds_alternative<OutputFormat>(choice) ? std::get<OutputFormat>(choice) : OutputFormat{};
}

std::string Refused(const std::string& path, int bits = 16, int rate = 44100)
{
    const auto choice = ChooseOutputFormat(path, bits, rate);
    return std::holds_alternative<std::string>(choice) ? std::get<std::string>(choice) : "(accepted)";
}

}  // namespace

TEST(OutputFormat, TheExtensionChoosesTheContainer)
{
    EXPECT_EQ(Chosen("a.flac").m_container, OutputContainer::Flac);
    EXPECT_EQ(Chosen("A.FLAC").m_container, OutputContainer::Flac);
    EXPECT_EQ(Chosen("a.w64").m_container, OutputContainer::W64);
    EXPECT_EQ(Chosen("a.wav").m_container, OutputContainer::Wav);
    // As before, any other name is written as WAV, unless it names a sound file type we don't write.
    EXPECT_EQ(Chosen("dir.d/output").m_container, OutputContainer::Wav);
    EXPECT_EQ(Chosen("take.2").m_container, OutputContainer::Wav);
    EXPECT_EQ(Refused("a.mp3"), "cannot write .mp3 files; use .wav, .flac or .w64");
    EXPECT_EQ(Refused("a.OGG"), "cannot write .ogg files; use .wav, .flac or .w64");
}

TEST(OutputFormat, OnlyTheDefaultWavIsTheDesktopProgramsOwn)
{
    EXPECT_TRUE(Chosen("a.wav").IsDesktopWav());
    EXPECT_FALSE(Chosen("a.wav", 24).IsDesktopWav());
    EXPECT_FALSE(Chosen("a.wav", 16, 48000).IsDesktopWav());
    EXPECT_FALSE(Chosen("a.flac").IsDesktopWav());
    EXPECT_FALSE(Chosen("-").IsDesktopWav());
    EXPECT_TRUE(Chosen("-").m_bToStandardOutput);
    EXPECT_EQ(Chosen("a.w64", 32, 96000).Describe(), "32-bit float W64, 96000 Hz");
}

TEST(OutputFormat, BitsAndRatesOutsideTheListAreRefused)
{
    EXPECT_EQ(Chosen("a.wav", 32).m_sample, SampleFormat::Float32);
    EXPECT_EQ(Chosen("a.flac", 24).m_sample, SampleFormat::Pcm24);
    EXPECT_EQ(Refused("a.flac", 32), "FLAC holds 16 or 24 bits; --bits 32 needs .wav or .w64");
    EXPECT_EQ(Refused("a.wav", 8), "--bits must be 16, 24 or 32");
    EXPECT_EQ(Refused("a.wav", 16, 22050), "--rate must be 44100, 48000, 88200 or 96000");
}

TEST(OutputFormat, PredictsTheDesktopWavExactlyAndOthersFromAbove)
{
    // The desktop rule: 44 + 176400 bytes per second.
    EXPECT_EQ(PredictedOutputBytes(Chosen("a.wav"), 60 * 44100), 10584044u);
    // 60 s at 96000 Hz of 24-bit stereo is 34,560,000 bytes of samples.
    const std::uint64_t w64 = PredictedOutputBytes(Chosen("a.w64", 24, 96000), 60 * 44100);
    EXPECT_GE(w64, 34560000u + 100u);
    EXPECT_LE(w64, 34560000u + 8192u);
    EXPECT_GT(PredictedOutputBytes(Chosen("a.flac", 16), 44100), 44100u * 4);
}
