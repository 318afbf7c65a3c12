// sonnelith-cli's delivery tells the truth in awkward places: standard output
// closed or broken fails with a message; a pipe that closes standard error
// cancels the run with its cleanup; the leftovers of a killed run go with the
// next run in that folder; root keeps a replaced file's owner; the longest
// name a folder takes works; --length 0 gives a FLAC file readers open; and
// runs started together without --seed make different tracks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sndfile.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tests/cli/cli_process.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

namespace {

using testing::HasSubstr;

class CliDelivery : public testing::Test {
protected:
    std::string Input()
    {
        const std::string path = m_dir.File("in.wav");
        if (!std::filesystem::exists(path))
            WriteToneWav(path, 2 * 44100);
        return path;
    }

    TempDir m_dir;
};

// The hidden temporary files in folder.
std::vector<std::string> HiddenFiles(const std::filesystem::path& folder)
{
    std::vector<std::string> hidden;
    for (const std::string& name : FolderEntries(folder)) {
        if (name.front() == '.')
            hidden.push_back(name);
    }
    return hidden;
}

// The state in "Generator state: N (--seed N repeats this run)", or "".
std::string PrintedState(const std::string& err)
{
    const std::string label = "Generator state: ";
    const std::size_t at = err.find(label);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + label.size();
    return err.substr(start, err.find_first_not_of("0123456789", start) - start);
}

}  // namespace

// Started with standard output closed, the program must not let a temporary
// file take descriptor 1 and write the stream into it.
TEST_F(CliDelivery, StandardOutputClosedIsRefused)
{
    const CliResult result = RunCli({Input(), "-o", "-", "--length", "1"}, [] { close(STDOUT_FILENO); });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("Cannot write standard output: it is closed"));
    EXPECT_THAT(result.err, testing::Not(HasSubstr("completed successfully")));
}

TEST_F(CliDelivery, StandardInputClosedIsRefused)
{
    const CliResult result = RunCli({"-", "-o", m_dir.File("out.wav"), "--length", "1"}, [] { close(STDIN_FILENO); });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("Cannot read standard input: it is closed"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("out.wav")));
}

// The program reading standard output has gone: SIGPIPE ends the run as a
// cancel does (141), with a message that speaks of the stream.
TEST_F(CliDelivery, StandardOutputWhoseReaderHasGoneEndsWith141AndSaysSo)
{
    const CliResult result = RunCli({Input(), "-o", "-", "--length", "30"}, [] {
        int fds[2];
        if (pipe(fds) != 0)
            _exit(126);
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[1]);
    });
    EXPECT_EQ(result.signal, 0) << "SIGPIPE is handled, not fatal";
    EXPECT_EQ(result.exitCode, 128 + SIGPIPE) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Cannot write standard output: broken pipe (the program reading it has stopped)"));
    EXPECT_THAT(result.err, testing::Not(HasSubstr("has been removed")));
}

// Standard error into `head -1`: the next line raises SIGPIPE, and the run
// cleans up as after Ctrl+C: no hidden file stays, and the status is 141.
TEST_F(CliDelivery, StandardErrorIntoHeadLeavesNoHiddenFile)
{
    const std::string status = m_dir.File("status");
    // Appended, not "(" + text: GCC 12's optimiser reports a false overflow
    // (-Wstringop-overflow, as in GCC bug 105651) in std::string's insert at the front.
    const std::string command = std::string("(")
                                    .append(ShellQuote(CliPath()) + " " + ShellQuote(Input()) + " -o ")
                                    .append(ShellQuote(m_dir.File("out.wav")) + " --length 30 --seed 4; echo $? > ")
                                    .append(ShellQuote(status) + ") 2>&1 | head -1");
    const ToolResult run = RunTool(command);
    EXPECT_THAT(run.output, HasSubstr("in.wav: 16-bit stereo PCM WAV"));
    std::ifstream text(status);
    int code = 0;
    text >> code;
    EXPECT_EQ(code, 128 + SIGPIPE);
    EXPECT_TRUE(HiddenFiles(m_dir.Path()).empty());
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("out.wav")));
}

// SIGKILL leaves the hidden file; the next run in that folder removes it.
TEST_F(CliDelivery, TheNextRunRemovesWhatAKilledRunLeft)
{
    TempDir logs;
    const std::string input = Input();
    CliProcess killed({input, "-o", m_dir.File("long.wav"), "--length", "10:00", "--density", "10000"},
                      logs.Path().string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (HiddenFiles(m_dir.Path()).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    killed.Signal(SIGKILL);
    killed.Wait();
    ASSERT_EQ(HiddenFiles(m_dir.Path()).size(), 1u) << "SIGKILL leaves it";
    const CliResult next = RunCli({input, "-o", m_dir.File("short.wav"), "--length", "1", "--seed", "1"});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_EQ(FolderEntries(m_dir.Path()), (std::vector<std::string>{"in.wav", "short.wav"}));
}

// With mode 0600 the user could no longer read a file that root had taken over.
TEST_F(CliDelivery, RootReplacingAUsersFileKeepsItsOwner)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can replace another user's file";
    const std::string output = m_dir.File("theirs.flac");
    WriteWholeFile(output, {'o', 'l', 'd'});
    ASSERT_EQ(chown(output.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(output.c_str(), 0600), 0);
    const CliResult result = RunCli({Input(), "-o", output, "--length", "1", "--seed", "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    struct stat info {};
    ASSERT_EQ(stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_GT(std::filesystem::file_size(output), 3u);
}

TEST_F(CliDelivery, TheLongestNameAFolderTakesWorks)
{
    std::string name(NAME_MAX, 'x');
    name.replace(NAME_MAX - 4, 4, ".wav");
    const CliResult result = RunCli({Input(), "-o", m_dir.File(name), "--length", "1", "--seed", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(std::filesystem::file_size(m_dir.File(name)), 44u + 44100u * 4);
}

// A FLAC file of no frames still has its header; libsndfile and sox open it.
TEST_F(CliDelivery, LengthZeroGivesAFlacFileReadersOpen)
{
    const std::string output = m_dir.File("empty.flac");
    const CliResult result = RunCli({Input(), "-o", output, "--length", "0"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    SF_INFO info{};
    SNDFILE* file = sf_open(output.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    float frame[2];
    EXPECT_EQ(sf_readf_float(file, frame, 1), 0);
    sf_close(file);
    if (ToolAvailable("sox")) {
        const ToolResult stat = RunTool("sox " + ShellQuote(output) + " -n stat");
        EXPECT_EQ(stat.exitCode, 0) << stat.output;
        EXPECT_EQ(ToolNumber(stat.output, "Samples read:"), 0.0);
    }
}

// GNU parallel and scripts start runs in the same second: without --seed each
// still gets a generator state of its own, printed as before.
TEST_F(CliDelivery, RunsStartedTogetherWithoutASeedDiffer)
{
    TempDir logsA;
    TempDir logsB;
    const std::string input = Input();
    CliProcess first({input, "-o", m_dir.File("a.wav"), "--length", "2"}, logsA.Path().string());
    CliProcess second({input, "-o", m_dir.File("b.wav"), "--length", "2"}, logsB.Path().string());
    const CliResult a = first.Wait();
    const CliResult b = second.Wait();
    ASSERT_EQ(a.exitCode, 0) << a.err;
    ASSERT_EQ(b.exitCode, 0) << b.err;
    const std::string stateA = PrintedState(a.err);
    const std::string stateB = PrintedState(b.err);
    ASSERT_FALSE(stateA.empty()) << a.err;
    ASSERT_FALSE(stateB.empty()) << b.err;
    EXPECT_THAT(a.err, HasSubstr("(--seed " + stateA + " repeats this run)"));
    EXPECT_NE(stateA, stateB);
    EXPECT_NE(ReadWholeFile(m_dir.File("a.wav")), ReadWholeFile(m_dir.File("b.wav")));
}
