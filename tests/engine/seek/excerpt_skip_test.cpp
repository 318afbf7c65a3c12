// An excerpt of a score, reached by the fast skip, is its stretch of the
// whole render to the bit: with keyframes that move the density and the scan
// range, with drift, with a segment length that changes, in a loop, and when
// the synthesis begins a second time. A layer's timeline vouches only for
// stretches where the walk's settings really hold.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "engine/render/sound_synthesis.h"
#include "engine/render/stream_layout.h"
#include "engine/score/parameter_timeline.h"
#include "engine/score/score_piece.h"
#include "engine/score/timeline_grain_settings.h"
#include "engine/stereo_frame.h"

namespace {

constexpr std::int32_t kLengthSeconds = 30;

std::vector<StereoFrame> Tones(double seconds)
{
    std::vector<StereoFrame> source(static_cast<std::size_t>(seconds * kRunSampleRate));
    for (std::size_t i = 0; i < source.size(); ++i) {
        const double t = static_cast<double>(i) / kRunSampleRate;
        source[i] = {static_cast<float>(0.4 * std::sin(2 * M_PI * 440 * t) + 0.1 * std::sin(2 * M_PI * 3 * t)),
                     static_cast<float>(0.3 * std::sin(2 * M_PI * 661 * t))};
    }
    return source;
}

Keyframe KeyframeAt(double seconds, Curve curve, std::map<ParameterId, double> values)
{
    Keyframe keyframe;
    keyframe.m_dSeconds = seconds;
    keyframe.m_curve = curve;
    keyframe.m_values = std::move(values);
    return keyframe;
}

// Two layers: one whose density, scan range and segment move along lines and
// steps and drift, with per-grain pitch and pan; one plain.
Score MovingScore(bool loop)
{
    Score score;
    score.m_nLengthSeconds = kLengthSeconds;
    score.m_bLoop = loop;
    ScoreLayer moving;
    moving.m_strSourcePath = "tones";
    moving.m_values.Set(ParameterId::Density, 1000);
    moving.m_values.Set(ParameterId::GrainLength, 50);
    moving.m_values.Set(ParameterId::Segment, 2);
    moving.m_values.Set(ParameterId::PanSpread, 40);
    moving.m_values.Set(ParameterId::PitchSpread, 2);
    moving.m_keyframes = {
        KeyframeAt(5.0, Curve::Linear, {{ParameterId::Density, 2000}, {ParameterId::ScanRange, 90}}),
        KeyframeAt(10.5, Curve::Step, {{ParameterId::Density, 600}, {ParameterId::Segment, 1}}),
        KeyframeAt(20.0, Curve::Smooth, {{ParameterId::Density, 1500}, {ParameterId::ScanRange, 5}}),
    };
    moving.m_drift[ParameterId::ScanRange] = Drift{15.0, 3.0};
    moving.m_drift[ParameterId::Density] = Drift{300.0, 2.0};
    moving.m_drift[ParameterId::Segment] = Drift{1.0, 5.0};
    ScoreLayer plain;
    plain.m_strSourcePath = "tones";
    plain.m_values.Set(ParameterId::Density, 1000);
    plain.m_values.Set(ParameterId::GrainLength, 75);
    score.m_layers = {moving, plain};
    return score;
}

struct Render {
    std::vector<StereoFrame> m_sound;
    std::uint64_t m_nFirstTrackFrame = 0;  // where the sound's first frame lies in the synthesis of the whole
};

// frames of the synthesis from its start, in windows like the pipeline's;
// twice over when again (a render that is synthesised again), the second
// one kept.
std::vector<StereoFrame> Synthesise(SoundSynthesis& synthesis, std::uint64_t frames, bool again)
{
    std::vector<StereoFrame> sound;
    for (int pass = 0; pass < (again ? 2 : 1); ++pass) {
        sound.assign(frames, StereoFrame{0.0f, 0.0f});
        EXPECT_TRUE(synthesis.Begin(frames));
        constexpr std::uint64_t kWindow = 1 << 16;
        for (std::uint64_t first = 0; first < frames; first += kWindow)
            synthesis.RenderWindow(std::span(sound).subspan(first, std::min(kWindow, frames - first)), first);
        synthesis.End();
    }
    return sound;
}

std::vector<StereoFrame> RenderScore(const Score& score, std::span<const StereoFrame> tones, std::uint64_t first,
                                     std::uint64_t frames, bool again = false)
{
    PieceRequest request;
    request.m_pScore = &score;
    request.m_nSeed = 4321;
    request.m_sources["tones"] = tones;
    request.m_nExcerptFirst = first;
    request.m_nExcerptFrames = frames;
    ScorePiece::Making made = ScorePiece::Make(request);
    EXPECT_TRUE(made.m_pPiece) << made.m_strError;
    if (frames == 0) {
        const auto track = static_cast<std::uint64_t>(score.m_nLengthSeconds) * kRunSampleRate;
        const StreamLayout layout = score.m_bLoop ? LoopLayout(track, made.m_pPiece->LongestGrainFrames(),
                                                               score.m_nFadeSeconds * kRunSampleRate)
                                                  : PlainLayout(track);
        frames = layout.SynthesisedFrames();
    }
    return Synthesise(made.m_pPiece->Synthesis(), frames, again);
}

void ExpectExcerptsAreStretchesOfTheWhole(const Score& score, std::uint64_t warmUp)
{
    const std::vector<StereoFrame> tones = Tones(4.0);
    const std::vector<StereoFrame> whole = RenderScore(score, tones, 0, 0);
    constexpr std::uint64_t kExcerptFrames = 44100 / 2;
    for (const double seconds : {0.02, 10.5, 16.6, 29.5}) {
        const auto first = static_cast<std::uint64_t>(seconds * kRunSampleRate);
        const std::vector<StereoFrame> excerpt = RenderScore(score, tones, first, kExcerptFrames, seconds == 16.6);
        ASSERT_GE(whole.size(), warmUp + first + kExcerptFrames);
        std::size_t differing = 0;
        for (std::uint64_t i = 0; i < kExcerptFrames; ++i) {
            const StereoFrame& a = excerpt[i];
            const StereoFrame& b = whole[warmUp + first + i];
            differing += a.left != b.left || a.right != b.right;
        }
        EXPECT_EQ(differing, 0u) << "excerpt at " << seconds << " s";
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

namespace {

// Every frame of every stretch the timeline vouches for has the settings of
// the stretch's first frame that the part names; the stretches end close to
// where the settings change.
void ExpectSteadyStretchesHold(GrainSettingsSource::SteadyPart part)
{
    const bool walk = part == GrainSettingsSource::SteadyPart::Walk;
    const Score score = MovingScore(false);
    const ParameterTimeline timeline(score.m_layers.front(), kLengthSeconds, 4321, 0, false);
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
