// The sub-audio share of a sound's peak: the part of the peak its content
// below 20 Hz reaches on its own, as the level finishing will see the sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/sub_audio/sub_audio_meter.h"
#include "tests/engine/tone_fit.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::size_t kSecond = 44100;

float Finite(float sample)
{
    return std::isfinite(sample) ? sample : 0.0f;
}

// The sound measured in pieces of pieceFrames (0: in one piece), given its
// means and its peak after taking them off (of its finite samples).
double ShareOf(const std::vector<StereoFrame>& sound, std::size_t pieceFrames = 0)
{
    SubAudioMeter meter(20.0, kRate);
    const std::span<const StereoFrame> whole(sound);
    const std::size_t piece = pieceFrames == 0 ? sound.size() : pieceFrames;
    for (std::size_t first = 0; first < sound.size(); first += piece)
        meter.Measure(whole.subspan(first, std::min(piece, sound.size() - first)));
    double sumLeft = 0.0;
    double sumRight = 0.0;
    for (const StereoFrame& frame : sound) {
        sumLeft += Finite(frame.left);
        sumRight += Finite(frame.right);
    }
    const auto meanLeft = static_cast<float>(sumLeft / sound.size());
    const auto meanRight = static_cast<float>(sumRight / sound.size());
    float peak = 0.0f;
    for (const StereoFrame& frame : sound)
        peak = std::max({peak, std::abs(Finite(frame.left) - meanLeft), std::abs(Finite(frame.right) - meanRight)});
    return meter.SubAudioShare(meanLeft, meanRight, peak);
}

std::vector<StereoFrame> ToneOverRumble()
{
    std::vector<StereoFrame> sound = SineFrames(kSecond, 3.0 / kRate, 1.0);
    AddFrames(sound, SineFrames(kSecond, 1000.0 / kRate, 0.3));
    return sound;
}

}  // namespace

// A 2nd-order low-pass at 20 Hz passes (20/1000)² = 1/2500 of a 1 kHz tone,
// far under the brief's 0.05. A sound that starts at the tone's crest, or on
// an offset, makes no false start: the offset is the steady state the filter
// starts in, and the crest has died away before the extremes count.
TEST(SubAudioMeter, AudibleToneHasNoShareHoweverItStarts)
{
    const std::vector<StereoFrame> crest = SineFrames(kSecond, 1000.0 / kRate, 1.0, 1.5707963267948966);
    std::vector<StereoFrame> offset = crest;
    AddFrames(offset, std::vector<StereoFrame>(kSecond, StereoFrame{0.5f, -0.7f}));
    for (const std::vector<StereoFrame>& sound : {SineFrames(kSecond, 1000.0 / kRate, 1.0), crest, offset})
        EXPECT_LT(ShareOf(sound), 0.05);
}

// 3 Hz of amplitude 1 under 1 kHz of 0.3: the peak is near 1.3 and the
// low-passed part swings to ±1, so about 1 / 1.3 = 0.77 of the peak is
// sub-audio (the brief's bound is 0.7), on an offset too (the mean is no part
// of it), and on one channel alone.
TEST(SubAudioMeter, RumbleUnderAToneTakesMostOfThePeak)
{
    const std::vector<StereoFrame> sound = ToneOverRumble();
    std::vector<StereoFrame> offset = sound;
    AddFrames(offset, std::vector<StereoFrame>(kSecond, StereoFrame{0.25f, 0.25f}));
    std::vector<StereoFrame> oneSide = SineFrames(kSecond, 1000.0 / kRate, 0.3);
    for (std::size_t n = 0; n < sound.size(); ++n)
        oneSide[n].right = sound[n].right;
    for (const std::vector<StereoFrame>& rumbling : {sound, offset, oneSide}) {
        EXPECT_GT(ShareOf(rumbling), 0.7);
        EXPECT_LT(ShareOf(rumbling), 1.0);
    }
}

TEST(SubAudioMeter, PiecesOfAnySizeGiveTheSameShare)
{
    std::vector<StereoFrame> sound = SineFrames(kSecond, 5.0 / kRate, 0.6);
    AddFrames(sound, SineFrames(kSecond, 440.0 / kRate, 0.4));
    const double whole = ShareOf(sound);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, kSecond - 1})
        EXPECT_EQ(ShareOf(sound, piece), whole) << "pieces of " << piece;
}

// Silence, or nothing measured, has no share; a sample that is not finite
// goes through as 0 and the rest of the sound is still measured.
TEST(SubAudioMeter, SilenceNothingAndSamplesThatAreNotFinite)
{
    EXPECT_EQ(ShareOf(std::vector<StereoFrame>(kSecond, StereoFrame{0.0f, 0.0f})), 0.0);
    EXPECT_EQ(SubAudioMeter().SubAudioShare(0.0f, 0.0f, 1.0f), 0.0);
    std::vector<StereoFrame> sound = ToneOverRumble();
    sound[30000].left = std::numeric_limits<float>::quiet_NaN();
    sound[30001].right = std::numeric_limits<float>::infinity();
    EXPECT_GT(ShareOf(sound), 0.7);
}
