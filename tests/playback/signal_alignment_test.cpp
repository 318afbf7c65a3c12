// The alignment the sound-server tests judge by: it finds a signal's place
// in a longer recording to the frame, at any level, and tells a copy from
// unrelated or swapped sound.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/support/signal_alignment.h"

namespace {

std::vector<StereoFrame> NoiseFrames(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<float> value(0.0f, 0.2f);
    std::vector<StereoFrame> frames(count);
    for (StereoFrame& frame : frames)
        frame = {value(random), value(random)};
    return frames;
}

// signal at offset in a recording of length frames, scaled by gain, over a
// little noise of the recording's own.
std::vector<StereoFrame> Recording(const std::vector<StereoFrame>& signal, long offset, std::size_t length, float gain)
{
    std::vector<StereoFrame> recording = NoiseFrames(length, 99);
    for (StereoFrame& frame : recording)
        frame = {frame.left * 0.001f, frame.right * 0.001f};
    for (std::size_t j = 0; j < signal.size(); ++j) {
        const long at = static_cast<long>(j) + offset;
        if (at >= 0 && at < static_cast<long>(length)) {
            recording[static_cast<std::size_t>(at)].left += gain * signal[j].left;
            recording[static_cast<std::size_t>(at)].right += gain * signal[j].right;
        }
    }
    return recording;
}

}  // namespace

TEST(SignalAlignment, FindsACopysPlaceAndLevel)
{
    const std::vector<StereoFrame> signal = NoiseFrames(30000, 1);
    const SignalAlignment found = AlignSignal(signal, Recording(signal, 12345, 80000, 0.5f));
    EXPECT_EQ(found.m_nOffset, 12345);
    EXPECT_EQ(found.m_nOverlap, signal.size());
    EXPECT_GT(found.m_dCorrelationLeft, 0.999);
    EXPECT_GT(found.m_dCorrelationRight, 0.999);
    EXPECT_NEAR(found.m_dLevelDb, -6.02, 0.01);
}

TEST(SignalAlignment, FindsASignalThatBeganBeforeTheRecording)
{
    const std::vector<StereoFrame> signal = NoiseFrames(30000, 2);
    const SignalAlignment found = AlignSignal(signal, Recording(signal, -1000, 40000, 1.0f));
    EXPECT_EQ(found.m_nOffset, -1000);
    EXPECT_EQ(found.m_nOverlap, 29000u);
    EXPECT_GT(found.m_dCorrelationLeft, 0.999);
}

TEST(SignalAlignment, UnrelatedOrSwappedSoundCorrelatesPoorly)
{
    const std::vector<StereoFrame> signal = NoiseFrames(30000, 3);
    const SignalAlignment unrelated = AlignSignal(signal, NoiseFrames(50000, 4));
    EXPECT_LT(std::fabs(unrelated.m_dCorrelationLeft), 0.1);

    std::vector<StereoFrame> swapped = Recording(signal, 500, 40000, 1.0f);
    for (StereoFrame& frame : swapped)
        frame = {frame.right, frame.left};
    const SignalAlignment found = AlignSignal(signal, swapped);
    EXPECT_EQ(found.m_nOffset, 500);
    EXPECT_LT(std::fabs(found.m_dCorrelationLeft), 0.1);
}
