// The finished level: no DC offset, the peak at the volume, a linear fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/finishing/level_finisher.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Whole periods of a sine with an offset per channel and a level per channel.
std::vector<StereoFrame> OffsetSine(std::size_t frames, float leftLevel, float rightLevel, float leftOffset,
                                    float rightOffset)
{
    std::vector<StereoFrame> out;
    for (std::size_t j = 0; j < frames; ++j) {
        const double wave = std::sin(kTwoPi * static_cast<double>(j) / 441.0);
        out.push_back({static_cast<float>(leftLevel * wave + leftOffset),
                       static_cast<float>(rightLevel * wave + rightOffset)});
    }
    return out;
}

struct ChannelFigures {
    double m_dMeanLeft = 0;
    double m_dMeanRight = 0;
    double m_dPeakLeft = 0;
    double m_dPeakRight = 0;
};

ChannelFigures Measure(const std::vector<StereoFrame>& frames)
{
    ChannelFigures figures;
    for (const StereoFrame& frame : frames) {
        figures.m_dMeanLeft += frame.left;
        figures.m_dMeanRight += frame.right;
        figures.m_dPeakLeft = std::max(figures.m_dPeakLeft, std::fabs(static_cast<double>(frame.left)));
        figures.m_dPeakRight = std::max(figures.m_dPeakRight, std::fabs(static_cast<double>(frame.right)));
    }
    figures.m_dMeanLeft /= static_cast<double>(frames.size());
    figures.m_dMeanRight /= static_cast<double>(frames.size());
    return figures;
}

// The four passes over each of pieces in turn: pieces lists where each piece
// ends, the last ending at the end of the sound.
void FinishInPieces(std::vector<StereoFrame>& frames, double volume, std::int32_t fadeFrames,
                    const std::vector<std::size_t>& ends)
{
    LevelFinisher finisher(volume, fadeFrames, frames.size());
    const std::span<StereoFrame> sound(frames);
    auto eachPiece = [&](auto pass) {
        std::size_t first = 0;
        for (const std::size_t end : ends) {
            pass(sound.subspan(first, end - first), first);
            first = end;
        }
    };
    eachPiece([&](std::span<StereoFrame> piece, std::size_t) { finisher.AddToSums(piece); });
    eachPiece([&](std::span<StereoFrame> piece, std::size_t) { finisher.RemoveMeans(piece); });
    eachPiece([&](std::span<StereoFrame> piece, std::size_t) { finisher.FindPeak(piece); });
    eachPiece([&](std::span<StereoFrame> piece, std::size_t first) { finisher.ScaleAndFade(piece, first); });
}

std::vector<StereoFrame> Finished(std::vector<StereoFrame> frames, double volume, std::int32_t fadeSeconds = 0)
{
    FinishInPieces(frames, volume, fadeSeconds * 44100, {frames.size()});
    return frames;
}

std::vector<std::uint32_t> SampleBits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

}  // namespace

TEST(LevelFinisher, ConstantOffsetsAreRemovedFromEachChannel)
{
    const ChannelFigures figures = Measure(Finished(OffsetSine(44100, 0.3f, 0.3f, 0.2f, -0.1f), 0.5));
    // The sums are 32-bit floats over 44100 frames: the removal is as exact as
    // that accumulation, a few parts in a million of the level.
    EXPECT_NEAR(figures.m_dMeanLeft, 0.0, 1e-4);
    EXPECT_NEAR(figures.m_dMeanRight, 0.0, 1e-4);
}

// The louder channel's peak lands on the volume; the other is scaled by the
// same factor.
TEST(LevelFinisher, PeakOfTheLouderChannelLandsOnTheVolume)
{
    ChannelFigures figures = Measure(Finished(OffsetSine(44100, 3.7f, 1.0f, 0.0f, 0.0f), 0.5));
    EXPECT_NEAR(figures.m_dPeakLeft, 0.5, 1e-6);
    EXPECT_NEAR(figures.m_dPeakRight, 0.5 / 3.7, 1e-6);

    figures = Measure(Finished(OffsetSine(44100, 0.1f, 0.4f, 0.0f, 0.0f), 0.5));
    EXPECT_NEAR(figures.m_dPeakRight, 0.5, 1e-6);
    EXPECT_NEAR(figures.m_dPeakLeft, 0.125, 1e-6);
}

// A constant buffer is nothing but DC: once that is removed the peak is 0,
// and the result stays silent without dividing by zero.
TEST(LevelFinisher, PureOffsetBecomesSilence)
{
    for (const StereoFrame& frame : Finished(std::vector<StereoFrame>(1000, StereoFrame{0.25f, -0.5f}), 1.0)) {
        ASSERT_FALSE(std::isnan(frame.left));
        ASSERT_EQ(frame.left, 0.0f);
        ASSERT_EQ(frame.right, 0.0f);
    }
}

TEST(LevelFinisher, FadeShapesTheFinishedSound)
{
    // A square wave of ±1: after finishing its magnitude is the envelope × the volume.
    std::vector<StereoFrame> square;
    for (std::size_t j = 0; j < 3 * 44100; ++j) {
        const float value = (j / 50) % 2 == 0 ? 1.0f : -1.0f;
        square.push_back({value, value});
    }
    const std::vector<StereoFrame> out = Finished(square, 0.5, 1);
    EXPECT_EQ(out[0].left, 0.0f);
    EXPECT_NEAR(std::fabs(out[22050].left), 0.25, 1e-4);   // halfway up
    EXPECT_NEAR(std::fabs(out[66150].left), 0.5, 1e-4);    // the middle second
    EXPECT_NEAR(std::fabs(out[110250].left), 0.25, 1e-4);  // halfway down
    EXPECT_NEAR(std::fabs(out.back().left), 0.5 / 44100, 1e-6);
}

// Pieces cut anywhere, down to single frames and empty pieces, give the bits
// of one pass over the whole sound: the sums, the peak and the fade do not
// depend on where the sound was cut.
TEST(LevelFinisher, PiecesGiveTheBitsOfTheWholeSound)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> sample(-3.0f, 3.0f);
    std::vector<StereoFrame> sound(250000);
    for (StereoFrame& frame : sound)
        frame = {sample(random) + 0.125f, sample(random) - 0.5f};
    for (const std::int32_t fade : {0, 44100, 132300, 300000}) {
        std::vector<StereoFrame> whole = sound;
        FinishInPieces(whole, 0.37, fade, {sound.size()});
        std::vector<StereoFrame> pieces = sound;
        FinishInPieces(pieces, 0.37, fade, {0, 1, 2, 3, 1000, 1000, 44099, 44100, 44101, 100000, 131072, 249999, 250000});
        SCOPED_TRACE(fade);
        EXPECT_TRUE(SampleBits(pieces) == SampleBits(whole));
        EXPECT_FALSE(SampleBits(whole) == SampleBits(sound));
    }
}

TEST(FadeGain, ThreeSecondFadeOnAMinute)
{
    const std::uint32_t n = 2646000;
    const LevelFinisher finisher(1.0, 132300, n);
    EXPECT_EQ(finisher.FadeGain(0), 0.0);
    EXPECT_DOUBLE_EQ(finisher.FadeGain(132299), 132299.0 / 132300);
    EXPECT_EQ(finisher.FadeGain(132300), 1.0);
    EXPECT_EQ(finisher.FadeGain(2513699), 1.0);
    EXPECT_EQ(finisher.FadeGain(2513700), 1.0);
    EXPECT_DOUBLE_EQ(finisher.FadeGain(2513701), 1.0 - 1.0 / 132300);
    EXPECT_NEAR(finisher.FadeGain(n - 1), 1.0 / 132300, 1e-15);  // 1 − (F − 1)/F, rounded
}

TEST(FadeGain, OutputShorterThanTwoFadesJumpsDownAfterTheRise)
{
    const std::uint32_t n = 150000;
    const LevelFinisher finisher(1.0, 100000, n);
    EXPECT_DOUBLE_EQ(finisher.FadeGain(99999), 0.99999);
    EXPECT_DOUBLE_EQ(finisher.FadeGain(100000), 0.5);  // (n − f) / f
    EXPECT_NEAR(finisher.FadeGain(n - 1), 1.0 / 100000, 1e-15);
}

TEST(FadeGain, FadeLongerThanTheOutputOnlyRisesAndNoFadeKeepsFullGain)
{
    const LevelFinisher longFade(1.0, 44100, 1000);
    const LevelFinisher noFade(1.0, 0, 1000);
    for (std::uint32_t j = 0; j < 1000; ++j) {
        ASSERT_DOUBLE_EQ(longFade.FadeGain(j), j / 44100.0);
        ASSERT_EQ(noFade.FadeGain(j), 1.0);
    }
}
