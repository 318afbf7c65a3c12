// The level estimate of a track whose level moves (a source that swells and
// fades, a layer gain along keyframes), against the file's gain that the pass
// in order ends with: a loudness within 1 dB once 5 % of the track is
// surveyed in sparse stretches; a peak, the rarest event of a sound, within
// 3 dB at 5 % and 1 dB at 10 %, and one in a rare burst that an even
// spread misses within 1 dB at 5 %; level evening's gain along the track.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "live_session/level_estimate.h"
#include "tests/engine/seek/seek_scores.h"
#include "tests/support/gain_keyframe.h"
#include "tests/support/noise_at_levels.h"

namespace {

// Ten seconds of tones whose level swells from a twentieth to full and back.
std::vector<StereoFrame> Swell()
{
    std::vector<StereoFrame> sound = Tones(10.0);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(sound.size());
        const auto level = static_cast<float>(0.05 + 0.95 * std::pow(std::sin(M_PI * t), 4));
        sound[i].left *= level;
        sound[i].right *= level;
    }
    return sound;
}

// A minute and forty seconds of a light layer reading the swell, its gain
// moving by 12 dB, with a plain layer under it. (500 grains a second, the
// density this score has always rendered at: it asked for 200 when the
// lowest was 500.)
Score MovingLevelScore()
{
    Score score;
    score.m_nLengthSeconds = 100;
    ScoreLayer layer;
    layer.m_strSourcePath = "tones";
    layer.m_values.Set(ParameterId::Density, 500);
    layer.m_values.Set(ParameterId::GrainLength, 80);
    layer.m_values.Set(ParameterId::Segment, 3);
    layer.m_keyframes = {GainAt(0, -12), GainAt(40, 0), GainAt(70, -3), GainAt(100, -9)};
    ScoreLayer under = layer;
    under.m_keyframes.clear();
    under.m_dGainDb = -18;
    score.m_layers = {layer, under};
    return score;
}

// Ten seconds of quiet noise with one loud burst, 30 dB over it, of a
// fifth of a second: a place the scan walk seldom lingers on.
std::vector<StereoFrame> RareBurst()
{
    return NoiseAtLevels(441000, 12345, [](std::size_t i) { return i >= 273420 && i < 282240 ? 0.9f : 0.03f; });
}

LevelEstimate Survey(const Score& score, bool sparseOnly, double share = 0.05,
                     const std::vector<StereoFrame>& source = Swell(), std::uint32_t seed = kSeekTestSeed)
{
    auto session = std::make_shared<SessionScore>();
    auto swell = std::make_shared<std::vector<StereoFrame>>(source);
    session->m_pScore = std::make_shared<const Score>(score);
    session->m_nSeed = seed;
    session->m_sources["tones"] = *swell;
    session->m_pHeld = swell;
    LevelEstimator::Options options;
    options.m_bSparseOnly = sparseOnly;
    options.m_dSparseShare = share;
    options.m_bLowerPriority = false;
    LevelEstimator estimator(options);
    estimator.Survey(session);
    EXPECT_TRUE(estimator.WaitUntilDone(120));
    return estimator.GetEstimate();
}

double Db(double gain)
{
    return 20.0 * std::log10(gain);
}

LevelEstimate Exact(const Score& score)
{
    const LevelEstimate exact = Survey(score, false);
    EXPECT_TRUE(exact.m_bExact);
    EXPECT_EQ(exact.m_dSurveyed, 1.0);
    return exact;
}

void ExpectWithin(const Score& score, const LevelEstimate& exact, double share, double decibels)
{
    const LevelEstimate early = Survey(score, true, share);
    ASSERT_TRUE(early.m_bKnown);
    EXPECT_FALSE(early.m_bExact);
    EXPECT_GE(early.m_dSurveyed, share);
    EXPECT_LT(early.m_dSurveyed, share + 0.01);
    std::cout << "At " << early.m_dSurveyed * 100 << " %: " << Db(early.m_dGain) << " dB; exact " << Db(exact.m_dGain)
              << " dB\n";
    EXPECT_NEAR(Db(early.m_dGain), Db(exact.m_dGain), decibels);
    // A layer's gain moves, so the file takes no mean off the mix: what is
    // heard must not either (each layer's DC is taken off where it arises).
    EXPECT_EQ(early.m_dMeanLeft, 0.0);
    EXPECT_EQ(exact.m_dMeanRight, 0.0);
}

}  // namespace

TEST(LevelEstimate, APeakIsWithinThreeDecibelsAtFivePerCentAndOneAtTen)
{
    const Score score = MovingLevelScore();
    const LevelEstimate exact = Exact(score);
    ExpectWithin(score, exact, 0.05, 3.0);
    ExpectWithin(score, exact, 0.1, 1.0);
}

TEST(LevelEstimate, ALoudnessIsWithinADecibelOnceFivePerCentIsSurveyed)
{
    Score score = MovingLevelScore();
    score.m_loudness = -30.0;
    score.m_nVolume = 90;
    ExpectWithin(score, Exact(score), 0.05, 1.0);
}

TEST(LevelEstimate, ASilentScoreIsNeverKnown)
{
    Score score = MovingLevelScore();
    for (ScoreLayer& layer : score.m_layers) {
        layer.m_dGainDb = -INFINITY;
        layer.m_keyframes.clear();
    }
    const LevelEstimate estimate = Survey(score, false);
    EXPECT_FALSE(estimate.m_bKnown);
    EXPECT_EQ(estimate.m_dGain, 1.0);
}

// With level evening the gain moves along the track: the estimate carries
// the evening's curve, drawn from the sparse stretches at first and the
// file's own once the whole track is surveyed. Sparse (at 5 %, one or two
// blocks in each 3 s window the plan measures), the curve is rough, but
// nearer the file's everywhere than leaving the level alone would be.
TEST(LevelEstimate, WithLevelEveningTheGainFollowsTheEveningsCurve)
{
    Score score = MovingLevelScore();
    score.m_levelRange = 3.0;
    const LevelEstimate exact = Exact(score);
    ASSERT_TRUE(exact.m_pEvening && !exact.m_pEvening->IsUnity());
    const LevelEstimate early = Survey(score, true, 0.05);
    ASSERT_TRUE(early.m_pEvening && !early.m_pEvening->IsUnity());
    double farthest = 0.0;  // of the sparse curve from the file's
    double evened = 0.0;    // the most the file's curve moves the level
    for (std::uint64_t frame = 0; frame < TrackFramesOf(score); frame += 4410) {
        const double file = Db(exact.m_pEvening->At(frame));
        farthest = std::max(farthest, std::fabs(Db(early.m_pEvening->At(frame)) - file));
        evened = std::max(evened, std::fabs(file));
    }
    std::cout << "Evening at 5 %: at most " << farthest << " dB from the file's curve, which moves the level by up to "
              << evened << " dB\n";
    EXPECT_LT(farthest, evened);
}

// The volume scales the synthesised sound and the file brings its peak to
// the volume, so a score that differs only in it keeps the file's gain and
// scales the means at once, still exact (to the rounding of the synthesis),
// as a new survey would find them; any other change surveys the score again.
TEST(LevelEstimate, AVolumeChangeKeepsTheSurveyAndAnyOtherChangeSurveysAgain)
{
    auto sound = std::make_shared<std::vector<StereoFrame>>(Swell());
    for (StereoFrame& frame : *sound) {
        frame.left += 0.1f;
        frame.right += 0.1f;
    }
    Score loud = MovingLevelScore();
    loud.m_nLengthSeconds = 20;
    loud.m_nVolume = 60;
    for (ScoreLayer& layer : loud.m_layers)
        layer.m_keyframes.clear();
    Score quiet = loud;
    quiet.m_nVolume = 6;
    Score regained = quiet;
    regained.m_layers[1].m_dGainDb = -6;
    const auto session = [&sound](const Score& score) {
        auto made = std::make_shared<SessionScore>();
        made->m_pScore = std::make_shared<const Score>(score);
        made->m_nSeed = kSeekTestSeed;
        made->m_sources["tones"] = *sound;
        made->m_pHeld = sound;
        return made;
    };
    const auto exactOf = [&session](const Score& score) {
        LevelEstimator::Options options;
        options.m_bLowerPriority = false;
        LevelEstimator estimator(options);
        estimator.Survey(session(score));
        EXPECT_TRUE(estimator.WaitUntilDone(120));
        return estimator.GetEstimate();
    };
    LevelEstimator::Options options;
    options.m_bLowerPriority = false;
    LevelEstimator estimator(options);
    estimator.Survey(session(loud));
    ASSERT_TRUE(estimator.WaitUntilDone(120));
    ASSERT_TRUE(estimator.GetEstimate().m_bExact);

    estimator.Survey(session(quiet));
    const LevelEstimate kept = estimator.GetEstimate();
    const LevelEstimate file = exactOf(quiet);
    EXPECT_TRUE(kept.m_bExact);
    // Within the rounding of 32-bit synthesis: 1e-4 is a thousandth of a decibel.
    EXPECT_NEAR(kept.m_dGain / file.m_dGain, 1.0, 1e-4);
    ASSERT_GT(std::fabs(file.m_dMeanLeft), 1e-5);
    EXPECT_NEAR(kept.m_dMeanLeft / file.m_dMeanLeft, 1.0, 1e-4);
    EXPECT_NEAR(kept.m_dMeanRight / file.m_dMeanRight, 1.0, 1e-4);

    estimator.Survey(session(regained));
    EXPECT_FALSE(estimator.GetEstimate().m_bExact);
    ASSERT_TRUE(estimator.WaitUntilDone(120));
    EXPECT_NEAR(estimator.GetEstimate().m_dGain / exactOf(regained).m_dGain, 1.0, 1e-9);
}

// Layers shaped for width: the sparse stretches begin their filters only a
// fifth of a second before them, which leaves their level as it is.
TEST(LevelEstimate, AShapedScoresSparseStretchesKeepTheirLevel)
{
    Score score = MovingLevelScore();
    for (ScoreLayer& layer : score.m_layers)
        layer.m_values.Set(ParameterId::PanSpread, 80);
    const LevelEstimate exact = Exact(score);
    ExpectWithin(score, exact, 0.05, 3.0);
    ExpectWithin(score, exact, 0.1, 1.0);
}

// Grains read a rare burst only where the scan walk lingers on it: a few
// stretches of three minutes that an even spread of 5 % passes by (with
// these seeds, one layer and two whose gains move, a survey led by the
// loudest stretch seen put the peak 23 and 7 dB too low). The forecast of
// the grain schedule leads the survey to them.
TEST(LevelEstimate, APeakInARareBurstIsFoundWithinADecibelAtFivePerCent)
{
    const std::vector<StereoFrame> burst = RareBurst();
    Score moving = MovingLevelScore();
    moving.m_nLengthSeconds = 180;
    Score one = moving;
    one.m_layers.resize(1);
    one.m_layers[0].m_keyframes.clear();
    for (const auto& [score, seed] : {std::pair{one, 1u}, std::pair{moving, 5u}}) {
        const LevelEstimate exact = Survey(score, false, 0.1, burst, seed);
        ASSERT_TRUE(exact.m_bExact);
        const LevelEstimate early = Survey(score, true, 0.05, burst, seed);
        EXPECT_FALSE(early.m_bExact);
        EXPECT_NEAR(Db(early.m_dGain), Db(exact.m_dGain), 1.0) << "seed " << seed;
    }
}

// Ten seconds of tones, quiet (a sixteenth) for three seconds and then full
// for half a second, over and over: most of the loudness lies in a seventh
// of the source, which a few per cent of a track reaches only now and then.
// With these seeds, loudness taken from an even spread of 5 % alone was 1.3
// to 1.8 dB off; the forecast of the grain schedule, calibrated to all the
// stretches seen, tells how loud the stretches between them are.
TEST(LevelEstimate, ALoudnessOfRareLoudStepsIsWithinADecibelAtFivePerCent)
{
    std::vector<StereoFrame> steps = Tones(10.0);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const float level = i % 154350 < 132300 ? 0.06f : 1.0f;
        steps[i].left *= level;
        steps[i].right *= level;
    }
    Score score = MovingLevelScore();
    score.m_nLengthSeconds = 180;
    score.m_loudness = -30.0;
    score.m_nVolume = 90;
    for (const std::uint32_t seed : {4321u, 11u, 2026u}) {
        const LevelEstimate exact = Survey(score, false, 0.1, steps, seed);
        ASSERT_TRUE(exact.m_bExact);
        const LevelEstimate early = Survey(score, true, 0.05, steps, seed);
        EXPECT_FALSE(early.m_bExact);
        std::cout << "Seed " << seed << " at 5 %: " << Db(early.m_dGain) << " dB; exact " << Db(exact.m_dGain)
                  << " dB\n";
        EXPECT_NEAR(Db(early.m_dGain), Db(exact.m_dGain), 1.0) << "seed " << seed;
    }
}
