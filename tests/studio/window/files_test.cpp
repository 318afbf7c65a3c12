// The window's files and its troubles: a score the studio did not write is
// overwritten only after a question that says its comments go; closing with
// unsaved changes asks; edits of a studio that ended without saving come
// back; a refused score, a source that disappears and a missing sound device
// are said and leave the window usable.
#include <gtest/gtest.h>

#include <fstream>

#include "studio/app/transport_bar.h"
#include "studio/listening/listening.h"
#include "studio/model/lane_editing.h"
#include "tests/studio/window/studio_window_fixture.h"
#include "tests/support/wx_event_wait.h"

using namespace studio;

namespace {

// An edit anybody can see: the first layer's gain.
void EditGain(StudioFrame& frame, double decibels)
{
    const Score& score = frame.GetDocument().GetScore();
    ScoreLayer own = LayerOwnPart(score.m_layers[0]);
    own.m_dGainDb = decibels;
    frame.SubmitEdit(EditLayerOwn(score, 0, own, "Change gain"));
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST_F(StudioWindowTest, AScoreWrittenByHandIsOverwrittenOnlyAfterSayingItsCommentsGo)
{
    StudioFrame& frame = MakeWindow();
    const std::string path = SaveSampleScore("hand.toml", 10, true);
    const std::string byHand = "# my notes on this piece\n" + ReadText(path);
    std::ofstream(path) << byHand;
    Open(path);
    EditGain(frame, -4);
    m_answers.push_back(PromptAnswer::No);
    EXPECT_FALSE(frame.Save());
    ASSERT_EQ(m_prompts.size(), 1u);
    EXPECT_NE(m_prompts[0].m_strText.find("not written by Sonnelith Studio"), std::string::npos);
    EXPECT_NE(m_prompts[0].m_strDetail.find("comments"), std::string::npos);
    EXPECT_EQ(ReadText(path), byHand);
    m_answers.push_back(PromptAnswer::Yes);
    EXPECT_TRUE(frame.Save());
    EXPECT_EQ(ReadText(path).find("my notes"), std::string::npos);
    // Its own writing is saved over without a word.
    EditGain(frame, -5);
    EXPECT_TRUE(frame.Save());
    EXPECT_EQ(m_prompts.size(), 2u);
}

TEST_F(StudioWindowTest, ClosingWithUnsavedChangesAsksAndCancelKeepsTheWindow)
{
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 10, true));
    EditGain(frame, -2);
    m_answers.push_back(PromptAnswer::Cancel);
    EXPECT_FALSE(frame.Close());
    ASSERT_EQ(m_prompts.size(), 1u);
    EXPECT_EQ(m_prompts[0].m_kind, PromptKind::SaveChanges);
    EXPECT_TRUE(frame.IsShown());
    // Undone back to the file: nothing to ask.
    frame.GetCommands().Undo();
    EXPECT_FALSE(frame.GetDocument().IsModified());
    EXPECT_TRUE(frame.ConfirmDiscard("closing"));
    EXPECT_EQ(m_prompts.size(), 1u);
}

TEST_F(StudioWindowTest, EditsOfAStudioThatEndedWithoutSavingComeBack)
{
    StudioFrame& first = MakeWindow();
    const std::string path = SaveSampleScore("piece.toml", 10, true);
    Open(path);
    EditGain(first, -9);
    first.KeepForRecovery();
    // Gone without closing, as a killed program goes: its lock goes with it.
    first.Destroy();
    m_pFrame = nullptr;
    PumpFor(100);
    StudioFrame& next = MakeWindow();
    m_answers.push_back(PromptAnswer::Yes);
    next.OfferRecovery();
    ASSERT_EQ(m_prompts.size(), 1u);
    EXPECT_NE(m_prompts[0].m_strText.find("piece.toml"), std::string::npos);
    ASSERT_TRUE(next.GetDocument().HasLayers());
    EXPECT_EQ(next.GetDocument().GetScore().m_layers[0].m_dGainDb, -9);
    EXPECT_EQ(next.GetDocument().GetPath(), path);
    EXPECT_TRUE(next.GetDocument().IsModified());
    // Saved, nothing is left to recover.
    EXPECT_TRUE(next.Save());
    EXPECT_TRUE(next.GetRecovery().FindLeftBehind().empty());
}

TEST_F(StudioWindowTest, ARefusedScoreIsShownWithItsLineAndTheWindowGoesOn)
{
    StudioFrame& frame = MakeWindow();
    std::ofstream(m_folder.File("bad.toml")) << "length = \"1:00\"\n[[layer]]\nsource = \"sample.wav\"\ndensity = 0\n";
    Open(m_folder.File("bad.toml"));
    ASSERT_EQ(m_prompts.size(), 1u);
    EXPECT_EQ(m_prompts[0].m_kind, PromptKind::Error);
    EXPECT_NE(m_prompts[0].m_strText.find("bad.toml:4"), std::string::npos) << m_prompts[0].m_strText;
    Open(SaveSampleScore("good.toml", 10, true));
    EXPECT_TRUE(frame.GetDocument().HasLayers());
}

TEST_F(StudioWindowTest, ASourceThatDisappearsIsSaidAndComingBackIsHeardAgain)
{
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 10, true));
    const LiveRender& render = frame.GetListening().GetRender();
    std::filesystem::rename(m_folder.File("sample.wav"), m_folder.File("away.wav"));
    EditGain(frame, -1);
    ASSERT_TRUE(WaitUntil([&] { return render.GetProblem().has_value(); }));
    EXPECT_NE(render.GetProblem()->find("sample.wav"), std::string::npos) << *render.GetProblem();
    EXPECT_TRUE(WaitUntil([&] { return frame.GetTransport().GetStateText().Contains("sample.wav"); }));
    std::filesystem::rename(m_folder.File("away.wav"), m_folder.File("sample.wav"));
    EditGain(frame, -2);
    EXPECT_TRUE(WaitUntil([&] { return !render.GetProblem().has_value(); }));
}

TEST_F(StudioWindowTest, WithoutASoundDeviceTheWindowSaysSoAndEverythingElseWorks)
{
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 10, true));
    if (!frame.GetListening().GetDeviceProblem())
        GTEST_SKIP() << "this machine has a sound device";
    EXPECT_TRUE(WaitUntil([&] { return frame.GetTransport().GetStateText().StartsWith("No sound device"); }));
    frame.PlayPause();
    frame.PlayPause();
    EditGain(frame, -3);
    EXPECT_TRUE(frame.SaveTo(m_folder.File("saved.toml")));
}
