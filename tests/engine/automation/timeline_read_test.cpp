// The longest read along a layer's timeline: never less than a grain at any
// moment of the track reads, close to the longest one where lines move
// between keyframes, and only the longest grain read at the highest pitch
// where the two come together.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/automation/parameter_timeline.h"
#include "engine/automation/timeline_grain_settings.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/scheduling/parameter_grain_settings.h"

namespace {

constexpr std::uint32_t kSeed = 7;

Keyframe KeyframeAt(double seconds, std::map<ParameterId, double> values, Curve curve)
{
    Keyframe keyframe;
    keyframe.m_dSeconds = seconds;
    keyframe.m_curve = curve;
    keyframe.m_values = std::move(values);
    return keyframe;
}

// Long grains at the start, high ones at the end: their product is never read.
ScoreLayer Relay(Curve curve)
{
    ScoreLayer layer;
    layer.m_values.Set(ParameterId::GrainLength, 900);
    layer.m_keyframes = {KeyframeAt(30, {{ParameterId::GrainLength, 450}, {ParameterId::Pitch, 12}}, curve)};
    return layer;
}

// The most frames a grain starting at any of many moments of the track reads.
std::uint64_t LongestSampledRead(const ParameterTimeline& timeline)
{
    std::uint64_t longest = 0;
    for (double seconds = 0; seconds <= timeline.LengthSeconds(); seconds += 0.01) {
        const GrainSettings settings = GrainSettingsOfValues(timeline.At(seconds).m_values, 0.5);
        longest = std::max(longest, GrainScheduler::LongestRead(settings));
    }
    return longest;
}

}  // namespace

// 900 ms read as it is, then 450 ms an octave up: 39690 frames either way,
// not the 79379 of 900 ms an octave up.
TEST(TimelineRead, AStepRelayReadsNoMoreThanEachSide)
{
    const ParameterTimeline timeline(Relay(Curve::Step), 60, kSeed, 0, false);
    EXPECT_EQ(GrainScheduler::LongestRead(BoundsOfTimeline(timeline)), 79379u);
    EXPECT_EQ(LongestReadAlong(timeline), 39690u);
    EXPECT_EQ(LongestSampledRead(timeline), 39690u);
}

// Moving lines meet in the middle (675 ms a tritone up, 0.955 s): the read
// along the track is that, to within the stretches it follows the lines by.
TEST(TimelineRead, MovingLinesAreFollowedClosely)
{
    for (const Curve curve : {Curve::Linear, Curve::Smooth}) {
        const ParameterTimeline timeline(Relay(curve), 30, kSeed, 0, false);
        const std::uint64_t sampled = LongestSampledRead(timeline);
        EXPECT_GT(sampled, 42000u);
        EXPECT_GE(LongestReadAlong(timeline), sampled);
        EXPECT_LE(LongestReadAlong(timeline), sampled + sampled / 100);
    }
}

// Drift, pitch spread, pitch sets that change, a keyframe past the end: no
// grain reads more than the read along the track, which ignores the part
// of the line past the end.
TEST(TimelineRead, NoGrainReadsMore)
{
    ScoreLayer layer = Relay(Curve::Linear);
    layer.m_values.SetPitchSet({0, 7});
    layer.m_keyframes.front().m_pitchSet = std::vector<double>{-5, 3};
    layer.m_keyframes.push_back(KeyframeAt(45, {{ParameterId::PitchSpread, 6}}, Curve::Smooth));
    layer.m_keyframes.push_back(KeyframeAt(90, {{ParameterId::GrainLength, 2000}}, Curve::Linear));
    layer.m_drift[ParameterId::Pitch] = Drift{2, 3};
    layer.m_drift[ParameterId::GrainLength] = Drift{100, 5};
    const ParameterTimeline timeline(layer, 60, kSeed, 0, false);
    const std::uint64_t along = LongestReadAlong(timeline);
    EXPECT_GE(along, LongestSampledRead(timeline));
    EXPECT_LT(along, GrainScheduler::LongestRead(BoundsOfTimeline(timeline)));
}
