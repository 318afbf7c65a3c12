// The forecast of a track's level from its grain schedule, against the
// track rendered: it ranks the stretches as their rendered level does, finds
// the loudest among its first few, and is the same made in parts or at once;
// and the order the level survey takes stretches in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "engine/source/source_loudness.h"
#include "live_session/level_pilot.h"
#include "live_session/session_score.h"
#include "live_session/sparse_picks.h"
#include "tests/engine/seek/seek_scores.h"
#include "tests/support/noise_at_levels.h"

namespace {

constexpr std::uint64_t kStretch = 4410;

// Ten seconds of noise, quiet for three and a half seconds and then loud
// (25 dB more) for half a second, over and over.
std::vector<StereoFrame> SteppedNoise()
{
    return NoiseAtLevels(441000, 777, [](std::size_t i) { return i % 176400 < 154350 ? 0.05f : 0.9f; });
}

// A minute of one light layer reading it, its gain moving by 12 dB.
Score LightScore()
{
    Score score;
    score.m_nLengthSeconds = 60;
    ScoreLayer layer;
    layer.m_strSourcePath = "tones";
    layer.m_values.Set(ParameterId::Density, 500);
    layer.m_values.Set(ParameterId::GrainLength, 80);
    layer.m_values.Set(ParameterId::Segment, 3);
    Keyframe from;
    from.m_dSeconds = 0;
    from.m_gainDb = -12.0;
    Keyframe to;
    to.m_dSeconds = 60;
    to.m_gainDb = 0.0;
    layer.m_keyframes = {from, to};
    score.m_layers = {layer};
    return score;
}

std::vector<float> RenderedEnergies(const Score& score, std::span<const StereoFrame> source)
{
    const std::uint64_t frames = TrackFramesOf(score);
    const std::unique_ptr<ScorePiece> piece = MakePiece(score, source, 0, frames);
    const std::vector<StereoFrame> sound = Synthesise(*piece, frames);
    std::vector<float> energies((frames + kStretch - 1) / kStretch, 0.0f);
    for (std::size_t i = 0; i < sound.size(); ++i)
        energies[i / kStretch] += sound[i].left * sound[i].left + sound[i].right * sound[i].right;
    return energies;
}

// Ten seconds of a low tone (60 Hz) and then ten of a high one (4 kHz), as
// loud as each other: K-weighting hears the high one some 5 dB louder.
std::vector<StereoFrame> LowThenHigh()
{
    std::vector<StereoFrame> sound(882000);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const auto value = static_cast<float>(0.5 * std::sin(2 * M_PI * (i < 441000 ? 60.0 : 4000.0) * t));
        sound[i] = {value, value};
    }
    return sound;
}

// The K-weighted energy of each stretch of the track rendered.
std::vector<float> RenderedLoudness(const Score& score, std::span<const StereoFrame> source)
{
    const std::uint64_t frames = TrackFramesOf(score);
    const std::unique_ptr<ScorePiece> piece = MakePiece(score, source, 0, frames);
    const SourceLoudness weighted(Synthesise(*piece, frames));
    std::vector<float> energies(weighted.Blocks());
    for (std::size_t b = 0; b < energies.size(); ++b)
        energies[b] = static_cast<float>(weighted.BlockEnergy(b) * kStretch);
    return energies;
}

double Db(double energy)
{
    return 10.0 * std::log10(std::max(energy, 1e-30));
}

// The correlation of the two in dB, over the stretches.
double CorrelationDb(std::span<const float> a, std::span<const float> b)
{
    double meanA = 0.0;
    double meanB = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        meanA += Db(a[i]) / static_cast<double>(a.size());
        meanB += Db(b[i]) / static_cast<double>(b.size());
    }
    double ab = 0.0;
    double aa = 0.0;
    double bb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += (Db(a[i]) - meanA) * (Db(b[i]) - meanB);
        aa += (Db(a[i]) - meanA) * (Db(a[i]) - meanA);
        bb += (Db(b[i]) - meanB) * (Db(b[i]) - meanB);
    }
    return ab / std::sqrt(aa * bb);
}

// How widely a's level differs from b's, stretch by stretch: the standard
// deviation of the difference in dB.
double SpreadDb(std::span<const float> a, std::span<const float> b)
{
    double mean = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        mean += (Db(a[i]) - Db(b[i])) / static_cast<double>(a.size());
    double variance = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        variance += std::pow(Db(a[i]) - Db(b[i]) - mean, 2.0) / static_cast<double>(a.size() - 1);
    return std::sqrt(variance);
}

}  // namespace

TEST(LevelPilot, TheForecastRanksStretchesAsTheirRenderedLevelAndFindsTheLoudest)
{
    const std::vector<StereoFrame> source = SteppedNoise();
    const Score score = LightScore();
    const std::uint64_t frames = TrackFramesOf(score);
    const std::vector<float> rendered = RenderedEnergies(score, source);

    const std::unique_ptr<ScorePiece> piece = MakePiece(score, source, 0, frames);
    LevelPilot pilot(*piece, frames, kStretch);
    ASSERT_TRUE(pilot.Reach(frames, [] { return true; }));
    ASSERT_TRUE(pilot.IsComplete());
    ASSERT_EQ(pilot.Energies().size(), rendered.size());
    // Grains interfere, which the forecast leaves out: the levels follow
    // each other closely, not exactly.
    const double correlation = CorrelationDb(pilot.Energies(), rendered);
    std::cout << "Forecast and rendered level in dB correlate by " << correlation << "\n";
    EXPECT_GT(correlation, 0.9);
    // The loudest rendered stretch is among the forecast's loudest 2 %.
    const auto loudest = static_cast<std::uint32_t>(std::max_element(rendered.begin(), rendered.end()) - rendered.begin());
    const std::vector<std::uint32_t> order = LoudestFirst(pilot.Energies(), rendered.size() / 50);
    EXPECT_NE(std::find(order.begin(), order.end(), loudest), order.end());
    // Sorted loudest first.
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end(), [&pilot](std::uint32_t a, std::uint32_t b) {
        return pilot.Energies()[a] > pilot.Energies()[b];
    }));
}

TEST(LevelPilot, AForecastMadeInPartsIsTheForecastMadeAtOnceAndStopsWhenTold)
{
    const std::vector<StereoFrame> source = SteppedNoise();
    const Score score = LightScore();
    const std::uint64_t frames = TrackFramesOf(score);
    const std::unique_ptr<ScorePiece> piece = MakePiece(score, source, 0, frames);

    LevelPilot whole(*piece, frames, kStretch);
    ASSERT_TRUE(whole.Reach(frames, [] { return true; }));
    LevelPilot parts(*piece, frames, kStretch);
    for (std::uint64_t part = 1; part <= 7; ++part) {
        ASSERT_TRUE(parts.Reach(frames * part / 7, [] { return true; }));
        EXPECT_EQ(parts.IsComplete(), part == 7);
    }
    EXPECT_EQ(parts.GrainsDecided(), whole.GrainsDecided());
    EXPECT_TRUE(std::equal(parts.Energies().begin(), parts.Energies().end(), whole.Energies().begin()));

    LevelPilot stopped(*piece, frames, kStretch);
    EXPECT_FALSE(stopped.Reach(frames, [] { return false; }));
    EXPECT_FALSE(stopped.IsComplete());
    EXPECT_LT(stopped.GrainsDecided(), whole.GrainsDecided());
}

// Loudness weights frequencies unevenly: the K-weighted forecast follows the
// rendered loudness of stretches reading a low tone and a high one, where
// the plain forecast takes them as equally loud.
TEST(LevelPilot, TheLoudnessForecastWeightsTheSourceAsLoudnessDoes)
{
    const std::vector<StereoFrame> source = LowThenHigh();
    const Score score = LightScore();
    const std::uint64_t frames = TrackFramesOf(score);
    const std::vector<float> rendered = RenderedLoudness(score, source);
    const std::unique_ptr<ScorePiece> piece = MakePiece(score, source, 0, frames);
    LevelPilot pilot(*piece, frames, kStretch);
    ASSERT_TRUE(pilot.Reach(frames, [] { return true; }));
    ASSERT_EQ(pilot.LoudnessEnergies().size(), rendered.size());
    const double weighted = SpreadDb(pilot.LoudnessEnergies(), rendered);
    const double plain = SpreadDb(pilot.Energies(), rendered);
    std::cout << "Rendered loudness against the forecast's: spread " << weighted << " dB K-weighted, " << plain
              << " dB plain\n";
    EXPECT_LT(weighted, 0.7 * plain);
}

// In turn one of the even spread (0, 1/2, 1/4, 3/4, ... of the track) and
// one where the peak most likely lies: a neighbour of the loudest stretch
// seen, or once there is a forecast, its loudest stretch not yet seen.
TEST(SparsePicks, TheEvenSpreadTakesTurnsWithTheLoudestPlaces)
{
    SparsePicks picks(8);
    std::vector<std::uint64_t> passed;
    const auto pass = [&passed](std::uint64_t stretch) { passed.push_back(stretch); };
    const auto take = [&](double level) {
        const std::optional<SparsePicks::Pick> pick = picks.Next(pass);
        EXPECT_TRUE(pick);
        picks.Surveyed(pick->m_nStretch, level);
        return *pick;
    };
    SparsePicks::Pick pick = take(1.0);
    EXPECT_EQ(pick.m_nStretch, 0u);
    EXPECT_TRUE(pick.m_bEven);
    pick = take(1.0);
    EXPECT_EQ(pick.m_nStretch, 1u);  // the neighbour of stretch 0
    EXPECT_FALSE(pick.m_bEven);
    EXPECT_TRUE(take(5.0).m_bEven);  // 4
    picks.FollowForecast({1, 6, 4, 2});
    pick = take(1.0);
    EXPECT_EQ(pick.m_nStretch, 6u);  // the forecast's loudest unseen, not 4's neighbours
    EXPECT_FALSE(pick.m_bEven);
    EXPECT_EQ(take(1.0).m_nStretch, 2u);  // the spread's
    pick = take(1.0);
    EXPECT_EQ(pick.m_nStretch, 5u);  // the forecast spent: a neighbour of the loudest seen, 4
    EXPECT_FALSE(pick.m_bEven);
    // The spread has passed 6, 1 and 5, surveyed already, and counts them its own.
    EXPECT_EQ(take(1.0).m_nStretch, 3u);
    EXPECT_EQ(passed, (std::vector<std::uint64_t>{6, 1, 5}));
    EXPECT_EQ(take(1.0).m_nStretch, 7u);
    EXPECT_FALSE(picks.Next(pass));
    EXPECT_EQ(passed.back(), 7u);
}
