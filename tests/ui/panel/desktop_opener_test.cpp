// The desktop opener judged by stand-ins for xdg-open: scripts that record
// their arguments or check the target, and end with a chosen exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "ui/panel/desktop_opener.h"
#include "ui/dialog_template/main_window_ids.h"
#include "tests/ui/panel/panel_test_support.h"
#include "resources/strings/resource_ids.h"
#include "tests/support/temp_dir.h"

namespace {

std::string WriteScript(const TempDir& dir, const std::string& name, const std::string& body)
{
    const std::string path = dir.File(name);
    const std::string text = "#!/bin/sh\n" + body + "\n";
    WriteWholeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

std::optional<bool> OpenAndWait(DesktopOpener&& opener, const std::string& target)
{
    std::optional<bool> outcome;
    opener.Open(target, [&outcome](bool opened) { outcome = opened; });
    WaitUntil([&outcome] { return outcome.has_value(); });
    return outcome;
}

}  // namespace

TEST(XdgOpener, ExitStatusZeroAloneIsSuccessAndTheTargetIsOneArgument)
{
    TempDir dir;
    const std::string target = dir.File("my song & me.wav");
    const std::string record = "printf '%s\\n' \"$#\" \"$@\" > '" + dir.File("args") + "'\nexit ";
    EXPECT_EQ(OpenAndWait(XdgOpener(WriteScript(dir, "ok", record + "0")), target), std::optional<bool>(true));
    const std::vector<unsigned char> args = ReadWholeFile(dir.File("args"));
    EXPECT_EQ(std::string(args.begin(), args.end()), "1\n" + target + "\n");
    // 2: the file does not exist; 4: the application failed; then no program at all.
    for (const std::string& program : {WriteScript(dir, "no-file", "exit 2"), WriteScript(dir, "failed", "exit 4"),
                                       dir.File("no-such-opener")})
        EXPECT_EQ(OpenAndWait(XdgOpener(program), target), std::optional<bool>(false)) << program;
}

TEST(XdgOpener, PlayOfAnOutputNotYetGeneratedFailsWithTheMessage)
{
    TempDir dir;
    PartsHost host;
    // Like xdg-open: exit status 2 when the file does not exist.
    host.Parts().SetDesktopOpener(std::make_unique<XdgOpener>(WriteScript(dir, "opener", "[ -e \"$1\" ] || exit 2")));
    host.ChooseOutput(dir.File("later.wav"));
    host.Click(IDC_PLAY);
    std::vector<int> messages;
    WaitUntil([&] {
        for (int id : host.TakeMessages())
            messages.push_back(id);
        return !messages.empty();
    });
    EXPECT_EQ(messages, std::vector<int>{IDS_ERR_PLAY});

    WriteWholeFile(dir.File("later.wav"), {0});
    host.Click(IDC_PLAY);
    // The successful open is silent; wait as long as a failure would take to arrive.
    WaitUntil([] { return false; }, 500);
    EXPECT_TRUE(host.TakeMessages().empty());
}
