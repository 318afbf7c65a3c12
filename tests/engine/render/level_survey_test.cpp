// The level of a sound that is never held whole: one survey pass (sums and
// each channel's extremes) and one finishing pass give the bits of the four
// passes over the whole sound, for any values a float can hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/finishing/level_finisher.h"

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Finished {
    std::vector<StereoFrame> m_frames;
    float m_fPeak;
};

Finished ByFourPasses(std::vector<StereoFrame> frames, double volume, std::int32_t fade)
{
    LevelFinisher finisher(volume, fade, frames.size());
    finisher.AddToSums(frames);
    finisher.RemoveMeans(frames);
    finisher.FindPeak(frames);
    finisher.ScaleAndFade(frames, 0);
    return {frames, finisher.GetPeak()};
}

// The survey and the finishing pass, each over pieces of pieceFrames frames.
Finished BySurvey(std::vector<StereoFrame> frames, double volume, std::int32_t fade, std::size_t pieceFrames)
{
    LevelFinisher finisher(volume, fade, frames.size());
    const std::span<StereoFrame> sound(frames);
    for (std::size_t first = 0; first < sound.size(); first += pieceFrames)
        finisher.Survey(sound.subspan(first, std::min(pieceFrames, sound.size() - first)));
    finisher.FindPeakFromExtremes();
    for (std::size_t first = 0; first < sound.size(); first += pieceFrames)
        finisher.FinishPiece(sound.subspan(first, std::min(pieceFrames, sound.size() - first)), first);
    return {frames, finisher.GetPeak()};
}

std::vector<std::uint32_t> Bits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

std::uint32_t Bits(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void ExpectSameFinish(const std::vector<StereoFrame>& sound, double volume = 0.5, std::int32_t fade = 0)
{
    const Finished whole = ByFourPasses(sound, volume, fade);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, sound.size() + 1}) {
        const Finished surveyed = BySurvey(sound, volume, fade, piece);
        EXPECT_EQ(Bits(surveyed.m_fPeak), Bits(whole.m_fPeak)) << "pieces of " << piece;
        EXPECT_TRUE(Bits(surveyed.m_frames) == Bits(whole.m_frames)) << "pieces of " << piece;
    }
}

std::vector<StereoFrame> Channels(const std::vector<float>& left, const std::vector<float>& right)
{
    std::vector<StereoFrame> frames;
    for (std::size_t j = 0; j < left.size(); ++j)
        frames.push_back({left[j], right[j]});
    return frames;
}

}  // namespace

// Sounds like those grains make, with and without an offset, one channel
// louder or the other, long and short, faded or not.
TEST(LevelSurvey, RandomSoundsFinishWithTheBitsOfFourPasses)
{
    std::mt19937 random(14);
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t frames = 1 + random() % 5000;
        std::uniform_real_distribution<float> offset(-2.0f, 2.0f);
        std::uniform_real_distribution<float> level(0.0f, 3.0f);
        const float offsets[2] = {offset(random), offset(random)};
        const float levels[2] = {level(random), level(random)};
        std::normal_distribution<float> sample(0.0f, 1.0f);
        std::vector<StereoFrame> sound(frames);
        for (StereoFrame& frame : sound)
            frame = {offsets[0] + levels[0] * sample(random), offsets[1] + levels[1] * sample(random)};
        SCOPED_TRACE(trial);
        ExpectSameFinish(sound, 0.01 + (random() % 100) * 0.01, static_cast<std::int32_t>(random() % 3000));
    }
}

// Equal magnitudes on both sides of the mean, in one channel or across the
// two: whichever extreme comes first, the peak is the same value.
TEST(LevelSurvey, ExtremesOfEqualMagnitudeGiveOnePeak)
{
    ExpectSameFinish(Channels({-1.0f, 1.0f, 0.5f, -0.5f}, {0.0f, 0.0f, 0.0f, 0.0f}));
    ExpectSameFinish(Channels({0.0f, 2.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}));  // mean 1: −1 and +1
    ExpectSameFinish(Channels({0.25f, -0.75f}, {0.75f, -0.25f}));                    // one peak in each channel
    ExpectSameFinish(Channels({0.3f, 0.3f, 0.3f}, {-0.3f, 0.3f, -0.3f}));
}

// −0.0 and +0.0 are equal, and so are their magnitudes: a channel of zeros of
// either sign adds nothing to the peak, and a silent sound stays silent.
TEST(LevelSurvey, SignedZerosNeitherRaiseThePeakNorSplitIt)
{
    ExpectSameFinish(Channels({-0.0f, 0.0f, -0.0f}, {0.0f, -0.0f, 0.0f}));
    ExpectSameFinish(Channels({-0.0f, 0.0f, -0.0f}, {0.5f, -0.25f, 0.125f}));
    ExpectSameFinish(Channels({0.0f, -0.0f}, {-0.0f, -0.0f}), 1.0, 1);
    const Finished silent = BySurvey(Channels({-0.0f, 0.0f}, {0.0f, -0.0f}), 0.5, 0, 1);
    EXPECT_EQ(silent.m_fPeak, 0.0f);
}

// Values so close to the mean that the subtraction rounds several of them to
// one float, and values so small they are subnormal.
TEST(LevelSurvey, RoundingAndSubnormalsKeepTheExtremesInPlace)
{
    const float big = 1.0e7f;
    ExpectSameFinish(Channels({big, big + 1.0f, big - 1.0f, big + 0.5f}, {big, big, big + 2.0f, big - 2.0f}));
    const float tiny = std::numeric_limits<float>::denorm_min();
    ExpectSameFinish(Channels({tiny, -tiny, 3 * tiny, 0.0f}, {-5 * tiny, tiny, 0.0f, -0.0f}));
}

// What the four passes do with values that are not numbers or infinite (a
// float source could hold them, and a sum can overflow), the survey does too:
// the peak skips what is not a number, and an infinite or undefined mean
// leaves nothing but infinities or not-a-numbers behind.
TEST(LevelSurvey, InfinitiesAndNotANumberFinishAsInFourPasses)
{
    ExpectSameFinish(Channels({0.5f, kNaN, -0.25f}, {0.125f, 0.25f, kNaN}));
    ExpectSameFinish(Channels({kNaN, kNaN}, {kNaN, kNaN}));
    ExpectSameFinish(Channels({0.5f, kInfinity, -0.25f}, {0.125f, 0.25f, 0.0f}));
    ExpectSameFinish(Channels({kInfinity, kInfinity}, {-kInfinity, 1.0f}));
    ExpectSameFinish(Channels({kInfinity, -kInfinity, 1.0f}, {0.0f, 0.0f, 0.0f}));
    ExpectSameFinish(Channels({3.0e38f, 3.0e38f, 3.0e38f, -1.0f}, {-3.0e38f, -3.0e38f, 1.0f, 2.0f}));  // the sums overflow
    ExpectSameFinish(Channels({kNaN, 0.5f}, {-kInfinity, -kInfinity}));
}

// Nothing surveyed: no peak, nothing to finish.
TEST(LevelSurvey, EmptySoundHasNoPeak)
{
    LevelFinisher finisher(0.5, 0, 0);
    finisher.Survey({});
    finisher.FindPeakFromExtremes();
    EXPECT_EQ(finisher.GetPeak(), 0.0f);
}
