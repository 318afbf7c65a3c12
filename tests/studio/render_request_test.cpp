// What "Render..." hands sonnelith-cli, and how a render in its own process
// is followed: its progress read from its terminal, its refusal with the
// score's line, its cancel leaving nothing.
#include <gtest/gtest.h>

#include <fstream>

#include <chrono>
#include <thread>

#include "score_file/score_writing.h"
#include "studio/model/render_request.h"
#include "studio/render/cli_render_job.h"
#include "tests/studio/studio_test_support.h"
#include "tests/support/temp_dir.h"

using namespace studio;

namespace {

RenderProgress WaitForEnd(CliRenderJob& job)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!job.IsDone() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return job.GetProgress();
}

}  // namespace

TEST(RenderRequest, TheChoicesGoIntoTheScoreAndOnlyDeliveryOnTheCommandLine)
{
    Score score = SampleScore();
    score.m_seed.reset();
    RenderChoices choices = ChoicesOf(score, "/tmp/out.flac");
    EXPECT_EQ(RenderArguments(choices, "s.toml"), (std::vector<std::string>{"s.toml", "-o", "/tmp/out.flac"}));
    choices.m_nBits = 24;
    choices.m_nRate = 48000;
    choices.m_loudness = -20;
    choices.m_nLengthSeconds = 90;
    EXPECT_EQ(RenderArguments(choices, "s.toml"),
              (std::vector<std::string>{"s.toml", "-o", "/tmp/out.flac", "--bits", "24", "--rate", "48000"}));
    const Score rendered = ScoreToRender(score, choices, 99);
    EXPECT_EQ(rendered.m_seed, 99u);  // the seed it was heard with
    EXPECT_EQ(rendered.m_loudness, -20.0);
    EXPECT_EQ(rendered.m_nLengthSeconds, 90);
    EXPECT_EQ(rendered.m_layers, score.m_layers);
    choices.m_nBits = 32;
    EXPECT_TRUE(RefuseChoices(choices).has_value());  // FLAC holds 16 or 24 bits
}

TEST(CliRenderJob, ReadsTheProgressLinesTheCommandLineDraws)
{
    EXPECT_EQ(CliRenderJob::ParseProgressLine("Generating sound    45%   time left 00:00:09"),
              (std::pair<std::string, int>("Generating sound", 45)));
    EXPECT_EQ(CliRenderJob::ParseProgressLine("Writing sound file  100%"),
              (std::pair<std::string, int>("Writing sound file", 100)));
    EXPECT_EQ(CliRenderJob::ParseProgressLine("Ambient sound generation completed successfully!"), std::nullopt);
}

TEST(CliRenderJob, ARenderIsFollowedToItsEndAndARefusalNamesTheLine)
{
    TempDir folder;
    const std::string score = folder.File("piece.toml");
    {
        std::ofstream(score) << WriteScoreText(SampleScore(4));
    }
    CliRenderJob job(SONNELITH_CLI_PATH, {score, "-o", folder.File("out.wav")});
    const RenderProgress done = WaitForEnd(job);
    EXPECT_EQ(done.m_nExitStatus, 0);
    EXPECT_EQ(done.m_strPhase, "Writing sound file");
    EXPECT_EQ(done.m_nPercent, 100);
    EXPECT_TRUE(std::filesystem::exists(folder.File("out.wav")));

    std::ofstream(folder.File("bad.toml")) << "[[layer]]\nsource = \"nowhere.wav\"\n";
    CliRenderJob refused(SONNELITH_CLI_PATH, {folder.File("bad.toml"), "-o", folder.File("bad.wav")});
    const RenderProgress answer = WaitForEnd(refused);
    EXPECT_EQ(answer.m_nExitStatus, 1);  // a source that cannot be read fails the run
    ASSERT_FALSE(answer.m_lines.empty());
    EXPECT_NE(answer.m_lines.back().find("bad.toml:2"), std::string::npos) << answer.m_lines.back();
}

TEST(CliRenderJob, ACancelEndsTheRenderAndLeavesNoFile)
{
    TempDir folder;
    const std::string score = folder.File("long.toml");
    {
        std::ofstream(score) << WriteScoreText(SampleScore(4 * 3600));
    }
    CliRenderJob job(SONNELITH_CLI_PATH, {score, "-o", folder.File("long.wav"), "--spill", "never"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (job.GetProgress().m_strPhase != "Generating sound" && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto asked = std::chrono::steady_clock::now();
    job.Cancel();
    const RenderProgress done = WaitForEnd(job);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(3));
    EXPECT_EQ(done.m_nExitStatus, 143);
    EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"long.toml"}));
}
