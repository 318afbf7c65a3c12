// A seek index answers the state a render needs anywhere in the track, the
// same as skipping there from the start; a render started from that state is
// its stretch of the whole render to the bit; the index stays small for a
// day-long score, stops when told, and is kept under a fingerprint that only
// the walk's and the clock's content changes.
#include <gtest/gtest.h>

#include <vector>

#include "engine/seek/cancel_poll.h"
#include "engine/seek/seek_fingerprint.h"
#include "engine/seek/seek_index.h"
#include "tests/engine/seek/seek_scores.h"

namespace {

SeekFingerprint FingerprintOfScore(const Score& score, std::span<const StereoFrame> tones)
{
    return MakePiece(score, tones)->GetSeekPlan().m_fingerprint;
}

}  // namespace

TEST(SeekIndex, StatesFromTheIndexAreThoseOfASkipFromTheStart)
{
    const std::vector<StereoFrame> tones = Tones(4.0);
    for (const bool loop : {false, true}) {
        const Score score = MovingScore(loop, 120);
        const SeekPlan plan = MakePiece(score, tones)->GetSeekPlan();
        SeekIndex index;
        ASSERT_TRUE(index.Build(plan));
        EXPECT_TRUE(index.Matches(plan.m_fingerprint));
        EXPECT_EQ(index.GetCheckpointCount(), plan.m_nRenderFrames / SeekIndex::kCheckpointFrames + 1);
        for (const double seconds : {0.0, 0.01, 29.99, 30.0, 47.3, 119.9}) {
            const auto trackFrame = static_cast<std::uint64_t>(seconds * kRunSampleRate);
            CancelPoll poll;
            const std::optional<SeekState> direct = SeekStateAt(plan, plan.m_nWarmUpFrames + trackFrame, poll);
            const std::optional<SeekState> indexed = index.StateAt(trackFrame);
            ASSERT_TRUE(direct && indexed);
            EXPECT_EQ(*indexed, *direct) << seconds << " s" << (loop ? " of a loop" : "");
        }
    }
}

// The render begins from the index's state, or from an earlier one, and
// skips only the rest of the way; either way its frames are the whole
// render's.
TEST(SeekIndex, ARenderStartedFromAStateIsItsStretchOfTheWhole)
{
    const std::vector<StereoFrame> tones = Tones(4.0);
    const Score score = MovingScore(false, 40);
    const std::unique_ptr<ScorePiece> wholePiece = MakePiece(score, tones);
    const SeekPlan& plan = wholePiece->GetSeekPlan();
    const std::vector<StereoFrame> whole = Synthesise(*wholePiece, plan.m_nRenderFrames);
    SeekIndex index;
    ASSERT_TRUE(index.Build(plan));
    constexpr std::uint64_t kFrames = 44100 / 4;
    for (const std::uint64_t first : {std::uint64_t{5 * 44100 + 7}, std::uint64_t{33 * 44100}}) {
        for (const bool exact : {true, false}) {
            const std::unique_ptr<ScorePiece> piece = MakePiece(score, tones, first, kFrames);
            std::optional<SeekState> start = index.StateAt(exact ? first : first - 44100);
            ASSERT_TRUE(start);
            piece->StartFrom(*start);
            const std::vector<StereoFrame> excerpt = Synthesise(*piece, kFrames);
            EXPECT_EQ(DifferingFrames(excerpt, std::span(whole).subspan(first), kFrames), 0u)
                << first << (exact ? " from its own state" : " from a second before");
            ASSERT_TRUE(piece->GetArrived());
            EXPECT_EQ(piece->GetArrived()->m_nFrame, first);
        }
    }
}

// A day of a light layer: about three thousand checkpoints, well under the
// bound, and the last seconds of the day as a skip from the start finds them.
TEST(SeekIndex, ADayLongScoreStaysSmall)
{
    const std::vector<StereoFrame> tones = Tones(4.0);
    Score score;
    score.m_nLengthSeconds = 24 * 3600;
    ScoreLayer layer;
    layer.m_strSourcePath = "tones";
    layer.m_values.Set(ParameterId::Density, 500);
    layer.m_values.Set(ParameterId::Segment, 1);
    score.m_layers = {layer};
    const SeekPlan plan = MakePiece(score, tones)->GetSeekPlan();
    SeekIndex index;
    ASSERT_TRUE(index.Build(plan));
    EXPECT_EQ(index.GetCheckpointCount(), 2881u);
    EXPECT_LT(index.GetBytes(), 16u << 20);
    const std::uint64_t late = plan.m_nRenderFrames - 44100;
    CancelPoll poll;
    EXPECT_EQ(index.StateAt(late), SeekStateAt(plan, late, poll));
}

// However many layers, the checkpoints stay within the bound: they lie
// further apart.
TEST(SeekIndex, ManyLayersWidenTheInterval)
{
    SeekPlan plan;
    plan.m_nRenderFrames = std::uint64_t{24} * 3600 * 44100;
    plan.m_layers.resize(200);
    const std::uint64_t interval = SeekIndex::IntervalFor(plan);
    EXPECT_GT(interval, SeekIndex::kCheckpointFrames);
    EXPECT_LE((plan.m_nRenderFrames / interval + 1) * plan.m_layers.size() * sizeof(ScheduleState),
              SeekIndex::kMostBytes);
    plan.m_layers.resize(2);
    EXPECT_EQ(SeekIndex::IntervalFor(plan), SeekIndex::kCheckpointFrames);
}

TEST(SeekIndex, StopsWhenTold)
{
    const std::vector<StereoFrame> tones = Tones(4.0);
    const SeekPlan plan = MakePiece(MovingScore(false, 600), tones)->GetSeekPlan();
    SeekIndex index;
    int asked = 0;
    EXPECT_FALSE(index.Build(plan, [&] {
        ++asked;
        return false;
    }));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(index.IsBuilt());
    EXPECT_FALSE(index.Matches(plan.m_fingerprint));
    EXPECT_FALSE(index.StateAt(0));
}

// Gains, pan, pitch within the same extremes and the window leave the
// schedules, and so the fingerprint, as they were; the walk's and the
// clock's lines, their drift, the seed, the length and the stretch of source
// read do not.
TEST(SeekIndex, TheFingerprintFollowsOnlyTheSchedules)
{
    const std::vector<StereoFrame> tones = Tones(4.0);
    const Score score = MovingScore(false);
    const SeekFingerprint original = FingerprintOfScore(score, tones);

    Score sameSchedules = score;
    sameSchedules.m_layers[0].m_dGainDb = -6.0;
    sameSchedules.m_layers[1].m_values.Set(ParameterId::PanSpread, 80);
    sameSchedules.m_layers[1].m_values.Set(ParameterId::Window, 1);
    sameSchedules.m_layers[0].m_keyframes[1].m_gainDb = -3.0;
    sameSchedules.m_nVolume = 80;
    EXPECT_EQ(FingerprintOfScore(sameSchedules, tones), original);

    std::vector<Score> changed(6, score);
    changed[0].m_layers[0].m_keyframes[0].m_values[ParameterId::Density] = 2050;
    changed[1].m_layers[0].m_drift[ParameterId::ScanRange].m_dPeriodSeconds = 4.0;
    changed[2].m_layers[1].m_values.Set(ParameterId::Segment, 7);
    changed[3].m_nLengthSeconds = 31;
    changed[4].m_layers[1].m_sourceEndSeconds = 3.5;
    changed[5].m_layers[1].m_values.Set(ParameterId::Pitch, 5);  // a longer read: a narrower span
    for (std::size_t i = 0; i < changed.size(); ++i)
        EXPECT_NE(FingerprintOfScore(changed[i], tones), original) << "change " << i;
    const SeekPlan plan = MakePiece(score, tones)->GetSeekPlan();
    EXPECT_NE(FingerprintOf(score, kSeekTestSeed + 1, plan), original);
}
