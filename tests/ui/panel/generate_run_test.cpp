// From chosen files to a finished output in the real main window: the
// Generate command opens the progress window, which runs the generation.
#include <gtest/gtest.h>

#include "ui/controls/bitmap_slider.h"
#include "tests/support/external_tool.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/message_box/message_box_codes.h"
#include "ui/message_box/message_box_routine.h"
#include "tests/ui/panel/panel_test_support.h"
#include "resources/strings/string_table.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

namespace {

// Answers every message box with OK and keeps its text, for as long as it lives.
struct BoxLog {
    BoxLog()
        : m_previous(SetMessageBoxRoutine([this](const MessageBoxRequest& request) {
              m_texts.push_back(request.m_strText);
              return IDOK;
          }))
    {
    }
    ~BoxLog() { SetMessageBoxRoutine(m_previous); }
    std::vector<std::string> m_texts;
    MessageBoxRoutine m_previous;
};

std::string Sox(const std::string& command)
{
    return RunTool(command + " 2>&1").output;
}

}  // namespace

TEST(GenerateRun, ChosenFilesSlidersAndLengthGiveAValidOutput)
{
    ASSERT_TRUE(ToolAvailable("soxi"));
    TempDir dir;
    const std::string input = dir.File("tone.wav");
    WriteToneWav(input, 44100 * 3, 22050);
    BoxLog boxes;
    PartsHost host(true);
    host.ChooseInput(input);
    host.ChooseOutput(dir.File("ambient"));
    // Shorter grains than the default, so a 3-second input is plenty; volume 80 %.
    SendKey(*host.Parts().GetPanel().GetSlider(IDC_GRAIN_LENGTH), WXK_HOME);
    for (int step = 0; step < 30; ++step)
        SendKey(*host.Parts().GetPanel().GetSlider(IDC_VOLUME), WXK_RIGHT);
    ASSERT_EQ(host.TextOf(IDC_VOLUME_VALUE), "80");

    host.Click(IDC_GENERATE);  // returns when the progress window has closed

    EXPECT_EQ(boxes.m_texts, std::vector<std::string>{LoadResourceString(IDS_GENERATION_DONE)});
    const std::string output = ShellQuote(dir.File("ambient.wav"));
    // Rate, channels, bits and frames: 15 s at 44100 Hz.
    EXPECT_EQ(Sox("soxi -r " + output) + Sox("soxi -c " + output) + Sox("soxi -b " + output) +
                  Sox("soxi -s " + output),
              "44100\n2\n16\n661500\n");
    // The peak is brought to the volume (80 % of full scale); the 3-second fades
    // at both ends can only lower it, and most of a 15 s sound lies between them.
    const std::string stat = Sox("sox " + output + " -n stat");
    const std::size_t at = stat.find("Maximum amplitude:");
    ASSERT_NE(at, std::string::npos) << stat;
    const double peak = std::stod(stat.substr(at + 18));
    EXPECT_LE(peak, 0.8001);
    EXPECT_GT(peak, 0.5);
    // The window is as it was.
    EXPECT_EQ(host.TextOf(IDC_OUTPUT_NAME), "ambient.wav");
    EXPECT_EQ(host.TextOf(IDC_GRAIN_LENGTH_VALUE), "50");
}

TEST(GenerateRun, ARefusedRunShowsItsMessageThroughTheProgramsBoxes)
{
    BoxLog boxes;
    PartsHost host(true);
    host.Click(IDC_GENERATE);
    EXPECT_EQ(boxes.m_texts, std::vector<std::string>{LoadResourceString(IDS_SELECT_INPUT)});
}
