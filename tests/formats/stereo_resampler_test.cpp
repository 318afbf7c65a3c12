// The rate converter: the promised number of frames, and the same output
// however the input is cut.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "formats/frame_counts.h"
#include "formats/stereo_resampler.h"

namespace {

std::vector<StereoFrame> Noise(std::size_t frames)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    std::vector<StereoFrame> noise(frames);
    for (StereoFrame& frame : noise)
        frame = {sample(generator), sample(generator)};
    return noise;
}

std::vector<StereoFrame> Convert(const std::vector<StereoFrame>& input, double from, double to,
                                 std::size_t pieceFrames)
{
    StereoResampler resampler(from, to);
    std::vector<StereoFrame> output;
    for (std::size_t done = 0; done < input.size(); done += pieceFrames) {
        const std::size_t count = std::min(pieceFrames, input.size() - done);
        resampler.Push(std::span<const StereoFrame>(input).subspan(done, count), output);
    }
    resampler.Drain(output);
    return output;
}

}  // namespace

// Every rate the input side meets and every delivery rate: after the end of
// the input the converter has given exactly ConvertedFrameCount frames.
TEST(StereoResampler, GivesTheConvertedFrameCount)
{
    const std::pair<int, int> rates[] = {{8000, 44100},  {11025, 44100}, {48000, 44100}, {96000, 44100},
                                         {384000, 44100}, {44100, 48000}, {44100, 88200}, {44100, 96000}};
    for (const auto& [from, to] : rates) {
        const std::size_t frames = static_cast<std::size_t>(from) / 3 + 17;
        const std::vector<StereoFrame> output = Convert(Noise(frames), from, to, 4096);
        EXPECT_EQ(output.size(), ConvertedFrameCount(frames, static_cast<std::uint32_t>(from),
                                                     static_cast<std::uint32_t>(to)))
            << from << " to " << to;
    }
}

// The delivery level measures the converted peak in one pass and the output
// converts again in the run's pieces: both must see the very same samples.
TEST(StereoResampler, GivesTheSameSamplesHoweverTheInputIsCut)
{
    const std::vector<StereoFrame> input = Noise(100000);
    const std::vector<StereoFrame> whole = Convert(input, 44100, 96000, input.size());
    for (const std::size_t piece : {1u, 999u, 65536u}) {
        const std::vector<StereoFrame> cut = Convert(input, 44100, 96000, piece);
        ASSERT_EQ(cut.size(), whole.size());
        for (std::size_t i = 0; i < cut.size(); ++i)
            ASSERT_TRUE(cut[i].left == whole[i].left && cut[i].right == whole[i].right) << piece << " at " << i;
    }
}

TEST(FrameCounts, RoundToTheNearestFrameAndNeverOverflow)
{
    EXPECT_EQ(ConvertedFrameCount(48000, 48000, 44100), 44100u);
    EXPECT_EQ(ConvertedFrameCount(1, 96000, 44100), 0u);   // 0.46 rounds down
    EXPECT_EQ(ConvertedFrameCount(3, 96000, 44100), 1u);   // 1.38
    EXPECT_EQ(ConvertedFrameCount(1, 8000, 44100), 6u);    // 5.51
    EXPECT_EQ(ConvertedFrameCount(~0ull, 8000, 44100), ~0ull);
}
