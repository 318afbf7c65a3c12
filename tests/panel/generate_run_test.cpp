// From chosen files to a finished output: the window's parts start a real run.
#include <gtest/gtest.h>

#include "control_ids.h"
#include "bitmap_slider.h"
#include "external_tool.h"
#include "generation_run.h"
#include "message_box.h"
#include "panel_test_support.h"
#include "resource_ids.h"
#include "temp_dir.h"
#include "test_sounds.h"

namespace {

// Runs a generation on the spot, as the progress window would, recording its messages.
class InlineRunHost : public GenerationHost {
public:
    int ShowMessage(int stringId, const std::string&, unsigned) override
    {
        m_messages.push_back(stringId);
        return IDOK;
    }
    void SetBarPosition(Phase, int) override {}
    void SetPercentText(Phase, int) override {}
    void SetTimeLeftText(const std::string&) override {}
    void SetWrittenSizeText(const std::string&) override {}
    int PumpMessages() override
    {
        PumpEvents();
        return 0;
    }
    std::vector<int> m_messages;
};

}  // namespace

TEST(GenerateRun, ChosenFilesSlidersAndLengthGiveAValidOutput)
{
    ASSERT_TRUE(ToolAvailable("soxi"));
    TempDir dir;
    const std::string input = dir.File("tone.wav");
    WriteToneWav(input, 44100 * 3, 22050);
    PartsHost host;
    InlineRunHost runHost;
    host.Parts().SetRunStarter([&runHost](const GenerationSettings& settings) {
        GenerationRun run(runHost);
        run.SetSettings(settings);
        run.SeedRandom();
        run.SetKeepGoing(1);
        run.Run();
    });
    host.ChooseInput(input);
    host.ChooseOutput(dir.File("ambient"));
    // Shorter grains than the default, so a 3-second input is plenty.
    SendKey(*host.Parts().GetPanel().GetSlider(IDC_GRAIN_LENGTH), WXK_HOME);
    host.Click(IDC_GENERATE);

    EXPECT_EQ(runHost.m_messages, std::vector<int>{IDS_GENERATION_DONE});
    const std::string output = dir.File("ambient.wav");
    const auto soxi = [&output](const char* option) {
        return RunTool(std::string("soxi ") + option + " " + ShellQuote(output)).output;
    };
    EXPECT_EQ(soxi("-r"), "44100\n");
    EXPECT_EQ(soxi("-c"), "2\n");
    EXPECT_EQ(soxi("-b"), "16\n");
    EXPECT_EQ(soxi("-s"), "661500\n");  // 15 s at 44100 Hz
    const ToolResult stat = RunTool("sox " + ShellQuote(output) + " -n stat 2>&1");
    const std::size_t at = stat.output.find("Maximum amplitude:");
    ASSERT_NE(at, std::string::npos) << stat.output;
    const double peak = std::stod(stat.output.substr(at + 18));
    // The volume slider at 50 % puts the peak at half of full scale; the fades
    // at both ends can only lower it, and a 15 s sound has most of its grains outside them.
    EXPECT_LE(peak, 0.5001);
    EXPECT_GT(peak, 0.25);
}
