// The sub-audio share of a sound's peak: what part of the peak the content
// below 20 Hz reaches on its own, as the level finishing will see the sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/level/sub_audio_meter.h"
#include "tests/engine/tone_fit.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::size_t kSecond = 44100;

// The means and the peak after taking them off, as the level finishing
// finds them.
struct Level {
    float m_fMeanLeft;
    float m_fMeanRight;
    float m_fPeak;
};

Level LevelOf(const std::vector<StereoFrame>& sound)
{
    double sumLeft = 0.0;
    double sumRight = 0.0;
    for (const StereoFrame& frame : sound) {
        sumLeft += frame.left;
        sumRight += frame.right;
    }
    const auto meanLeft = static_cast<float>(sumLeft / sound.size());
    const auto meanRight = static_cast<float>(sumRight / sound.size());
    float peak = 0.0f;
    for (const StereoFrame& frame : sound)
        peak = std::max({peak, std::abs(frame.left - meanLeft), std::abs(frame.right - meanRight)});
    return {meanLeft, meanRight, peak};
}

double ShareOf(const std::vector<StereoFrame>& sound, std::size_t pieceFrames = 0)
{
    SubAudioMeter meter(20.0, kRate);
    const std::span<const StereoFrame> whole(sound);
    if (pieceFrames == 0)
        pieceFrames = sound.size();
    for (std::size_t first = 0; first < sound.size(); first += pieceFrames)
        meter.Measure(whole.subspan(first, std::min(pieceFrames, sound.size() - first)));
    const Level level = LevelOf(sound);
    return meter.SubAudioShare(level.m_fMeanLeft, level.m_fMeanRight, level.m_fPeak);
}

std::vector<StereoFrame> Offset(std::vector<StereoFrame> sound, float left, float right)
{
    for (StereoFrame& frame : sound) {
        frame.left += left;
        frame.right += right;
    }
    return sound;
}

}  // namespace

// A 2nd-order low-pass at 20 Hz passes (20/1000)² = 1/2500 of a 1 kHz tone:
// the share is that, well under the 0.05 at which a run would speak of it.
TEST(SubAudioMeter, AudibleToneAloneHasNoShare)
{
    const double share = ShareOf(SineFrames(kSecond, 1000.0 / kRate, 1.0));
    EXPECT_LT(share, 0.05);
    RecordProperty("kilohertz_share", std::to_string(share));
}

// A sound that starts on an offset, or at the crest of a tone, starts the
// low-pass in no false step: the offset is the steady state it starts in,
// and the crest has died away before the extremes count.
TEST(SubAudioMeter, NeitherAnOffsetNorACrestAtTheStartCounts)
{
    const std::vector<StereoFrame> crest = SineFrames(kSecond, 1000.0 / kRate, 1.0, 1.5707963267948966);
    EXPECT_LT(ShareOf(crest), 0.05);
    EXPECT_LT(ShareOf(Offset(crest, 0.5f, -0.7f)), 0.05);
}

// 3 Hz of amplitude 1 under 1 kHz of amplitude 0.3: the peak is near 1.3 and
// the low-passed part swings to ±1, so about 1 / 1.3 = 0.77 of the peak is
// sub-audio; 0.7 is the brief's bound.
TEST(SubAudioMeter, RumbleUnderAToneTakesMostOfThePeak)
{
    std::vector<StereoFrame> sound = SineFrames(kSecond, 3.0 / kRate, 1.0);
    AddFrames(sound, SineFrames(kSecond, 1000.0 / kRate, 0.3));
    const double share = ShareOf(sound);
    EXPECT_GT(share, 0.7);
    EXPECT_LT(share, 1.0);
    RecordProperty("rumble_share", std::to_string(share));
    EXPECT_GT(ShareOf(Offset(sound, 0.25f, 0.25f)), 0.7);  // the mean is no part of it
}

// Each channel is measured on its own: rumble on one side only counts.
TEST(SubAudioMeter, RumbleOnOneChannelCounts)
{
    std::vector<StereoFrame> sound = SineFrames(kSecond, 1000.0 / kRate, 0.3);
    const std::vector<StereoFrame> rumble = SineFrames(kSecond, 3.0 / kRate, 1.0);
    for (std::size_t n = 0; n < sound.size(); ++n)
        sound[n].right += rumble[n].right;
    EXPECT_GT(ShareOf(sound), 0.7);
}

TEST(SubAudioMeter, PiecesOfAnySizeGiveTheSameShare)
{
    std::vector<StereoFrame> sound = SineFrames(kSecond, 5.0 / kRate, 0.6);
    AddFrames(sound, SineFrames(kSecond, 440.0 / kRate, 0.4));
    const double whole = ShareOf(sound);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, kSecond - 1})
        EXPECT_EQ(ShareOf(sound, piece), whole) << "pieces of " << piece;
}

TEST(SubAudioMeter, SilenceAndNothingHaveNoShare)
{
    EXPECT_EQ(ShareOf(std::vector<StereoFrame>(kSecond, StereoFrame{0.0f, 0.0f})), 0.0);
    const SubAudioMeter nothing;
    EXPECT_EQ(nothing.SubAudioShare(0.0f, 0.0f, 1.0f), 0.0);
}

// A sample that is not finite goes through as 0: the rest of the sound is
// still measured.
TEST(SubAudioMeter, SamplesThatAreNotFiniteLeaveTheRestMeasured)
{
    std::vector<StereoFrame> sound = SineFrames(kSecond, 3.0 / kRate, 1.0);
    AddFrames(sound, SineFrames(kSecond, 1000.0 / kRate, 0.3));
    SubAudioMeter meter(20.0, kRate);
    const Level level = LevelOf(sound);
    sound[30000].left = std::numeric_limits<float>::quiet_NaN();
    sound[30001].right = std::numeric_limits<float>::infinity();
    meter.Measure(sound);
    const double share = meter.SubAudioShare(level.m_fMeanLeft, level.m_fMeanRight, level.m_fPeak);
    EXPECT_GT(share, 0.7);
    EXPECT_LT(share, 1.0);
}
