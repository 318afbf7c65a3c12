// "Render..." writes the very bytes sonnelith-cli writes for the saved score,
// the score stored inside; a render the command line refuses shows its
// message with the score's line; a cancel leaves nothing.
#include <gtest/gtest.h>

#include "studio/render/render_dialog.h"
#include "tests/studio/studio_test_support.h"
#include "tests/studio/window/studio_window_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wx_event_wait.h"

using namespace studio;

namespace {

RenderOutcome RenderWith(StudioFrame& frame, const RenderChoices& choices)
{
    const ScoreDocument& document = frame.GetDocument();
    auto* dialog = new RenderDialog(&frame, document.GetScore(), document.GetSeed(), document.GetTitle(), choices);
    dialog->Show();
    EXPECT_TRUE(dialog->StartRender());
    EXPECT_TRUE(WaitUntil([&] { return !dialog->IsRendering(); }, 60000));
    const RenderOutcome outcome = dialog->GetOutcome();
    dialog->Destroy();
    PumpFor(20);
    return outcome;
}

}  // namespace

TEST_F(StudioWindowTest, RenderWritesTheCommandLinesBytesForTheSavedScore)
{
    StudioFrame& frame = MakeWindow();
    const std::string path = SaveSampleScore("piece.toml", 6, true);
    Open(path);
    // Saved unchanged, in the studio's own layout: the same score.
    ASSERT_TRUE(frame.SaveTo(path));
    for (const auto& [name, bits] : {std::pair<std::string, int>{"studio.wav", 16}, {"studio.flac", 24}}) {
        RenderChoices choices = ChoicesOf(frame.GetDocument().GetScore(), m_folder.File(name));
        choices.m_nBits = bits;
        const RenderOutcome outcome = RenderWith(frame, choices);
        ASSERT_TRUE(outcome.m_bWritten) << outcome.m_strReport;
        const std::string cli = m_folder.File("cli" + std::filesystem::path(name).extension().string());
        ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {path, "-o", cli, "--bits", std::to_string(bits), "-q"}), 0);
        // Renamed to the studio's name: a stored score names its sources from
        // the output's folder, not by the output's name.
        EXPECT_EQ(ReadWholeFile(m_folder.File(name)), ReadWholeFile(cli)) << name;
    }
    // Every delivery choice changed at once: the command line given the same
    // options writes the same bytes, the score stored inside holding them.
    RenderChoices choices = ChoicesOf(frame.GetDocument().GetScore(), m_folder.File("delivered.w64"));
    choices.m_nBits = 24;
    choices.m_nRate = 48000;
    choices.m_nVolume = 80;
    choices.m_loudness = -23.0;
    choices.m_levelRange = 6.0;
    choices.m_nLengthSeconds = 5;
    choices.m_bLoop = true;
    const RenderOutcome outcome = RenderWith(frame, choices);
    ASSERT_TRUE(outcome.m_bWritten) << outcome.m_strReport;
    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {path, "-o", m_folder.File("cli.w64"), "--bits", "24", "--rate", "48000",
                                              "--volume", "80", "--loudness", "-23", "--level-range", "6",
                                              "--length", "0:05", "--loop", "-q"}),
              0);
    EXPECT_EQ(ReadWholeFile(m_folder.File("delivered.w64")), ReadWholeFile(m_folder.File("cli.w64")));
}

TEST_F(StudioWindowTest, ARefusedRenderShowsTheCommandLinesMessageWithTheLine)
{
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 6, true));
    const RenderChoices choices = ChoicesOf(frame.GetDocument().GetScore(), m_folder.File("out.wav"));
    // Its source gone: the command line refuses the score at the source's line.
    std::filesystem::rename(m_folder.File("sample.wav"), m_folder.File("away.wav"));
    const RenderOutcome outcome = RenderWith(frame, choices);
    std::filesystem::rename(m_folder.File("away.wav"), m_folder.File("sample.wav"));
    EXPECT_FALSE(outcome.m_bWritten);
    EXPECT_NE(outcome.m_strReport.find("piece.toml:"), std::string::npos) << outcome.m_strReport;
    EXPECT_EQ(outcome.m_strReport.find("sonnelith-studio-"), std::string::npos) << "the temporary copy is named";
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("out.wav")));
    ASSERT_FALSE(m_prompts.empty());
    EXPECT_EQ(m_prompts.back().m_kind, PromptKind::Error);
}
