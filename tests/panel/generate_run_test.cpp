// From chosen files to a finished output in the real main window: the
// Generate command opens the progress window, which runs the generation.
#include <gtest/gtest.h>

#include "bitmap_slider.h"
#include "external_tool.h"
#include "main_window_ids.h"
#include "message_box.h"
#include "message_box_routine.h"
#include "panel_test_support.h"
#include "string_table.h"
#include "temp_dir.h"
#include "test_sounds.h"

namespace {

// Answers every message box with OK and keeps its text, for as long as it lives.
class BoxLog {
public:
    BoxLog()
    {
        m_previous = SetMessageBoxRoutine([this](const MessageBoxRequest& request) {
            m_texts.push_back(request.m_strText);
            return IDOK;
        });
    }
    ~BoxLog() { SetMessageBoxRoutine(m_previous); }
    BoxLog(const BoxLog&) = delete;
    BoxLog& operator=(const BoxLog&) = delete;

    std::vector<std::string> m_texts;

private:
    MessageBoxRoutine m_previous;
};

double PeakOf(const std::string& path)
{
    const ToolResult stat = RunTool("sox " + ShellQuote(path) + " -n stat 2>&1");
    const std::size_t at = stat.output.find("Maximum amplitude:");
    return at == std::string::npos ? -1.0 : std::stod(stat.output.substr(at + 18));
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
    BitmapSlider& volume = *host.Parts().GetPanel().GetSlider(IDC_VOLUME);
    for (int step = 0; step < 30; ++step)
        SendKey(volume, WXK_RIGHT);
    ASSERT_EQ(host.TextOf(IDC_VOLUME_VALUE), "80");

    host.Click(IDC_GENERATE);  // returns when the progress window has closed

    EXPECT_EQ(boxes.m_texts, std::vector<std::string>{LoadResourceString(IDS_GENERATION_DONE)});
    const std::string output = dir.File("ambient.wav");
    const auto soxi = [&output](const char* option) {
        return RunTool(std::string("soxi ") + option + " " + ShellQuote(output)).output;
    };
    EXPECT_EQ(soxi("-r"), "44100\n");
    EXPECT_EQ(soxi("-c"), "2\n");
    EXPECT_EQ(soxi("-b"), "16\n");
    EXPECT_EQ(soxi("-s"), "661500\n");  // 15 s at 44100 Hz
    // The peak is brought to the volume (80 % of full scale); the 3-second fades
    // at both ends can only lower it, and most of a 15 s sound lies between them.
    const double peak = PeakOf(output);
    EXPECT_LE(peak, 0.8001);
    EXPECT_GT(peak, 0.5);
    // The window is as it was: files, length and sliders unchanged.
    EXPECT_EQ(host.TextOf(IDC_OUTPUT_NAME), "ambient.wav");
    EXPECT_EQ(host.TextOf(IDC_GRAIN_LENGTH_VALUE), "50");
    EXPECT_EQ(host.Parts().GetDurationSeconds(), 15);
}

TEST(GenerateRun, ARefusedRunShowsItsMessageThroughTheProgramsBoxes)
{
    BoxLog boxes;
    PartsHost host(true);
    host.Click(IDC_GENERATE);
    EXPECT_EQ(boxes.m_texts, std::vector<std::string>{LoadResourceString(IDS_SELECT_INPUT)});
}
