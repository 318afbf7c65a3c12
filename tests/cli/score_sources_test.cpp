// How a score's sources are taken: each file is read once, whatever names
// the layers give it; the hash stored with the render is of the very file
// whose sound it holds, even when another file takes its name during the
// run; sounds that cannot fit in memory together are refused before any is
// read; and a cancel while the score's FIFO waits for its writer ends the
// run as cancelled.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "score_file/source_fingerprint.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/score_render_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/support/wav_bytes.h"

namespace {

using testing::HasSubstr;

const char kLayer[] = "[[layer]]\ndensity = 500\ngrain_length = 100\nsource = ";

class ScoreSources : public testing::Test {
protected:
    std::string File(const std::string& name) const { return m_dir.File(name); }
    std::string WriteScore(const std::string& name, const std::string& text) const
    {
        std::ofstream(File(name), std::ios::binary) << text;
        return File(name);
    }

    TempDir m_dir;
    TempDir m_logs;
};

// How many times part is in text.
long CountOf(const std::string& text, const std::string& part)
{
    long count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Waits until the program has opened the file called name in the folder
// watched by the inotify descriptor opens times; false after 30 s.
bool WaitForOpens(int watch, const std::string& name, int opens)
{
    alignas(inotify_event) char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (opens > 0) {
        pollfd ready{watch, POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline || poll(&ready, 1, 1000) < 0)
            return false;
        const ssize_t got = ready.revents != 0 ? read(watch, buffer, sizeof buffer) : 0;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && name == event->name && (event->mask & IN_OPEN) != 0)
                --opens;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return true;
}

// Sparse 16-bit stereo WAV files of an hour each: 635 MB on no disk, and
// 1.27 GB each as sound in memory.
void WriteSparseHour(const std::string& path)
{
    constexpr std::uint32_t kDataBytes = 3600u * 44100u * 4u;
    WavLayout layout;
    layout.channels = 2;
    layout.bitsPerSample = 16;
    layout.sampleRate = 44100;
    std::vector<unsigned char> header = MakeWav(layout, {});
    header[40] = static_cast<unsigned char>(kDataBytes);
    header[41] = static_cast<unsigned char>(kDataBytes >> 8);
    header[42] = static_cast<unsigned char>(kDataBytes >> 16);
    header[43] = static_cast<unsigned char>(kDataBytes >> 24);
    const std::uint32_t riff = kDataBytes + 36;
    for (int i = 0; i < 4; ++i)
        header[4 + static_cast<std::size_t>(i)] = static_cast<unsigned char>(riff >> (8 * i));
    WriteWholeFile(path, header);
    std::filesystem::resize_file(path, header.size() + kDataBytes);
}

}  // namespace

// One file named four ways (as it is, from ./, by a link and by a hard link)
// is opened and loaded once, and every layer stores its facts.
TEST_F(ScoreSources, OneFileUnderManyNamesIsLoadedOnce)
{
    WriteToneWav(File("tone.wav"), 44100);
    std::filesystem::create_symlink("tone.wav", File("link.wav"));
    std::filesystem::create_hard_link(File("tone.wav"), File("hard.wav"));
    std::string text = "length = 1\nseed = 4\n";
    for (const char* name : {"tone.wav", "./tone.wav", "link.wav", "hard.wav"})
        text.append(kLayer).append("\"").append(name).append("\"\n");
    const std::string score = WriteScore("four.toml", text);
    const CliResult result = RunCli({score, "-o", File("out.wav"), "--save-score", File("saved.toml")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(CountOf(result.err, "read as the desktop program reads it"), 1) << result.err;
    const std::vector<unsigned char> saved = ReadWholeFile(File("saved.toml"));
    const std::string hash = FormatSourceHash(HashFileContents(File("tone.wav")).m_nHash);
    EXPECT_EQ(CountOf(std::string(saved.begin(), saved.end()), hash), 4);
}

// Three sources of an hour each need 3.6 GB (3633 MiB) as sound: with 2 GB of address
// space the render is refused at once, with the figures, before any is read.
TEST_F(ScoreSources, SoundsThatCannotFitAreRefusedBeforeAnyIsRead)
{
#ifdef SONNELITH_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit leaves";
#endif
    std::string text = "length = 1\n";
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        WriteSparseHour(File(name));
        text.append(kLayer).append("\"").append(name).append("\"\n");
    }
    const std::string score = WriteScore("hours.toml", text);
    const auto start = std::chrono::steady_clock::now();
    const CliResult result = RunCli({"-q", score, "-o", File("out.wav")}, [] {
        const rlimit limit{2ull << 30, 2ull << 30};
        setrlimit(RLIMIT_AS, &limit);
    });
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_THAT(result.err, HasSubstr(score + ": the score's sources take 3.6 GB of memory as sound at 44100 Hz, "
                                              "more than the "));
    EXPECT_THAT(result.err, HasSubstr("available; use fewer or shorter sources"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "refused before reading";
    EXPECT_FALSE(std::filesystem::exists(File("out.wav")));
}

// Another file renamed over the source while the run has it open (after
// the run, or the score's reader, first looked at it): the render and the
// hash stored with it are both of the file first opened, for a score and for
// a plain run with --tag. Watched by inotify, so that the swap comes right
// after the second opening of the file by its name.
TEST_F(ScoreSources, TheStoredHashIsOfTheFileWhoseSoundWasRead)
{
    // A minute (10 MB) of source, so that hashing it takes a while.
    WriteToneWav(File("src.wav"), 60 * 44100, 44100, 441.0);
    const std::uint64_t original = HashFileContents(File("src.wav")).m_nHash;
    const std::string score = WriteScore("s.toml", "length = 1\nseed = 9\n" + std::string(kLayer) + "\"src.wav\"\n");
    const std::vector<std::string> plain = {File("src.wav"), "--tag", "--length", "1", "--seed", "9",
                                            "--density", "500", "--grain-length", "100"};
    for (const std::vector<std::string>& run : {std::vector<std::string>{score}, plain}) {
        std::vector<std::string> arguments{"-q", "-o", File("reference.wav")};
        arguments.insert(arguments.end(), run.begin(), run.end());
        const CliResult reference = RunCli(arguments);
        ASSERT_EQ(reference.exitCode, 0) << reference.err;
        WriteToneWav(File("other.wav"), 60 * 44100, 44100, 660.0);
        const std::vector<unsigned char> source = ReadWholeFile(File("src.wav"));

        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        // Closes are watched too: two opens in a row would be told as one.
        ASSERT_GE(inotify_add_watch(watch, m_dir.Path().c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0);
        arguments[2] = File("out.wav");
        CliProcess process(arguments, m_logs.Path().string());
        const bool opened = WaitForOpens(watch, "src.wav", 2);
        std::filesystem::rename(File("other.wav"), File("src.wav"));
        close(watch);
        const CliResult result = process.Wait();
        ASSERT_TRUE(opened);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const CliResult printed = RunCli({"--score-of", File("out.wav")});
        EXPECT_THAT(printed.out, HasSubstr(FormatSourceHash(original))) << run.front();
        EXPECT_EQ(SoundBytes(File("out.wav")), SoundBytes(File("reference.wav"))) << run.front();
        WriteWholeFile(File("src.wav"), source);
    }
}

TEST_F(ScoreSources, ACancelWhileTheScoresFifoWaitsForItsWriterEndsAsCancelled)
{
    ASSERT_EQ(mkfifo(File("fifo.toml").c_str(), 0600), 0);
    CliProcess process({"-q", File("fifo.toml"), "-o", File("out.wav")}, m_logs.Path().string());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    process.Signal(SIGINT);
    const CliResult result = process.Wait();
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_EQ(result.err, "sonnelith-cli: cancelled\n");
    EXPECT_FALSE(std::filesystem::exists(File("out.wav")));
}
