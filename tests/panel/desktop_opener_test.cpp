// The desktop opener judged by a stand-in for xdg-open: a script that records
// its argument and ends with a chosen exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "desktop_opener.h"
#include "panel_test_support.h"
#include "temp_dir.h"

namespace {

// An executable script in dir that writes its arguments to <dir>/args and exits with status.
std::string OpenerScript(const TempDir& dir, int status)
{
    const std::string path = dir.File("fake-xdg-open-" + std::to_string(status));
    const std::string text = "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + dir.File("args") + "'\nexit " +
                             std::to_string(status) + "\n";
    WriteWholeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

std::optional<bool> OpenAndWait(DesktopOpener& opener, const std::string& target)
{
    std::optional<bool> outcome;
    opener.Open(target, [&outcome](bool opened) { outcome = opened; });
    WaitUntil([&outcome] { return outcome.has_value(); });
    return outcome;
}

std::string ReadText(const std::string& path)
{
    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(XdgOpener, ExitStatusZeroIsSuccessAndTheTargetIsOneArgument)
{
    TempDir dir;
    XdgOpener opener(OpenerScript(dir, 0));
    const std::string target = dir.File("my song & me.wav");
    EXPECT_EQ(OpenAndWait(opener, target), std::optional<bool>(true));
    EXPECT_EQ(ReadText(dir.File("args")), "1\n" + target + "\n");
}

TEST(XdgOpener, ANonZeroExitStatusIsAFailure)
{
    TempDir dir;
    // 2: the file does not exist; 4: the application failed.
    for (int status : {2, 4}) {
        XdgOpener opener(OpenerScript(dir, status));
        EXPECT_EQ(OpenAndWait(opener, "https://sonnelith.example.org/"), std::optional<bool>(false)) << status;
    }
}

TEST(XdgOpener, AMissingProgramIsAFailure)
{
    TempDir dir;
    XdgOpener opener(dir.File("no-such-opener"));
    EXPECT_EQ(OpenAndWait(opener, "/tmp/x.wav"), std::optional<bool>(false));
}

TEST(XdgOpener, PlayOfAnOutputNotYetGeneratedFailsWithTheMessage)
{
    TempDir dir;
    // Like xdg-open: exit status 2 when the file does not exist.
    const std::string script = dir.File("checking-opener");
    const std::string text = "#!/bin/sh\n[ -e \"$1\" ] || exit 2\nexit 0\n";
    WriteWholeFile(script, std::vector<unsigned char>(text.begin(), text.end()));
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    PartsHost host;
    host.Parts().SetDesktopOpener(std::make_unique<XdgOpener>(script));
    host.ChooseOutput(dir.File("later.wav"));
    host.Click(10002);
    std::vector<int> messages;
    WaitUntil([&] {
        auto taken = host.TakeMessages();
        messages.insert(messages.end(), taken.begin(), taken.end());
        return !messages.empty();
    });
    EXPECT_EQ(messages, std::vector<int>{61583});

    WriteWholeFile(dir.File("later.wav"), {0});
    host.Click(10002);
    // The successful open is silent; wait as long as a failure would take to arrive.
    WaitUntil([] { return false; }, 500);
    EXPECT_TRUE(host.TakeMessages().empty());
}
