// An excerpt of a score, reached by the fast skip, is its stretch of the
// whole render to the bit: with keyframes that move the density, the scan
// range and the reading place, with drift, with a segment length that changes, in a loop, and when
// the synthesis begins a second time. A layer's timeline vouches only for
// stretches where the walk's settings really hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/automation/parameter_timeline.h"
#include "engine/automation/timeline_grain_settings.h"
#include "tests/engine/seek/seek_scores.h"

namespace {

constexpr std::int32_t kLengthSeconds = 30;

void ExpectExcerptsAreStretchesOfTheWhole(const Score& score, std::uint64_t warmUp,
                                          const std::vector<StereoFrame>& tones = Tones(4.0))
{
    const std::unique_ptr<ScorePiece> wholePiece = MakePiece(score, tones);
    const std::vector<StereoFrame> whole = Synthesise(*wholePiece, wholePiece->GetSeekPlan().m_nRenderFrames);
    constexpr std::uint64_t kExcerptFrames = 44100 / 2;
    for (const double seconds : {0.02, 10.5, 16.6, 29.5}) {
        const auto first = static_cast<std::uint64_t>(seconds * kRunSampleRate);
        const std::unique_ptr<ScorePiece> piece = MakePiece(score, tones, first, kExcerptFrames);
        const std::vector<StereoFrame> excerpt = Synthesise(*piece, kExcerptFrames, seconds == 16.6);
        ASSERT_GE(whole.size(), warmUp + first + kExcerptFrames);
        EXPECT_EQ(DifferingFrames(excerpt, std::span(whole).subspan(warmUp + first), kExcerptFrames), 0u)
            << "excerpt at " << seconds << " s";
    }
}

}  // namespace

TEST(ExcerptSkip, MovingLayersGiveTheirStretchOfTheWholeRender)
{
    ExpectExcerptsAreStretchesOfTheWhole(MovingScore(false), 0);
}

// A loop renders a warm-up of its longest grain before its first frame.
TEST(ExcerptSkip, ALoopsExcerptIsItsStretchAfterTheWarmUp)
{
    ExpectExcerptsAreStretchesOfTheWhole(MovingScore(true), 75 * 441 / 10);
}

// A position that moves all the time and a spread that drifts: the skip walks
// the last segment grain by grain, within the reach of each grain.
TEST(ExcerptSkip, AJourneyThroughTheSourceGivesItsStretchOfTheWholeRender)
{
    ExpectExcerptsAreStretchesOfTheWhole(JourneyScore(), 0);
}

// Grains whose levels are held: each one's gain comes from the stretch it
// reads, the same wherever the render starts. The source's first second is
// loud and the rest 30 dB down, so the gains differ from grain to grain.
TEST(ExcerptSkip, GrainsWhoseLevelsAreHeldGiveTheirStretchOfTheWholeRender)
{
    std::vector<StereoFrame> tones = Tones(4.0);
    for (std::size_t i = static_cast<std::size_t>(kRunSampleRate); i < tones.size(); ++i)
        tones[i] = {tones[i].left * 0.0316f, tones[i].right * 0.0316f};
    Score score = JourneyScore();
    score.m_levelRange = 4.0;
    ExpectExcerptsAreStretchesOfTheWhole(score, 0, tones);
}

namespace {

// Every frame of every stretch the timeline vouches for has the settings of
// the stretch's first frame that the part names; the stretches end close to
// where the settings change.
void ExpectSteadyStretchesHold(GrainSettingsSource::SteadyPart part)
{
    const bool walk = part == GrainSettingsSource::SteadyPart::Walk;
    const Score score = MovingScore(false);
    const ParameterTimeline timeline(score.m_layers.front(), kLengthSeconds, kSeekTestSeed, 0, false);
    TimelineGrainSettings settings(timeline, 0.5, 0);
    const auto same = [walk](const GrainSettings& a, const GrainSettings& b) {
        return a.m_nGrainsPerSecond == b.m_nGrainsPerSecond &&
               (!walk || (a.m_nScanFrames == b.m_nScanFrames && a.m_nSegmentGrains == b.m_nSegmentGrains));
    };
    const auto end = static_cast<std::uint64_t>(kLengthSeconds + 1) * kRunSampleRate;
    std::uint64_t stretches = 0;
    std::uint64_t changes = 0;
    GrainSettings before;
    for (std::uint64_t frame = 0; frame < end; ++stretches) {
        const GrainSettings first = settings.WalkSettingsAt(frame);
        changes += same(first, before) ? 0 : 1;
        before = first;
        const std::uint64_t until = std::min(settings.WalkSettingsSteadyUntil(frame, part), end);
        ASSERT_GT(until, frame);
        // Every frame of short stretches, a thousand spread over long ones,
        // and the last one always.
        const std::uint64_t stride = std::max<std::uint64_t>(1, (until - frame) / 1000);
        for (std::uint64_t f = frame;; f = std::min(f + stride, until - 1)) {
            ASSERT_TRUE(same(settings.WalkSettingsAt(f), first)) << f << " in the stretch from " << frame;
            if (f == until - 1)
                break;
        }
        frame = until;
    }
    // Where a line and a drift move apart, each stretch only gets part of
    // the way to the next change: a few stretches a change, not one a grain.
    EXPECT_GT(changes, walk ? 150u : 50u);
    EXPECT_LT(stretches, changes * 8);
}

}  // namespace

TEST(ExcerptSkip, SteadyStretchesHoldTheirWalkSettings)
{
    ExpectSteadyStretchesHold(GrainSettingsSource::SteadyPart::Walk);
}

TEST(ExcerptSkip, SteadyStretchesHoldTheirDensity)
{
    ExpectSteadyStretchesHold(GrainSettingsSource::SteadyPart::Clock);
}
