// What sonnelith-cli leaves at the output's place when a run does not
// complete: a cancel by any of the signals that cancel it, a failure while
// writing, or an output it cannot create. An existing file of that name stays
// as it was, no partial or temporary file is left, and each output that
// cannot be made has its own message and exit status 1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/cli/cli_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/support/unwritable_places.h"

namespace {

using testing::HasSubstr;

const std::vector<unsigned char> kOldOutput = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

// Waits until the run has started writing its output (the hidden temporary
// file beside it), then a little longer, so that it is busy synthesising.
bool WaitUntilWriting(const std::filesystem::path& folder, std::size_t filesBefore)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (FolderEntries(folder).size() == filesBefore) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return true;
}

struct Cancel {
    const char* m_szName;
    int m_nSignal;
    bool m_bOutputExists;
};

class CliCancel : public testing::TestWithParam<Cancel> {
protected:
    TempDir m_dir;
    TempDir m_logs;
};

}  // namespace

TEST_P(CliCancel, LeavesAnExistingOutputAsItWasAndNothingPartial)
{
    const Cancel& cancel = GetParam();
    const std::string output = m_dir.File("out.wav");
    if (cancel.m_bOutputExists)
        WriteWholeFile(output, kOldOutput);
    const std::vector<std::string> before = FolderEntries(m_dir.Path());
    // Ten minutes at the densest setting: far longer than the test waits.
    CliProcess process({"-o", output, "--length", "10:00", "--density", "10000", "--seed", "2"},
                       m_logs.Path().string());
    ASSERT_TRUE(WaitUntilWriting(m_dir.Path(), before.size()));
    process.Signal(cancel.m_nSignal);
    const CliResult result = process.Wait();
    EXPECT_EQ(result.signal, 0) << "the signal cancels the run instead of ending the program";
    EXPECT_EQ(result.exitCode, 128 + cancel.m_nSignal);
    EXPECT_THAT(result.err, HasSubstr("sonnelith-cli: cancelled"));
    EXPECT_EQ(FolderEntries(m_dir.Path()), before);
    if (cancel.m_bOutputExists) {
        EXPECT_EQ(ReadWholeFile(output), kOldOutput);
    }
}

INSTANTIATE_TEST_SUITE_P(BySignal, CliCancel,
                         testing::Values(Cancel{"SigtermOnANewOutput", SIGTERM, false},
                                         Cancel{"SigtermOnAnExistingOutput", SIGTERM, true},
                                         Cancel{"SighupOnAnExistingOutput", SIGHUP, true},
                                         Cancel{"CtrlCOnAnExistingOutput", SIGINT, true}),
                         [](const testing::TestParamInfo<Cancel>& info) { return info.param.m_szName; });

namespace {

class CliOutputFailure : public testing::Test {
protected:
    // A quiet run that must fail on its output: exit status 1 and one line,
    // "Cannot write <output>: <reason>".
    void ExpectRefused(const std::vector<std::string>& arguments, const std::string& output,
                       const std::string& reason, const ChildSetup& setup = {})
    {
        std::vector<std::string> words{"-q", "-o", output, "--length", "10", "--seed", "3"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        const CliResult result = RunCli(words, setup);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "sonnelith-cli: Cannot write " + output + ": " + reason + "\n");
    }

    TempDir m_dir;
};

// Whether the user "nobody" can run the program and read the bundled sample:
// not when the build lies under a folder only its owner may enter (a fresh
// clone made in `mktemp -d`, say).
bool NobodyCanRunTheProgram()
{
    const pid_t child = fork();
    if (child == 0) {
        const bool reachable = BecomeNobody() && access(CliPath().c_str(), X_OK) == 0 &&
                               access(SONNELITH_SAMPLE_PATH, R_OK) == 0;
        _exit(reachable ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Files may grow to 64 KiB; a write beyond fails with EFBIG instead of a signal.
void LimitFileSize()
{
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace

// The file grows past what the process may write (RLIMIT_FSIZE) in the middle
// of writing: the run fails with the system's reason, naming the output.
// (Synthesised twice, so that no temporary file of the sound meets the limit first.)
TEST_F(CliOutputFailure, AFailureWhileWritingLeavesTheExistingOutput)
{
    const std::string output = m_dir.File("out.wav");
    WriteWholeFile(output, kOldOutput);
    const CliResult result =
        RunCli({"-q", "-o", output, "--length", "5", "--seed", "3", "--spill", "never"}, LimitFileSize);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("\"" + output + "\": File too large"));
    EXPECT_EQ(ReadWholeFile(output), kOldOutput);
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"out.wav"});
}

// The same limit met by the sound set aside before writing: the run fails,
// naming the temporary file's folder, and leaves the output as it was.
TEST_F(CliOutputFailure, AFailureOfTheTemporarySoundLeavesTheExistingOutput)
{
    const std::string output = m_dir.File("out.wav");
    WriteWholeFile(output, kOldOutput);
    const CliResult result =
        RunCli({"-q", "-o", output, "--length", "5", "--seed", "3", "--spill", "always"}, LimitFileSize);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("a temporary file in "));
    EXPECT_THAT(result.err, HasSubstr("File too large"));
    EXPECT_EQ(ReadWholeFile(output), kOldOutput);
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"out.wav"});
}

// Under a file size limit (ulimit -f) the program itself sets no signal
// aside: the limit must neither end it silently (SIGXFSZ) nor leave its
// hidden temporary file. A limit the output fits but the sound set aside
// would not (1 MiB: five seconds take 882,044 bytes as 16-bit WAV, 1,764,000
// as set aside) makes the run synthesise twice instead, as a full disk does.
TEST_F(CliOutputFailure, AFileSizeLimitIsTreatedAsLackOfRoom)
{
    const auto limitToOneMebibyte = [] {
        const rlimit limit{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const std::string output = m_dir.File("out.wav");
    const std::vector<std::string> light = {"--seed", "3", "--density", "500", "--grain-length", "100"};
    std::vector<std::string> fitting = {"-q", "--timings", "-o", output, "--length", "5"};
    fitting.insert(fitting.end(), light.begin(), light.end());
    const CliResult fits = RunCli(fitting, limitToOneMebibyte);
    EXPECT_EQ(fits.signal, 0);
    ASSERT_EQ(fits.exitCode, 0) << fits.err;
    EXPECT_THAT(fits.err, HasSubstr("sound synthesised twice"));
    EXPECT_EQ(ReadWholeFile(output).size(), 882044u);

    WriteWholeFile(output, kOldOutput);
    std::vector<std::string> passing = {"-q", "-o", output, "--length", "10"};
    passing.insert(passing.end(), light.begin(), light.end());
    const CliResult tooLarge = RunCli(passing, limitToOneMebibyte);
    EXPECT_EQ(tooLarge.signal, 0);
    EXPECT_EQ(tooLarge.exitCode, 1);
    EXPECT_THAT(tooLarge.err, HasSubstr("\"" + output + "\": File too large"));
    EXPECT_EQ(ReadWholeFile(output), kOldOutput);
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"out.wav"});
}

TEST_F(CliOutputFailure, AMissingFolder)
{
    ExpectRefused({}, m_dir.File("no/such/folder/out.wav"), "no such folder");
    EXPECT_TRUE(FolderEntries(m_dir.Path()).empty());
}

TEST_F(CliOutputFailure, AFolder)
{
    std::filesystem::create_directory(m_dir.File("folder.wav"));
    ExpectRefused({}, m_dir.File("folder.wav"), "is a folder");
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.File("folder.wav")));
}

// Writing over the input is a mistake of the command line (status 2), told
// with both names before anything is written.
TEST_F(CliOutputFailure, TheInputItself)
{
    const std::string input = m_dir.File("in.wav");
    WriteToneWav(input, 44100);
    const std::vector<unsigned char> original = ReadWholeFile(input);
    for (const std::string& output : {input, m_dir.File("link.wav")}) {
        if (output != input)
            std::filesystem::create_symlink(input, output);
        const CliResult result = RunCli({"-q", "-o", output, "--length", "10", "--seed", "3", input});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "sonnelith-cli: -o " + output + " is also the input file (" + input +
                                  "), which the run would destroy; give -o another file\n");
    }
    EXPECT_EQ(ReadWholeFile(input), original);
}

// Permission is judged as an ordinary user: the program runs as "nobody",
// since root may write anywhere.
TEST_F(CliOutputFailure, AFolderWithoutWritePermission)
{
    if (!NobodyCanRunTheProgram())
        GTEST_SKIP() << "the user nobody cannot reach the program or its sample (a folder of mode 0700 on the way)";
    const LockedFolder locked(m_dir, "out.wav", kOldOutput);
    ExpectRefused({}, locked.File(), "permission denied", [] {
        if (!BecomeNobody())
            _exit(120);
    });
    EXPECT_EQ(ReadWholeFile(locked.File()), kOldOutput);
    EXPECT_EQ(FolderEntries(locked.Path()), std::vector<std::string>{"out.wav"});
}

// A read-only file system is named as such, not as a lack of permission,
// for a file there and for a new one, and for a score saved there.
TEST_F(CliOutputFailure, AReadOnlyFileSystem)
{
    SmallTmpfs disk;
    if (!disk.IsMounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string output = disk.File("out.wav");
    WriteWholeFile(output, kOldOutput);
    ASSERT_TRUE(disk.MakeReadOnly());
    ExpectRefused({}, output, "read-only file system");
    EXPECT_EQ(ReadWholeFile(output), kOldOutput);
    // One second fits in the room there, so that creating the file is what fails.
    const CliResult created = RunCli({"-q", "-o", disk.File("new.wav"), "--length", "1"});
    EXPECT_EQ(created.exitCode, 1);
    EXPECT_EQ(created.err, "sonnelith-cli: Cannot write " + disk.File("new.wav") + ": read-only file system\n");
    const CliResult saved = RunCli({"-q", "-o", m_dir.File("out.wav"), "--length", "1", "--save-score",
                                    disk.File("score.toml")});
    EXPECT_EQ(saved.exitCode, 1);
    EXPECT_THAT(saved.err, HasSubstr("Cannot write " + disk.File("score.toml") + ": read-only file system"));
}

// A score saved where no byte fits says so.
TEST_F(CliOutputFailure, AScoreSavedToAFullDevice)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full to write to";
    const CliResult result = RunCli({"-q", "-o", m_dir.File("out.wav"), "--length", "1", "--save-score", "/dev/full"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "sonnelith-cli: Cannot write /dev/full: not a regular file (a score is written to a file of its own)\n");
}

// A 1 MiB tmpfs (mounted by root only): ten seconds of the 16-bit WAV take
// 1,764,044 bytes, which is found before synthesis.
TEST_F(CliOutputFailure, AFullDisk)
{
    const SmallTmpfs disk;
    if (!disk.IsMounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string output = disk.File("out.wav");
    WriteWholeFile(output, kOldOutput);
    ExpectRefused({}, output, "not enough room on its disk: 2 MB needed, 0 MB free");
    EXPECT_EQ(ReadWholeFile(output), kOldOutput);
    EXPECT_EQ(FolderEntries(disk.Path()), std::vector<std::string>{"out.wav"});
}
