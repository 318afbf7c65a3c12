// Folding input channels to stereo: mono doubled, stereo kept, and from three
// to eight channels the ITU weights scaled so that no output exceeds the
// loudest input channel.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "formats/stereo_fold.h"

namespace {

std::vector<StereoFrame> FoldOne(const StereoFold& fold, const std::vector<float>& frame)
{
    std::vector<StereoFrame> out(1);
    fold.Fold(frame.data(), 1, out.data());
    return out;
}

float SumOfLeftWeights(const StereoFold& fold)
{
    float sum = 0.0f;
    for (int c = 0; c < fold.GetChannelCount(); ++c)
        sum += fold.LeftWeight(c);
    return sum;
}

}  // namespace

TEST(StereoFold, MonoIsDoubledAndStereoKeptAsItIs)
{
    const StereoFold mono = StereoFold::ForCount(1, ChannelOrder::Wave);
    EXPECT_EQ(FoldOne(mono, {0.25f})[0].left, 0.25f);
    EXPECT_EQ(FoldOne(mono, {0.25f})[0].right, 0.25f);
    const StereoFold stereo = StereoFold::ForCount(2, ChannelOrder::Vorbis);
    const StereoFrame folded = FoldOne(stereo, {0.5f, -0.125f})[0];
    EXPECT_EQ(folded.left, 0.5f);
    EXPECT_EQ(folded.right, -0.125f);
}

// 5.1 in WAV order L R C LFE Ls Rs: left = (L + 0.707 C + 0.707 Ls) / 2.414.
TEST(StereoFold, FivePointOneFollowsTheItuWeightsScaledToAWeightedMean)
{
    const StereoFold fold = StereoFold::ForCount(6, ChannelOrder::Wave);
    const float sum = 1.0f + 2.0f * 0.70710678f;
    EXPECT_NEAR(fold.LeftWeight(0), 1.0f / sum, 1e-6);
    EXPECT_NEAR(fold.LeftWeight(2), 0.70710678f / sum, 1e-6);
    EXPECT_EQ(fold.LeftWeight(3), 0.0f) << "the LFE channel is left out";
    EXPECT_NEAR(fold.LeftWeight(4), 0.70710678f / sum, 1e-6);
    EXPECT_EQ(fold.LeftWeight(1), 0.0f);
    EXPECT_EQ(fold.LeftWeight(5), 0.0f);
    EXPECT_NEAR(fold.RightWeight(1), 1.0f / sum, 1e-6);
    EXPECT_NEAR(fold.RightWeight(5), 0.70710678f / sum, 1e-6);
}

// Vorbis puts the centre second and the LFE last: L C R Ls Rs LFE.
TEST(StereoFold, VorbisOrderPlacesTheCentreSecond)
{
    const StereoFold fold = StereoFold::ForCount(6, ChannelOrder::Vorbis);
    EXPECT_GT(fold.LeftWeight(1), 0.0f);
    EXPECT_EQ(fold.LeftWeight(1), fold.RightWeight(1));
    EXPECT_EQ(fold.LeftWeight(2), 0.0f);
    EXPECT_GT(fold.RightWeight(2), fold.RightWeight(1));
    EXPECT_EQ(fold.LeftWeight(5), 0.0f);
    EXPECT_EQ(fold.RightWeight(5), 0.0f);
}

// Full scale on any one channel, and on all channels at once in phase, stays
// within full scale on both sides; every layout's sides are weighted means.
TEST(StereoFold, NoLayoutLiftsAnyOutputAboveTheLoudestInput)
{
    for (const ChannelOrder order : {ChannelOrder::Wave, ChannelOrder::Vorbis}) {
        for (int channels = 3; channels <= 8; ++channels) {
            const StereoFold fold = StereoFold::ForCount(channels, order);
            EXPECT_NEAR(SumOfLeftWeights(fold), 1.0f, 1e-6) << channels;
            const StereoFrame all = FoldOne(fold, std::vector<float>(static_cast<std::size_t>(channels), 1.0f))[0];
            EXPECT_LE(all.left, 1.0f + 1e-6f);
            EXPECT_LE(all.right, 1.0f + 1e-6f);
            for (int c = 0; c < channels; ++c) {
                std::vector<float> one(static_cast<std::size_t>(channels), 0.0f);
                one[static_cast<std::size_t>(c)] = -1.0f;
                const StereoFrame folded = FoldOne(fold, one)[0];
                EXPECT_GE(folded.left, -1.0f);
                EXPECT_GE(folded.right, -1.0f);
            }
        }
    }
}

// A layout that feeds one side nothing (a file of LFE channels only) still
// sounds on both sides, equally from every channel.
TEST(StereoFold, ASideNoChannelFeedsTakesEveryChannelEqually)
{
    const StereoFold fold = StereoFold::ForPlaces({ChannelPlace::Lfe, ChannelPlace::Lfe, ChannelPlace::Lfe});
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(fold.LeftWeight(c), 1.0f / 3.0f, 1e-6);
        EXPECT_NEAR(fold.RightWeight(c), 1.0f / 3.0f, 1e-6);
    }
    const StereoFold rightOnly =
        StereoFold::ForPlaces({ChannelPlace::FrontRight, ChannelPlace::SurroundRight, ChannelPlace::FrontRight});
    EXPECT_NEAR(SumOfLeftWeights(rightOnly), 1.0f, 1e-6);
}

TEST(StereoFold, DescribesWhatItDid)
{
    EXPECT_EQ(DescribeChannels(1), "mono");
    EXPECT_EQ(DescribeChannels(2), "stereo");
    EXPECT_EQ(DescribeChannels(6), "6 channels folded to stereo");
}
