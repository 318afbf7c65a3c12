// The progress window: its layout, its opening, and whole runs of the real
// engine inside it, completed, cancelled and not cancelled.
#include "ui/dialog_template/dialog_units.h"
#include "tests/support/external_tool.h"
#include "ui/message_box/message_box_codes.h"
#include "engine/parameters/parameter_table.h"
#include "ui/progress/progress_dialog.h"
#include "ui/progress/progress_template.h"
#include "resources/strings/string_table.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/ui/support/window_test_support.h"

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <thread>
#include <utility>

namespace {

using Phase = GenerationHost::Phase;

constexpr int kOutputSeconds = 20;
constexpr std::uint32_t kOutputFrames = kOutputSeconds * 44100;

// Records what the run shows and lets a test act at each pump.
class ProbeProgressDialog : public ProgressDialog {
public:
    struct BarCall {
        Phase phase;
        int percent;
        wxString writtenText;  // "Written so far" when the bar was set
        bool shown;            // whether the window was on the screen then
        bool duringRun;        // set by the run, not by the opening
    };

    std::function<void(ProbeProgressDialog&)> m_onPump;
    std::vector<BarCall> m_bars;
    std::vector<std::string> m_writtenTexts;
    int m_nPumps = 0;
    bool m_bRunReported = false;  // the run has sent an event
    bool m_bStop = false;         // answer no to the run, as a watchdog would

    void ReportProgress(const Progress& progress) override
    {
        m_bRunReported = true;
        ProgressDialog::ReportProgress(progress);
    }
    void EndPhase(Phase phase) override
    {
        m_bRunReported = true;
        ProgressDialog::EndPhase(phase);
    }
    bool KeepGoing() override { return ProgressDialog::KeepGoing() && !m_bStop; }
    void SetBarPosition(Phase phase, int percent) override
    {
        ProgressDialog::SetBarPosition(phase, percent);
        m_bars.push_back({phase, percent, TextOf(IDC_WRITTEN_SIZE), IsShown(), m_bRunReported});
    }
    void SetWrittenSizeText(const std::string& text) override
    {
        ProgressDialog::SetWrittenSizeText(text);
        m_writtenTexts.push_back(text);
    }
    int PumpMessages() override
    {
        ++m_nPumps;
        if (m_onPump)
            m_onPump(*this);
        return ProgressDialog::PumpMessages();
    }

    wxString TextOf(int id) { return dynamic_cast<wxStaticText*>(FindWindow(id))->GetLabel(); }
    int BarOf(int id) { return dynamic_cast<wxGauge*>(FindWindow(id))->GetValue(); }
    // A click on Cancel, delivered when the queue is next served.
    void QueueCancelClick()
    {
        wxWindow* button = FindWindow(wxID_CANCEL);
        auto* click = new wxCommandEvent(wxEVT_BUTTON, wxID_CANCEL);
        click->SetEventObject(button);
        button->GetEventHandler()->QueueEvent(click);
    }
};

class ProgressRunTest : public testing::Test {
protected:
    ProgressRunTest()
    {
        WriteToneWav(m_inputPath, 2 * 44100);
        // Light settings, so a 20-second output takes a fraction of a second.
        GenerationSettings settings;
        ApplyParameters(ParameterValues()
                            .With(ParameterId::Segment, 1)
                            .With(ParameterId::Density, 2000)
                            .With(ParameterId::GrainLength, 50)
                            .With(ParameterId::Fade, 1),
                        settings);
        settings.m_strInputPath = m_inputPath;
        settings.m_strOutputPath = m_outputPath;
        settings.m_nDurationSeconds = kOutputSeconds;
        m_dialog.GetRun().SetSettings(settings);
    }

    // Runs the window to its end; a watchdog stops a hanging run.
    int RunWindow()
    {
        wxTimer watchdog;
        watchdog.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            ADD_FAILURE() << "the run did not end in time";
            m_dialog.m_bStop = true;
        });
        watchdog.StartOnce(60000);
        return m_dialog.ShowModal();
    }

    // Destroys the window and its run, which closes any file left open.
    void DestroyWindow() { m_pDialog.reset(); }

    std::uintmax_t OutputSize() const
    {
        std::error_code error;
        const auto size = std::filesystem::file_size(m_outputPath, error);
        return error ? 0 : size;
    }

    // Checks the output with sox: 16-bit stereo at 44100 Hz with frames frames.
    void ExpectValidOutput(std::uint32_t frames)
    {
        const std::vector<unsigned char> bytes = ReadWholeFile(m_outputPath);
        ASSERT_EQ(bytes.size(), 44u + 4u * frames);
        EXPECT_EQ(ReadHeaderSizes(bytes).m_nRiff, 36u + 4u * frames);
        if (!ToolAvailable("soxi"))
            GTEST_SKIP() << "soxi is not installed";
        const std::pair<const char*, std::string> facts[] = {
            {"-c", "2"}, {"-r", "44100"}, {"-b", "16"}, {"-s", std::to_string(frames)}};
        for (const auto& [option, value] : facts)
            EXPECT_EQ(RunTool(std::string("soxi ") + option + " " + ShellQuote(m_outputPath)).output, value + "\n");
    }

    // Clicks Cancel once, at the first pump where condition holds.
    void CancelOnceWhen(std::function<bool()> condition)
    {
        m_dialog.m_onPump = [condition, clicked = false](ProbeProgressDialog& dialog) mutable {
            if (!clicked && (clicked = condition()))
                dialog.QueueCancelClick();
        };
    }

    static int AnswerQuestionWith(const MessageBoxRequest& request, int answer)
    {
        return (request.m_nStyle & MB_TYPEMASK) == MB_YESNO ? answer : IDOK;
    }

    TempDir m_dir;
    std::string m_inputPath = m_dir.File("input.wav");
    std::string m_outputPath = m_dir.File("output.wav");
    std::unique_ptr<ProbeProgressDialog> m_pDialog = std::make_unique<ProbeProgressDialog>();
    // Not to be used after DestroyWindow.
    ProbeProgressDialog& m_dialog = *m_pDialog;
};

const std::string kQuestion = LoadResourceString(IDS_CONFIRM_CANCEL);
const std::string kSuccess = LoadResourceString(IDS_GENERATION_DONE);

}  // namespace

TEST(ProgressWindowLayout, HasItsCaptionSizeAndControlsAtTheirConvertedPlaces)
{
    ProgressDialog dialog;
    EXPECT_EQ(dialog.GetTitle(), "Generating Ambient Sound");
    EXPECT_EQ(dialog.GetClientSize(), wxSize(405, 275));
    for (const TemplateControl& control : kProgressControls) {
        SCOPED_TRACE(control.m_nId);
        wxWindow* child = dialog.FindWindow(control.m_nId);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->GetRect(), DialogUnitsToPixels(control.m_rect));
        if (control.m_kind != ControlKind::ProgressBar) {
            EXPECT_EQ(child->GetLabel().utf8_string(), control.m_pszText);
        }
    }
    // Worked by hand from the layout's dialog units.
    EXPECT_EQ(dialog.FindWindow(IDC_LOADING_BAR)->GetRect(), wxRect(162, 20, 221, 18));
    EXPECT_EQ(dialog.FindWindow(wxID_CANCEL)->GetRect(), wxRect(165, 231, 75, 23));
}

TEST_F(ProgressRunTest, OpeningZeroesTheDisplaysAndACancelBeforeTheStartAsksNothing)
{
    MessageBoxRecorder boxes;
    bool runStartedEarly = true;
    bool openedLikeThis = false;
    m_dialog.CallAfter([&] {
        runStartedEarly = m_dialog.m_bRunReported || m_dialog.m_nPumps > 0;
        openedLikeThis = m_dialog.BarOf(IDC_LOADING_BAR) == 0 && m_dialog.BarOf(IDC_GENERATING_BAR) == 0 &&
                         m_dialog.BarOf(IDC_WRITING_BAR) == 0 && m_dialog.TextOf(IDC_LOADING_PERCENT) == "0%" &&
                         m_dialog.TextOf(IDC_GENERATING_PERCENT) == "0%" &&
                         m_dialog.TextOf(IDC_WRITING_PERCENT) == "0%" && m_dialog.TextOf(IDC_TIME_LEFT) == "..." &&
                         m_dialog.TextOf(IDC_WRITTEN_SIZE) == "Processing...";
        m_dialog.QueueCancelClick();
        m_dialog.Close();
        PumpEvents();
    });

    EXPECT_EQ(RunWindow(), wxID_CANCEL);

    ASSERT_FALSE(runStartedEarly) << "the start timer fired before the test could look";
    EXPECT_TRUE(openedLikeThis);
    // Neither the Cancel button nor the close box asked; the run then went on to its end.
    EXPECT_EQ(boxes.CountOf(kQuestion), 0);
    EXPECT_EQ(boxes.CountOf(kSuccess), 1);
}

TEST_F(ProgressRunTest, ACompleteRunShowsTheSuccessMessageAndWritesAValidFile)
{
    bool shownDuringMessage = false;
    MessageBoxRecorder boxes([&](const MessageBoxRequest& request) {
        shownDuringMessage = m_dialog.IsShown();
        return request.m_pParent == &m_dialog ? IDOK : IDNO;
    });

    EXPECT_EQ(RunWindow(), wxID_CANCEL);

    ASSERT_EQ(boxes.Requests().size(), 1u);
    const MessageBoxRequest& box = boxes.Requests()[0];
    EXPECT_EQ(box.m_strText, kSuccess);
    EXPECT_EQ(box.m_nStyle, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(box.m_strCaption, "gui_tests");
    EXPECT_TRUE(shownDuringMessage);
    EXPECT_FALSE(m_dialog.IsShown());
    for (int bar : {IDC_LOADING_BAR, IDC_GENERATING_BAR, IDC_WRITING_BAR})
        EXPECT_EQ(m_dialog.BarOf(bar), 100) << bar;
    for (int text : {IDC_LOADING_PERCENT, IDC_GENERATING_PERCENT, IDC_WRITING_PERCENT})
        EXPECT_EQ(m_dialog.TextOf(text), "100%") << text;
    ExpectValidOutput(kOutputFrames);
}

TEST_F(ProgressRunTest, TheRefreshTimerShowsProgressMidPhaseAndTheSizeOnlyWhileWriting)
{
    MessageBoxRecorder boxes;
    // Slowed down to a few seconds, so the 500 ms refresh timer ticks in every long phase.
    bool screenshot = false;
    m_dialog.m_onPump = [&](ProbeProgressDialog& dialog) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        if (!screenshot && dialog.m_writtenTexts.size() >= 2) {
            SaveScreenshot(dialog, "progress-window-writing");
            screenshot = true;
        }
    };

    RunWindow();

    EXPECT_EQ(boxes.CountOf(kSuccess), 1);
    bool midPhaseRefresh = false;
    for (const auto& call : m_dialog.m_bars) {
        if (!call.duringRun)
            continue;
        midPhaseRefresh = midPhaseRefresh || (call.percent > 0 && call.percent < 100);
        if (call.phase != Phase::Writing) {
            EXPECT_EQ(call.writtenText, "Processing...") << "at " << call.percent << "%";
        }
    }
    EXPECT_TRUE(midPhaseRefresh);
    // "Processing..." at the opening, then sizes from the writing phase's refreshes.
    ASSERT_GE(m_dialog.m_writtenTexts.size(), 2u);
    EXPECT_EQ(m_dialog.m_writtenTexts[0], "Processing...");
    for (std::size_t i = 1; i < m_dialog.m_writtenTexts.size(); ++i)
        EXPECT_TRUE(std::regex_match(m_dialog.m_writtenTexts[i], std::regex("[0-9]+ MB"))) << m_dialog.m_writtenTexts[i];
}

TEST_F(ProgressRunTest, YesWhileGeneratingStopsWithABareHeaderAndNoMessage)
{
    MessageBoxRecorder boxes([](const MessageBoxRequest& request) { return AnswerQuestionWith(request, IDYES); });
    CancelOnceWhen([this] { return m_dialog.BarOf(IDC_LOADING_BAR) == 100; });

    EXPECT_EQ(RunWindow(), wxID_CANCEL);

    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].m_strText, kQuestion);
    EXPECT_EQ(boxes.Requests()[0].m_nStyle, MB_YESNO | MB_ICONQUESTION);
    // The cut phase's bar still ends at 100 while the window is open; the
    // phase that never ran stays at 0.
    ASSERT_FALSE(m_dialog.m_bars.empty());
    const auto& last = m_dialog.m_bars.back();
    EXPECT_TRUE(last.phase == Phase::Generating && last.percent == 100 && last.shown);
    EXPECT_EQ(m_dialog.TextOf(IDC_GENERATING_PERCENT), "100%");
    EXPECT_EQ(m_dialog.TextOf(IDC_WRITING_PERCENT), "0%");
    // The output stays open until the window is destroyed; then it is the
    // bare header.
    DestroyWindow();
    const std::vector<unsigned char> bytes = ReadWholeFile(m_outputPath);
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(ReadHeaderSizes(bytes).m_nData, 0u);
}

TEST_F(ProgressRunTest, YesWhileWritingLeavesAShorterValidFile)
{
    MessageBoxRecorder boxes([](const MessageBoxRequest& request) { return AnswerQuestionWith(request, IDYES); });
    CancelOnceWhen([this] { return OutputSize() > 44; });  // frames reach the disk only while writing

    EXPECT_EQ(RunWindow(), wxID_CANCEL);

    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].m_strText, kQuestion);
    const std::uintmax_t size = OutputSize();
    ASSERT_GT(size, 44u);
    ASSERT_LT(size, 44u + 4u * kOutputFrames);
    EXPECT_EQ(m_dialog.TextOf(IDC_WRITING_PERCENT), "100%");
    ExpectValidOutput(static_cast<std::uint32_t>((size - 44) / 4));
}

TEST_F(ProgressRunTest, NoLetsTheRunGoOnAndEnterAndEscapeMeanNothing)
{
    MessageBoxRecorder boxes([](const MessageBoxRequest& request) { return AnswerQuestionWith(request, IDNO); });
    KeyHookWatcher keys;
    wxUIActionSimulator simulator;
    // Slowed down so that real input arrives while the run goes on.
    m_dialog.m_onPump = [&](ProbeProgressDialog& dialog) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (dialog.m_nPumps == 5) {
            simulator.MouseMove(dialog.ClientToScreen(wxPoint(20, 20)));
            simulator.Char(WXK_RETURN);
            simulator.Char(WXK_ESCAPE);
        } else if (dialog.m_nPumps == 150) {
            const wxRect cancel = dialog.FindWindow(wxID_CANCEL)->GetRect();
            simulator.MouseMove(dialog.ClientToScreen(cancel.GetPosition() + wxPoint(cancel.width / 2, cancel.height / 2)));
            simulator.MouseClick();
        } else if (dialog.m_nPumps == 600) {
            dialog.Close();  // the close box
        }
    };

    EXPECT_EQ(RunWindow(), wxID_CANCEL);

    EXPECT_TRUE(keys.Saw(WXK_RETURN));
    EXPECT_TRUE(keys.Saw(WXK_ESCAPE));
    EXPECT_EQ(boxes.CountOf(kQuestion), 2);
    EXPECT_EQ(boxes.CountOf(kSuccess), 1);
    ExpectValidOutput(kOutputFrames);
}
