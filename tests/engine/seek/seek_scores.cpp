#include "tests/engine/seek/seek_scores.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "engine/synthesis/sound_synthesis.h"

namespace {

Keyframe KeyframeAt(double seconds, Curve curve, std::map<ParameterId, double> values)
{
    Keyframe keyframe;
    keyframe.m_dSeconds = seconds;
    keyframe.m_curve = curve;
    keyframe.m_values = std::move(values);
    return keyframe;
}

}  // namespace

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

Score MovingScore(bool loop, std::int32_t lengthSeconds)
{
    const double scale = lengthSeconds / 30.0;
    Score score;
    score.m_nLengthSeconds = lengthSeconds;
    score.m_bLoop = loop;
    ScoreLayer moving;
    moving.m_strSourcePath = "tones";
    moving.m_values.Set(ParameterId::Density, 800);
    moving.m_values.Set(ParameterId::GrainLength, 50);
    moving.m_values.Set(ParameterId::Segment, 2);
    moving.m_values.Set(ParameterId::PanSpread, 40);
    moving.m_values.Set(ParameterId::TimingSpread, 60);
    moving.m_keyframes = {
        KeyframeAt(5.0 * scale, Curve::Linear, {{ParameterId::Density, 1500}, {ParameterId::ScanRange, 90}}),
        KeyframeAt(10.5 * scale, Curve::Step,
                   {{ParameterId::Density, 500}, {ParameterId::Segment, 1}, {ParameterId::TimingSpread, 100}}),
        KeyframeAt(20.0 * scale, Curve::Smooth, {{ParameterId::Density, 1200}, {ParameterId::ScanRange, 5}}),
    };
    moving.m_drift[ParameterId::ScanRange] = Drift{15.0, 3.0};
    moving.m_drift[ParameterId::Density] = Drift{300.0, 2.0};
    moving.m_drift[ParameterId::Segment] = Drift{1.0, 5.0};
    ScoreLayer plain;
    plain.m_strSourcePath = "tones";
    plain.m_values.Set(ParameterId::Density, 500);
    plain.m_values.Set(ParameterId::GrainLength, 75);
    score.m_layers = {moving, plain};
    return score;
}

Score JourneyScore(std::int32_t lengthSeconds)
{
    Score score;
    score.m_nLengthSeconds = lengthSeconds;
    ScoreLayer journey;
    journey.m_strSourcePath = "tones";
    journey.m_values.Set(ParameterId::Density, 800);
    journey.m_values.Set(ParameterId::GrainLength, 50);
    journey.m_values.Set(ParameterId::Segment, 2);
    journey.m_values.Set(ParameterId::Position, 0);
    journey.m_values.Set(ParameterId::PositionSpread, 5);
    journey.m_keyframes = {
        KeyframeAt(lengthSeconds * 0.4, Curve::Step, {{ParameterId::PositionSpread, 30}}),
        KeyframeAt(lengthSeconds, Curve::Linear, {{ParameterId::Position, 100}}),
    };
    journey.m_drift[ParameterId::PositionSpread] = Drift{4.0, 3.0};
    ScoreLayer held;
    held.m_strSourcePath = "tones";
    held.m_values.Set(ParameterId::Density, 600);
    held.m_values.Set(ParameterId::GrainLength, 75);
    held.m_values.Set(ParameterId::Position, 30);
    held.m_values.Set(ParameterId::PositionSpread, 1);  // steps cut to an eighth of the window
    score.m_layers = {journey, held};
    return score;
}

std::unique_ptr<ScorePiece> MakePiece(const Score& score, std::span<const StereoFrame> tones, std::uint64_t first,
                                      std::uint64_t frames)
{
    PieceRequest request;
    request.m_pScore = &score;
    request.m_nSeed = kSeekTestSeed;
    request.m_nExcerptFirst = first;
    request.m_nExcerptFrames = frames;
    ScorePiece::Making made = ScorePiece::Make(request, {{"tones", tones}});
    EXPECT_TRUE(made.m_pPiece);
    return std::move(made.m_pPiece);
}

std::vector<StereoFrame> Synthesise(ScorePiece& piece, std::uint64_t frames, bool again)
{
    SoundSynthesis& synthesis = piece.Synthesis();
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

std::size_t DifferingFrames(std::span<const StereoFrame> a, std::span<const StereoFrame> b, std::size_t count)
{
    std::size_t differing = 0;
    for (std::size_t i = 0; i < count; ++i)
        differing += a[i].left != b[i].left || a[i].right != b[i].right ? 1 : 0;
    return differing;
}
