// The tail of a sound's peaks drawn from a tenth of its stretches, against
// the median of the largest peak of the rest as the sound's own law gives it:
// Gaussian noise and tone bursts whose level and gain move from stretch to
// stretch, the bursts' every swell spanning many blocks (each swell one
// chance, not one a block).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "live_session/peak_tail.h"

namespace {

constexpr std::uint64_t kStretchFrames = 4410;
constexpr std::uint64_t kStretches = 2000;
constexpr std::uint64_t kEvery = 10;  // every tenth stretch is seen

// A stretch's level (its noise's standard deviation, or its bursts' mean
// power's root) and the gain its place is given: both move over the track.
double LevelOf(std::uint64_t stretch)
{
    return 0.05 * static_cast<double>(1 + stretch % 4);
}

double GainAt(std::uint64_t frame)
{
    return frame < kStretches * kStretchFrames / 2 ? 1.0 : 0.5;
}

bool IsSeen(std::uint64_t stretch)
{
    return stretch % kEvery == 3;
}

// The value of power at which fn, falling, crosses ln 2 (by halving in the
// logarithm between the two powers).
double MedianWhere(const std::function<double(double)>& expectedOver, double low, double high)
{
    for (int i = 0; i < 60; ++i) {
        const double middle = std::sqrt(low * high);
        (expectedOver(middle) > std::log(2.0) ? low : high) = middle;
    }
    return std::sqrt(low * high);
}

double Db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

PeakTail::Track TrackOf(const std::function<double(std::uint64_t)>& expectedPower)
{
    PeakTail::Track track;
    track.m_nStretches = kStretches;
    track.m_nStretchFrames = kStretchFrames;
    track.m_expectedPower = expectedPower;
    track.m_gainAt = GainAt;
    track.m_isSeen = IsSeen;
    return track;
}

std::vector<StereoFrame> NoiseStretch(std::uint64_t stretch, std::mt19937& random)
{
    std::normal_distribution<float> normal(0.0f, static_cast<float>(LevelOf(stretch)));
    std::vector<StereoFrame> frames(kStretchFrames);
    for (StereoFrame& frame : frames)
        frame = {normal(random), normal(random)};
    return frames;
}

// Tones of 1 kHz in bursts of 10 ms, each at an amplitude whose square is
// exponential with a mean of twice the level's square (as a sum of many
// grains' sines has): each burst is one swell over a dozen blocks.
std::vector<StereoFrame> BurstStretch(std::uint64_t stretch, std::mt19937& random)
{
    constexpr std::size_t kBurstFrames = 441;
    std::exponential_distribution<double> power(1.0 / (2.0 * LevelOf(stretch) * LevelOf(stretch)));
    std::vector<StereoFrame> frames(kStretchFrames);
    double amplitude = 0.0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (i % kBurstFrames == 0)
            amplitude = std::sqrt(power(random));
        const double phase = 2.0 * M_PI * 1000.0 * static_cast<double>(i) / 44100.0;
        const auto value = static_cast<float>(amplitude * std::sin(phase));
        frames[i] = {value, value};
    }
    return frames;
}

PeakTail SeenStretches(const std::function<std::vector<StereoFrame>(std::uint64_t, std::mt19937&)>& make)
{
    std::mt19937 random(2026);
    PeakTail tail;
    for (std::uint64_t j = 0; j < kStretches; ++j) {
        if (IsSeen(j))
            tail.Add(j, j * kStretchFrames, make(j, random));
    }
    return tail;
}

// The expected power of stretch j once its gain is applied.
double ExpectedPower(std::uint64_t j)
{
    const double level = LevelOf(j) * GainAt(j * kStretchFrames + kStretchFrames / 2);
    return level * level;
}

}  // namespace

// Gaussian samples exceed t with the chance erfc(t / (σ √2)); the largest of
// the unseen stretches' is under t half the time where the expected count
// over it is ln 2. The estimate lies over that, by under 1 dB: white noise's
// blocks over the threshold are each a chance of their own, and those close
// together are counted as one swell, which leaves the law's scale larger;
// and a Gaussian's power tail is a little lighter than exponential. One that
// left out the gains or the stretches' levels errs by 1.5 dB or more.
TEST(PeakTailTest, LargestOfNoiseAtMovingLevelsAndGains)
{
    const PeakTail tail = SeenStretches(NoiseStretch);
    const double estimate = tail.LikelyLargestUnseen(TrackOf(ExpectedPower));
    const auto expectedOver = [](double t) {
        double count = 0.0;
        for (std::uint64_t j = 0; j < kStretches; ++j) {
            if (!IsSeen(j))
                count += 2.0 * kStretchFrames * std::erfc(t / std::sqrt(2.0 * ExpectedPower(j)));
        }
        return count;
    };
    const double median = MedianWhere(expectedOver, 1e-3, 10.0);
    EXPECT_GT(Db(estimate / median), -0.3) << "estimate " << estimate << ", median " << median;
    EXPECT_LT(Db(estimate / median), 1.0) << "estimate " << estimate << ", median " << median;
}

// A burst's square amplitude over twice the level's square is exponential
// with a mean of 1: the largest of the unseen bursts is under a with the
// chance Π (1 - e^(-a² / 2σ²)). 0.5 dB: the law's scale is fitted from some
// eighty swells; an estimate that counted every block of a burst as a chance
// of its own finds it 1.5 dB higher, one that left out the levels 1.1 dB.
TEST(PeakTailTest, ASwellOverManyBlocksIsOneChance)
{
    const PeakTail tail = SeenStretches(BurstStretch);
    const double estimate = tail.LikelyLargestUnseen(TrackOf(ExpectedPower));
    const double burstsPerStretch = std::ceil(static_cast<double>(kStretchFrames) / 441.0);
    const auto expectedOver = [burstsPerStretch](double a) {
        double count = 0.0;
        for (std::uint64_t j = 0; j < kStretches; ++j) {
            if (!IsSeen(j))
                count += burstsPerStretch * std::exp(-a * a / (2.0 * ExpectedPower(j)));
        }
        return count;
    };
    const double median = MedianWhere(expectedOver, 1e-3, 10.0);
    EXPECT_NEAR(Db(estimate / median), 0.0, 0.5) << "estimate " << estimate << ", median " << median;
}

// Without enough blocks seen to fit a law, or without an unseen stretch
// with sound, there is no estimate rather than a guess.
TEST(PeakTailTest, NoEstimateWithoutEnoughSeenOrNothingUnseen)
{
    std::mt19937 random(7);
    PeakTail one;
    one.Add(3, 3 * kStretchFrames, NoiseStretch(3, random));
    EXPECT_EQ(one.LikelyLargestUnseen(TrackOf(ExpectedPower)), 0.0);

    const PeakTail tail = SeenStretches(NoiseStretch);
    PeakTail::Track silentElsewhere = TrackOf([](std::uint64_t j) { return IsSeen(j) ? ExpectedPower(j) : 0.0; });
    EXPECT_EQ(tail.LikelyLargestUnseen(silentElsewhere), 0.0);
    EXPECT_GT(tail.LikelyLargestUnseen(TrackOf(ExpectedPower)), 0.0);
}
