// The bundled sample sound as sox and the program's own reader see it: a short
// 16-bit stereo 44100 Hz WAV, never clipped, made by tools/make-sample-sound.py,
// and varied enough to show what the sliders do: its pitch glides, part of it
// is noise, and it has sharp attacks. The measures themselves are checked on
// sounds made here whose answers are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "tests/resources/sound_measures.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "wav/wave_file.h"

namespace {

constexpr int kRate = 44100;

class SampleSoundTest : public testing::Test {
protected:
    // The sample through WaveFile, as the program reads an input: both
    // channels as they are, and their mean as fractions of full scale.
    static void SetUpTestSuite()
    {
        WaveFile file;
        ASSERT_EQ(file.OpenForRead(SONNELITH_SAMPLE_WAV, kRate), 0) << "the program's reader refuses the sample";
        s_frames.resize(static_cast<std::size_t>(file.GetFrameCount()));
        for (PcmFrame& frame : s_frames)
            file.ReadFrame(frame);
        file.CloseFile();
        s_mono.clear();
        for (const PcmFrame& frame : s_frames)
            s_mono.push_back((frame.left + frame.right) / 65536.0);
    }

    static std::string SoxInfo(const std::string& option)
    {
        const ToolResult info = RunTool("sox --i " + option + " " + ShellQuote(SONNELITH_SAMPLE_WAV));
        EXPECT_EQ(info.exitCode, 0) << info.output;
        return info.output.substr(0, info.output.find('\n'));
    }

    static std::vector<PcmFrame> s_frames;
    static std::vector<double> s_mono;
};

std::vector<PcmFrame> SampleSoundTest::s_frames;
std::vector<double> SampleSoundTest::s_mono;

TEST_F(SampleSoundTest, SoxReadsAFewSecondsOfSixteenBitStereoPcmAt44100Hz)
{
    EXPECT_EQ(SoxInfo("-t"), "wav");
    EXPECT_EQ(SoxInfo("-r"), "44100");
    EXPECT_EQ(SoxInfo("-c"), "2");
    EXPECT_EQ(SoxInfo("-b"), "16");
    EXPECT_EQ(SoxInfo("-e"), "Signed Integer PCM");
    const double seconds = std::atof(SoxInfo("-D").c_str());
    EXPECT_GE(seconds, 2.0);
    EXPECT_LE(seconds, 5.0);
}

TEST_F(SampleSoundTest, TheProgramReadsItAtItsOwnRateAndItStaysSmall)
{
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(SONNELITH_SAMPLE_WAV, kRate), 0);
    EXPECT_EQ(file.GetSampleRate(), kRate);
    EXPECT_EQ(file.GetChannels(), 2);
    EXPECT_EQ(file.GetBytesPerSample(), 2);
    EXPECT_EQ(static_cast<std::size_t>(file.GetFrameCount()), s_frames.size());
    // Longer than the longest grain (2000 ms), so every setting can use it;
    // at most 5 seconds, so the package and the repository stay small.
    EXPECT_GT(file.GetFrameCount(), 2 * kRate);
    EXPECT_LE(file.GetFrameCount(), 5 * kRate);
}

TEST_F(SampleSoundTest, ItPeaksWellBelowFullScaleWithoutBeingFaint)
{
    int peak = 0;
    for (const PcmFrame& frame : s_frames)
        peak = std::max({peak, std::abs(int{frame.left}), std::abs(int{frame.right})});
    EXPECT_LE(peak, 0.9 * 32767) << "no headroom: the sample may have clipped";
    EXPECT_GE(peak, 0.3 * 32767) << "the sample is faint";
}

TEST_F(SampleSoundTest, ItsPitchGlidesUpNearlyAnOctave)
{
    // The melodic glide rises from D4 to D5; 1.8 leaves room for the
    // measure's 10.8 Hz bins at either end.
    EXPECT_GE(WidestRisingGlide(s_mono), 1.8);
}

TEST_F(SampleSoundTest, AQuarterSecondOrMoreOfItIsNoiseRatherThanTones)
{
    // Windows of 1024 frames (23 ms) whose spectrum between 200 Hz and 8 kHz
    // is flat like noise: a chord or a glide stays far below 0.03, the
    // band-passed breath lies around 0.1.
    constexpr std::size_t kWindow = 1024;
    int noisyWindows = 0;
    for (std::size_t start = 0; start + kWindow <= s_mono.size(); start += kWindow) {
        if (RootMeanSquare(s_mono, start, kWindow) >= 0.01 &&
            SpectralFlatness(s_mono, start, kWindow, 200.0, 8000.0) >= 0.03)
            ++noisyWindows;
    }
    EXPECT_GE(noisyWindows, 10);
}

TEST_F(SampleSoundTest, ItHasAtLeastTwoSharpAttacks)
{
    // A leap of 0.05 of full scale within 5 ms: a pluck, never a swell.
    const std::vector<double> attacks = AttackTimes(s_mono, 0.05);
    EXPECT_GE(attacks.size(), 2u) << "attacks found: " << attacks.size();
}

TEST_F(SampleSoundTest, TheScriptMakesExactlyTheCommittedFile)
{
    TempDir dir;
    const std::string made = dir.File("made.wav");
    const ToolResult run = RunTool("python3 " + ShellQuote(SONNELITH_SAMPLE_SCRIPT) + " " + ShellQuote(made));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(ReadWholeFile(made) == ReadWholeFile(SONNELITH_SAMPLE_WAV))
        << "tools/make-sample-sound.py no longer makes the committed sample; run it and commit the result";
}

// Sounds whose measures are known, sampled at 44100 Hz.
std::vector<double> Tone(double seconds, double startHz, double endHz, double level = 0.5)
{
    std::vector<double> sound;
    double phase = 0.0;
    const int frames = static_cast<int>(seconds * kRate);
    for (int i = 0; i < frames; ++i) {
        const double hz = startHz * std::pow(endHz / startHz, static_cast<double>(i) / frames);
        phase += 2.0 * std::numbers::pi * hz / kRate;
        sound.push_back(level * std::sin(phase));
    }
    return sound;
}

std::vector<double> Noise(double seconds, double level)
{
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> value(-level, level);
    std::vector<double> sound(static_cast<std::size_t>(seconds * kRate));
    for (double& sample : sound)
        sample = value(random);
    return sound;
}

TEST(SoundMeasuresTest, StrongestFrequencyFindsASineWithinOneBin)
{
    const std::vector<double> sine = Tone(0.2, 440.0, 440.0);
    EXPECT_NEAR(StrongestFrequency(sine, 0, 4096, 100.0, 1000.0), 440.0, 44100.0 / 4096);
    EXPECT_NEAR(StrongestFrequency(sine, 0, 4096, 500.0, 1000.0), 500.0, 44100.0 / 4096)
        << "outside the range the peak is at the range's edge";
}

TEST(SoundMeasuresTest, FlatnessTellsNoiseFromAChord)
{
    std::vector<double> chord = Tone(0.1, 440.0, 440.0, 0.3);
    const std::vector<double> fifth = Tone(0.1, 660.0, 660.0, 0.2);
    for (std::size_t i = 0; i < chord.size(); ++i)
        chord[i] += fifth[i];
    EXPECT_LT(SpectralFlatness(chord, 0, 1024, 200.0, 8000.0), 0.01);
    EXPECT_GT(SpectralFlatness(Noise(0.1, 0.5), 0, 1024, 200.0, 8000.0), 0.3);
}

TEST(SoundMeasuresTest, AGlideIsMeasuredAndASteadyToneIsNot)
{
    EXPECT_NEAR(WidestRisingGlide(Tone(1.5, 300.0, 600.0)), 2.0, 0.1);
    EXPECT_NEAR(WidestRisingGlide(Tone(1.5, 300.0, 300.0)), 1.0, 1e-9);
    EXPECT_NEAR(WidestRisingGlide(Tone(1.5, 600.0, 300.0)), 1.0, 0.05) << "a falling glide is no rising one";
}

TEST(SoundMeasuresTest, AttacksAreLeapsNotSwells)
{
    std::vector<double> sound = Noise(2.0, 0.01);
    for (const double at : {0.5, 1.2}) {
        const auto start = static_cast<std::size_t>(at * kRate);
        for (std::size_t i = 0; i < 4410; ++i)
            sound[start + i] += 0.6 * std::exp(-static_cast<double>(i) / 1000.0) * std::sin(0.1 * static_cast<double>(i));
    }
    const std::vector<double> attacks = AttackTimes(sound, 0.05);
    ASSERT_EQ(attacks.size(), 2u);
    EXPECT_NEAR(attacks[0], 0.5, 0.006);
    EXPECT_NEAR(attacks[1], 1.2, 0.006);

    std::vector<double> swell = Tone(2.0, 220.0, 220.0);
    for (std::size_t i = 0; i < swell.size(); ++i)
        swell[i] *= static_cast<double>(i) / static_cast<double>(swell.size());
    EXPECT_TRUE(AttackTimes(swell, 0.05).empty());
}

}  // namespace
