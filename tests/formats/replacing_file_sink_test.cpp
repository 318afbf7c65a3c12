// Writing through a temporary file: a completed run puts the output in place;
// a cancel, a failure or an early end leaves an existing output as it was and
// nothing partial; an output that can't be made says where and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/io/wave_frame_sink.h"
#include "formats/output_sink_factory.h"
#include "formats/replacing_file_sink.h"
#include "formats/temporary_name.h"
#include "resources/strings/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unwritable_places.h"
#include "wav/file_exception.h"

namespace {

const std::vector<unsigned char> kOldOutput = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

std::vector<StereoFrame> Frames(std::size_t count)
{
    std::vector<StereoFrame> frames(count);
    for (std::size_t i = 0; i < count; ++i)
        frames[i] = {static_cast<float>(i % 100) / 200.0f, -static_cast<float>(i % 50) / 100.0f};
    return frames;
}

std::unique_ptr<FrameSink> FileSink(const std::string& path, std::uint64_t frames, const std::string& input = "")
{
    OutputRequest request;
    request.m_strInputPath = input;
    request.m_nFrames = frames;
    const OutputFormat format = std::get<OutputFormat>(ChooseOutputFormat(path, path.ends_with(".flac") ? 24 : 16));
    return MakeOutputSink(format, request, [] { return std::make_unique<WaveFrameSink>(); });
}

// How a run can end after the output was created, other than completing.
enum class EarlyEnd { Cancelled, Discarded, Abandoned };

class ReplacingFileSinkTest : public ::testing::TestWithParam<std::string> {
protected:
    std::string Output() const { return m_dir.File("out" + GetParam()); }

    TempDir m_dir;
};

}  // namespace

TEST_P(ReplacingFileSinkTest, ACompletedRunPutsTheOutputInPlaceAndNothingElse)
{
    WriteWholeFile(Output(), kOldOutput);
    auto sink = FileSink(Output(), 1000);
    ASSERT_FALSE(sink->Create(Output()));
    EXPECT_EQ(FolderEntries(m_dir.Path()).size(), 2u) << "the old file and the temporary one";
    EXPECT_EQ(ReadWholeFile(Output()), kOldOutput) << "untouched while writing";
    const std::vector<StereoFrame> frames = Frames(1000);
    sink->Write(frames.data(), frames.size());
    sink->Finish(false);
    sink.reset();
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"out" + GetParam()});
    EXPECT_NE(ReadWholeFile(Output()), kOldOutput);
    EXPECT_GT(ReadWholeFile(Output()).size(), 1000u);
}

TEST_P(ReplacingFileSinkTest, EveryOtherEndLeavesTheOldOutputAndNoPartialFile)
{
    for (const EarlyEnd end : {EarlyEnd::Cancelled, EarlyEnd::Discarded, EarlyEnd::Abandoned}) {
        WriteWholeFile(Output(), kOldOutput);
        auto sink = FileSink(Output(), 1000);
        ASSERT_FALSE(sink->Create(Output()));
        const std::vector<StereoFrame> frames = Frames(500);
        sink->Write(frames.data(), frames.size());
        if (end == EarlyEnd::Cancelled)
            sink->Finish(true);
        else if (end == EarlyEnd::Discarded)
            sink->Discard();
        sink.reset();
        EXPECT_EQ(ReadWholeFile(Output()), kOldOutput) << static_cast<int>(end);
        EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"out" + GetParam()}) << static_cast<int>(end);
    }
}

// A new output gets the permissions any new file gets; a replaced one keeps its own.
TEST_P(ReplacingFileSinkTest, TheOutputHasTheUsualOrItsOldPermissions)
{
    const mode_t previousMask = umask(027);
    auto sink = FileSink(Output(), 10);
    ASSERT_FALSE(sink->Create(Output()));
    sink->Finish(false);
    struct stat info {};
    ASSERT_EQ(stat(Output().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    chmod(Output().c_str(), 0604);
    sink = FileSink(Output(), 10);
    ASSERT_FALSE(sink->Create(Output()));
    sink->Finish(false);
    ASSERT_EQ(stat(Output().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);
    umask(previousMask);
}

// Through a link the file it names is replaced; the link stays.
TEST_P(ReplacingFileSinkTest, ALinkStaysALink)
{
    WriteWholeFile(Output(), kOldOutput);
    const std::string link = m_dir.File("link" + GetParam());
    std::filesystem::create_symlink(Output(), link);
    auto sink = FileSink(link, 10);
    ASSERT_FALSE(sink->Create(link));
    sink->Finish(false);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(ReadWholeFile(Output()), kOldOutput);
}

INSTANTIATE_TEST_SUITE_P(DesktopWavAndLibsndfile, ReplacingFileSinkTest, ::testing::Values(".wav", ".flac"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param.substr(1); });

namespace {

std::string CreateFailure(const std::string& path, const std::string& input = "", std::uint64_t frames = 44100)
{
    const auto failure = FileSink(path, frames, input)->Create(path);
    return failure ? failure->m_strText : "(created)";
}

}  // namespace

TEST(OutputCreationFailures, NameThePathAndTheReason)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteWholeFile(input, kOldOutput);
    const std::string missing = dir.File("no/such/folder/out.wav");
    EXPECT_EQ(CreateFailure(missing), "Cannot write " + missing + ": no such folder");
    const std::string folder = dir.File("folder.wav");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(CreateFailure(folder), "Cannot write " + folder + ": is a folder");
    EXPECT_EQ(CreateFailure(input, input), "Cannot write " + input + ": it is the input file");
    const std::string symbolic = dir.File("symbolic.wav");
    std::filesystem::create_symlink(input, symbolic);
    EXPECT_EQ(CreateFailure(symbolic, input), "Cannot write " + symbolic + ": it is the input file");
    const std::string hard = dir.File("hard.wav");
    std::filesystem::create_hard_link(input, hard);
    EXPECT_EQ(CreateFailure(hard, input), "Cannot write " + hard + ": it is the input file");
    EXPECT_EQ(CreateFailure("/dev/null"),
              "Cannot write /dev/null: not a regular file (write to standard output with -o - and redirect that)");
    EXPECT_EQ(CreateFailure(""), "Cannot write : the name is empty");
    EXPECT_EQ(ReadWholeFile(input), kOldOutput);
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 4u) << "nothing left behind";
}

// Permission is judged as an ordinary user: the test drops to "nobody" in a
// child process, since root may write anywhere.
TEST(OutputCreationFailures, AFolderWithoutWritePermission)
{
    TempDir dir;
    const LockedFolder locked(dir, "out.wav", kOldOutput);
    const std::string& output = locked.File();
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        if (!BecomeNobody())
            _exit(2);
        const std::string text = CreateFailure(output);
        const bool written = write(pipeFds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        _exit(written ? 0 : 3);
    }
    close(pipeFds[1]);
    char buffer[512] = {};
    const ssize_t got = read(pipeFds[0], buffer, sizeof buffer - 1);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0))),
              "Cannot write " + output + ": permission denied");
    EXPECT_EQ(ReadWholeFile(output), kOldOutput);
}

namespace {

// A 1 MiB tmpfs, mounted for the test (root only).
class SmallDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!m_disk.IsMounted())
            GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    std::string File(const std::string& name) const { return m_disk.File(name); }

    SmallTmpfs m_disk;
};

}  // namespace

// The output's predicted size is checked before anything is written.
TEST_F(SmallDisk, AnOutputThatWontFitIsRefusedBeforeWriting)
{
    const std::string output = File("out.wav");
    WriteWholeFile(output, kOldOutput);
    // 50 s of the desktop WAV: 8,820,044 bytes.
    EXPECT_EQ(CreateFailure(output, "", 50 * 44100),
              "Cannot write " + output + ": not enough room on its disk: 9 MB needed, 0 MB free");
    EXPECT_EQ(ReadWholeFile(output), kOldOutput);
    EXPECT_EQ(FolderEntries(m_disk.Path()), std::vector<std::string>{"out.wav"});
}

// A disk that fills up while writing (the prediction can't see another
// program's files) stops the run with a file error; the old output stays.
TEST_F(SmallDisk, ADiskThatFillsWhileWritingLeavesTheOldOutput)
{
    for (const std::string name : {"out.wav", "out.flac"}) {
        const std::string output = File(name);
        WriteWholeFile(output, kOldOutput);
        auto sink = FileSink(output, 10);  // predicted small: the disk fills anyway
        ASSERT_FALSE(sink->Create(output));
        const std::vector<StereoFrame> frames = Frames(44100);
        bool raised = false;
        try {
            for (int second = 0; second < 20; ++second)
                sink->Write(frames.data(), frames.size());
            sink->Finish(false);
        } catch (const FileException& error) {
            raised = true;
            EXPECT_EQ(error.GetCause(), FileException::Cause::DiskFull) << error.what();
            EXPECT_EQ(error.GetPath(), output) << "named as the user named it, not by the temporary name";
            sink->Discard();
        }
        sink.reset();
        EXPECT_TRUE(raised) << name;
        EXPECT_EQ(ReadWholeFile(output), kOldOutput) << name;
        EXPECT_EQ(FolderEntries(m_disk.Path()).size(), name == "out.wav" ? 1u : 2u) << name;
    }
}

namespace {

// A process of this computer that has ended: a child that exited at once.
pid_t EndedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

void Complete(FrameSink& sink, const std::string& path)
{
    ASSERT_FALSE(sink.Create(path));
    const std::vector<StereoFrame> frames = Frames(100);
    sink.Write(frames.data(), frames.size());
    sink.Finish(false);
}

}  // namespace

// What a run killed outright left is removed by the next run in that folder;
// the files of runs still going, here or on another computer, stay.
TEST(StaleTemporaries, TheNextRunRemovesThoseOfEndedProcessesOfThisComputer)
{
    TempDir dir;
    const std::string host = TemporaryHostName();
    const std::string stale = MakeTemporaryName("old.wav", host, EndedProcess(), "aaaaaa");
    const std::string running = MakeTemporaryName("old.wav", host, getppid(), "bbbbbb");
    const std::string elsewhere = MakeTemporaryName("old.wav", host + "x", EndedProcess(), "cccccc");
    const std::string notOurs = ".old.wav.XXXXXX";
    for (const std::string& name : {stale, running, elsewhere, notOurs})
        WriteWholeFile(dir.File(name), kOldOutput);
    auto sink = FileSink(dir.File("new.wav"), 100);
    Complete(*sink, dir.File("new.wav"));
    std::vector<std::string> expected{running, elsewhere, notOurs, "new.wav"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(dir.Path()), expected);
}

// NAME_MAX bytes is a legal name, and the temporary name stays within it.
TEST(OutputNames, TheLongestNameAFolderTakes)
{
    TempDir dir;
    const std::string name = std::string(NAME_MAX - 4, 'n') + ".wav";
    auto sink = FileSink(dir.File(name), 100);
    Complete(*sink, dir.File(name));
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{name});
}

// An output path a few bytes short of PATH_MAX, whose temporary file's path
// beside it would be longer: it is reached through the folder's descriptor.
TEST(OutputNames, APathNearTheLongestTheSystemTakes)
{
    TempDir dir;
    std::filesystem::path folder = dir.Path();
    while (folder.string().size() < PATH_MAX - 250)
        folder /= std::string(200, 'd');
    folder /= std::string(PATH_MAX - 12 - folder.string().size(), 'e');
    std::filesystem::create_directories(folder);
    const std::string output = (folder / "o.wav").string();
    ASSERT_LT(output.size(), static_cast<std::size_t>(PATH_MAX));
    ASSERT_GT(output.size() + 50, static_cast<std::size_t>(PATH_MAX)) << "the temporary path is too long beside it";
    auto sink = FileSink(output, 100);
    Complete(*sink, output);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"o.wav"});
    EXPECT_EQ(ReadWholeFile(output).size(), 44u + 400u);
}

// A link to a file that does not exist yet: the file is made where the link
// points, as for a link to an existing file, and the link stays.
TEST(OutputNames, ADanglingLinkGetsTheFileItNames)
{
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    const std::string link = dir.File("link.wav");
    std::filesystem::create_symlink("sub/target.wav", link);
    auto sink = FileSink(link, 100);
    Complete(*sink, link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(dir.File("sub/target.wav")).size(), 44u + 400u);
    EXPECT_EQ(FolderEntries(dir.Path() / "sub"), std::vector<std::string>{"target.wav"});
}

TEST(OutputNames, ALoopOfLinksIsRefused)
{
    TempDir dir;
    std::filesystem::create_symlink("b.wav", dir.File("a.wav"));
    std::filesystem::create_symlink("a.wav", dir.File("b.wav"));
    EXPECT_EQ(CreateFailure(dir.File("a.wav")), "Cannot write " + dir.File("a.wav") + ": Too many levels of symbolic links");
}

// Another name of the old file (a hard link) keeps the old file: the output's
// name gets a new one.
TEST(OutputNames, AHardLinkIsReplacedNotWrittenThrough)
{
    TempDir dir;
    const std::string output = dir.File("out.wav");
    const std::string other = dir.File("other-name.wav");
    WriteWholeFile(output, kOldOutput);
    std::filesystem::create_hard_link(output, other);
    auto sink = FileSink(output, 100);
    Complete(*sink, output);
    EXPECT_EQ(ReadWholeFile(other), kOldOutput);
    EXPECT_NE(ReadWholeFile(output), kOldOutput);
}

// Root replacing a user's file leaves it that user's, with its permissions:
// with mode 0600 the user could not read it otherwise.
TEST(OutputOwner, RootReplacingAnotherUsersFileKeepsItsOwnerAndGroup)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    TempDir dir;
    for (const std::string name : {"theirs.wav", "theirs.flac"}) {
        const std::string output = dir.File(name);
        WriteWholeFile(output, kOldOutput);
        ASSERT_EQ(chown(output.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod(output.c_str(), 0600), 0);
        auto sink = FileSink(output, 100);
        Complete(*sink, output);
        struct stat info {};
        ASSERT_EQ(stat(output.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 65534u) << name;
        EXPECT_EQ(info.st_gid, 65534u) << name;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
        EXPECT_NE(ReadWholeFile(output), kOldOutput) << name;
    }
}
