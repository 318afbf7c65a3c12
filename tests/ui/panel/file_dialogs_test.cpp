// The desktop's own file dialogs, driven from outside with xdotool as a user
// would, on a desktop with a window manager (see CMakeLists.txt): what they
// list, where they open, and the replace question after the ".wav" rule.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/ui/panel/panel_test_support.h"
#include "tests/ui/support/window_test_support.h"
#include "ui/message_box/message_box_codes.h"
#include "resources/strings/resource_ids.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/panel/file_chooser.h"

namespace {

// The shell functions every script below uses: wait for a window by its
// exact name and give it the keyboard.
constexpr const char* kScriptHead = R"SH(set -eu
# A failing script leaves no dialog waiting for it: Escape closes them.
trap 'status=$?; if [ "$status" -ne 0 ]; then for _ in 1 2 3; do xdotool key Escape; sleep 0.5; done; fi' EXIT
window() {
    # xdotool gives up on a window that goes while it looks: look again.
    for _ in $(seq 300); do
        w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        if [ -n "$w" ] && xdotool windowactivate --sync "$w" 2>/dev/null; then
            sleep 0.5
            return 0
        fi
        sleep 0.2
    done
    echo "no window named '$1'" >&2
    exit 1
}
gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "window '$1' stayed" >&2
    exit 1
}
)SH";

// Runs a shell script beside the test (it answers the dialogs the test
// opens) and gives its exit status once both are done.
class DesktopScript {
public:
    explicit DesktopScript(const std::string& body)
        : m_thread([this, script = std::string(kScriptHead) + body] {
            m_nStatus = std::system(("sh -c '" + Quoted(script) + "'").c_str());
            m_bDone = true;
        })
    {
    }
    // The windows the script waits for only go once the toolkit has been
    // served, so events are pumped meanwhile.
    int Finish()
    {
        WaitUntil([this] { return m_bDone.load(); }, 120000);
        m_thread.join();
        return m_nStatus;
    }

private:
    static std::string Quoted(const std::string& text)
    {
        std::string quoted;
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted;
    }
    int m_nStatus = -1;
    std::atomic<bool> m_bDone{false};
    std::thread m_thread;
};

// The main window with the desktop's real file dialogs.
class FileDialogsOnDesktop : public testing::Test {
protected:
    void SetUp() override
    {
        m_host.Parts().SetFileChooser(std::make_unique<DialogFileChooser>(&m_host.Window()));
        ASSERT_TRUE(WaitUntil([this] { return m_host.Window().IsActive(); }));
    }

    PartsHost m_host;
    TempDir m_dir;
};

}  // namespace

TEST_F(FileDialogsOnDesktop, TheOpenDialogListsTake01WavAndOpensNextTimeWhereTheLastFileWas)
{
    const std::filesystem::path takes = m_dir.Path() / "takes";
    std::filesystem::create_directory(takes);
    WriteToneWav((takes / "TAKE01.WAV").string(), 44100, 44100);
    WriteWholeFile((takes / "notes.txt").string(), {'x'});

    // First: the file typed in, as a path.
    DesktopScript first("window Open; xdotool key ctrl+l; sleep 0.2; xdotool type --delay 20 '" +
                        (takes / "TAKE01.WAV").string() + "'; sleep 0.5; xdotool key Return; gone Open\n");
    m_host.Click(IDC_INPUT_FILE);
    ASSERT_EQ(first.Finish(), 0);
    ASSERT_EQ(m_host.Parts().GetInputPath(), (takes / "TAKE01.WAV").string());

    // Second: the dialog must open in that folder and list TAKE01.WAV (and
    // not notes.txt) as its only file, so Return opens it.
    m_host.Parts().SelectInputFile((takes / "notes.txt").string());  // refused: no input again
    ASSERT_EQ(m_host.Parts().GetInputPath(), "");
    DesktopScript second("window Open; xdotool key Return; gone Open\n");
    m_host.Click(IDC_INPUT_FILE);
    EXPECT_EQ(second.Finish(), 0);
    EXPECT_EQ(m_host.Parts().GetInputPath(), (takes / "TAKE01.WAV").string());
    EXPECT_EQ(m_host.TextOf(IDC_INPUT_FORMAT_LINE), "Format  44100 16 bits stereo");
}

TEST_F(FileDialogsOnDesktop, SavingAsMixBesideAMixWavAsksAndNoKeepsItIntact)
{
    const std::string mix = m_dir.File("mix.wav");
    WriteToneWav(mix, 4410, 44100);
    const std::vector<unsigned char> before = ReadWholeFile(mix);
    WriteToneWav(m_dir.File("source.wav"), 44100, 44100);
    m_host.Parts().SelectInputFile(m_dir.File("source.wav"));  // the dialogs open in that folder

    // "mix" is new to the dialog, so it asks nothing; the program's question
    // about mix.wav follows, No goes back to the dialog, Escape leaves it.
    DesktopScript no("window 'Save As'; xdotool type --delay 20 mix; sleep 0.3; xdotool key Return; gone 'Save As'\n"
                     "window gui_tests; xdotool key Escape; gone gui_tests\n"
                     "window 'Save As'; xdotool key Escape; gone 'Save As'\n");
    m_host.Click(IDC_OUTPUT_FILE);
    EXPECT_EQ(no.Finish(), 0);
    EXPECT_EQ(m_host.Parts().GetOutputPath(), "");
    EXPECT_EQ(ReadWholeFile(mix), before);
    // Generate has no output to write to.
    m_host.Click(IDC_GENERATE);
    EXPECT_EQ(m_host.TakeMessages(), std::vector<int>{IDS_SELECT_OUTPUT});
    EXPECT_TRUE(m_host.Runs().empty());

    // Yes takes mix.wav as the output, still untouched until a run. (The
    // question is the program's own box; here it is answered in-process.)
    MessageBoxRecorder boxes([](const MessageBoxRequest&) { return IDYES; });
    DesktopScript yes("window 'Save As'; xdotool type --delay 20 mix; sleep 0.3; xdotool key Return; gone 'Save As'\n");
    m_host.Click(IDC_OUTPUT_FILE);
    EXPECT_EQ(yes.Finish(), 0);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].m_strText, ReplaceQuestionText(mix));
    EXPECT_EQ(boxes.Requests()[0].m_nStyle, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(m_host.Parts().GetOutputPath(), mix);
    EXPECT_EQ(ReadWholeFile(mix), before);
}

