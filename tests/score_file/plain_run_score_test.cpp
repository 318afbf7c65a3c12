// The score of a plain run: one layer of the run's values, the whole score's
// values from the run, the source named from the score's folder, and a text
// that reads back to it.
#include <gtest/gtest.h>

#include <filesystem>

#include "score_file/plain_run_score.h"
#include "score_file/score_writing.h"
#include "tests/score_file/score_test_folder.h"

namespace {

PlainRun SomeRun(const std::string& input)
{
    PlainRun run;
    run.m_strInputPath = input;
    run.m_values = ParameterValues()
                       .With(ParameterId::Volume, 70)
                       .With(ParameterId::Fade, 5)
                       .With(ParameterId::Density, 2050)
                       .With(ParameterId::Pitch, -7.5)
                       .With(ParameterId::LowCut, 20);
    run.m_values.SetPitchSet({0, 12});
    run.m_nLengthSeconds = 3600;
    run.m_seed = 42;
    run.m_bLoop = true;
    run.m_loudness = -18;
    run.m_levelRange = 6;
    return run;
}

TEST(PlainRunScore, HoldsTheRunsValuesInOneLayer)
{
    const ScoreTestFolder folder;
    const PlainRun run = SomeRun(folder.Dir().File("tone.wav"));
    const Score score = ScoreOfPlainRun(run, folder.Dir().Path().string());
    EXPECT_EQ(score.m_nLengthSeconds, 3600);
    EXPECT_EQ(score.m_seed, 42u);
    EXPECT_EQ(score.m_nVolume, 70);
    EXPECT_EQ(score.m_nFadeSeconds, 5);
    EXPECT_TRUE(score.m_bLoop);
    EXPECT_EQ(score.m_loudness, -18.0);
    EXPECT_EQ(score.m_levelRange, 6.0);
    ASSERT_EQ(score.m_layers.size(), 1u);
    const ScoreLayer& layer = score.m_layers[0];
    EXPECT_EQ(layer.m_strSource, "tone.wav");
    EXPECT_EQ(layer.m_values.Get(ParameterId::Density), 2050);
    EXPECT_EQ(layer.m_values.Get(ParameterId::Pitch), -7.5);
    EXPECT_EQ(layer.m_values.Get(ParameterId::LowCut), 20);
    EXPECT_EQ(layer.m_values.GetPitchSet(), (std::vector<double>{0, 12}));
    // The volume and the fade are the score's, not the layer's.
    EXPECT_EQ(layer.m_values.Get(ParameterId::Volume), ParameterValues().Get(ParameterId::Volume));
    EXPECT_TRUE(layer.m_keyframes.empty());
    EXPECT_TRUE(layer.m_drift.empty());
    EXPECT_EQ(folder.Accepted(WriteScoreText(score)), score);
}

TEST(PlainRunScore, TheSourceIsNamedFromTheScoresFolder)
{
    const ScoreTestFolder folder;
    std::filesystem::create_directories(folder.Dir().Path() / "scores" / "sounds");
    const std::string scores = folder.Dir().File("scores");
    EXPECT_EQ(SourceNameFrom(scores, folder.Dir().File("scores/sounds/wind.wav")), "sounds/wind.wav");
    EXPECT_EQ(SourceNameFrom(scores, folder.Dir().File("scores/wind.wav")), "wind.wav");
    // Outside the score's folder: where it is.
    EXPECT_EQ(SourceNameFrom(scores, folder.Dir().File("tone.wav")), folder.Dir().File("tone.wav"));
    EXPECT_EQ(SourceNameFrom(scores, folder.Dir().File("scores/../tone.wav")), folder.Dir().File("tone.wav"));
    // A relative input and score folder, both from the current folder.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(folder.Dir().Path());
    EXPECT_EQ(SourceNameFrom("scores", "scores/sounds/wind.wav"), "sounds/wind.wav");
    EXPECT_EQ(SourceNameFrom("", "tone.wav"), "tone.wav");
    std::filesystem::current_path(here);
}

TEST(PlainRunScore, ReadsBackFromAnotherFolder)
{
    const ScoreTestFolder folder;
    std::filesystem::create_directories(folder.Dir().Path() / "scores");
    const std::string scores = folder.Dir().File("scores");
    const Score score = ScoreOfPlainRun(SomeRun(folder.Dir().File("tone.wav")), scores);
    const ScoreReading reading = ParseScoreText(WriteScoreText(score), "saved.toml", scores);
    ASSERT_TRUE(reading.m_score) << reading.m_strError;
    EXPECT_EQ(*reading.m_score, score);
    const std::string& found = reading.m_score->m_layers[0].m_strSourcePath;
    EXPECT_TRUE(std::filesystem::equivalent(found, folder.Dir().File("tone.wav")));
}

}  // namespace
