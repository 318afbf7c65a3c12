// Runs that cannot complete: each shows its own message, never the success
// message, and leaves a known output behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "resources/strings/resource_ids.h"
#include "tests/engine/run_fixture.h"
#include "tests/support/test_sounds.h"
#include "tests/support/wav_bytes.h"

namespace {

using testing::HasSubstr;

// Counts the run's buffer allocations and fails the one numbered g_nFailAt.
int g_nAllocations = 0;
int g_nFailAt = 0;

std::unique_ptr<std::byte[]> CountingAllocate(std::size_t bytes)
{
    ++g_nAllocations;
    return g_nAllocations == g_nFailAt ? nullptr : SystemAllocate(bytes);
}

class RunFailureTest : public testing::Test, public RunFixture {
protected:
    void SetUp() override
    {
        g_nAllocations = 0;
        g_nFailAt = 0;
    }

    void GenerateCountingAllocations()
    {
        Generate([](GenerationRun& run) { run.SetAllocator(CountingAllocate); });
    }

    void ExpectOnlyError(int id)
    {
        EXPECT_EQ(m_outcome.m_kind, RunOutcome::Kind::Failed);
        ASSERT_EQ(MessageIds(), std::vector<int>{id});
        EXPECT_EQ(m_host.m_messages[0].m_kind, GenerationHost::MessageKind::Error);
    }

    // An output file from before the run, which some failures must not touch.
    const std::vector<unsigned char> m_previousOutput{'k', 'e', 'e', 'p'};
};

}  // namespace

// A missing input and one at a rate the loader does not take: the output file
// from before the run is left as it was.
TEST_F(RunFailureTest, UnreadableInputIsReportedAndTheOutputIsUntouched)
{
    for (const bool exists : {false, true}) {
        if (exists)
            WriteToneWav(InputPath(), 48000, 48000);
        WriteWholeFile(OutputPath(), m_previousOutput);
        m_host = FakeHost();
        Generate();
        ExpectOnlyError(IDS_ERR_OPEN_INPUT);
        EXPECT_EQ(OutputBytes(), m_previousOutput);
    }
}

TEST_F(RunFailureTest, OutputThatCannotBeCreatedIsReported)
{
    WriteToneWav(InputPath(), 44100);
    m_settings.m_strOutputPath = m_dir.File("no-such-folder/output.wav");
    Generate();
    ExpectOnlyError(IDS_ERR_CREATE_OUTPUT);
    EXPECT_FALSE(std::filesystem::exists(m_settings.m_strOutputPath));
}

// Refused before anything is allocated or the output is touched, with the
// shortest input named at the input's own rate; an empty data chunk too.
TEST_F(RunFailureTest, InputNoLongerThanAGrainIsRefusedBeforeAnythingElse)
{
    const struct {
        std::uint32_t m_nFrames;
        std::uint32_t m_nRate;
        int m_nGrainMs;
        const char* m_pText;
    } cases[] = {
        {2205, 44100, 50,
         "A grain length of 50 milliseconds needs an input sound of at least 51 milliseconds "
         "(2206 sample frames at 44100 Hz)"},
        {17640, 22050, 800,  // 35280 frames at 44100: one short of an 800 ms grain
         "A grain length of 800 milliseconds needs an input sound of at least 801 milliseconds "
         "(17641 sample frames at 22050 Hz)"},
        {0, 44100, 50, "at least 51 milliseconds"},
    };
    for (const auto& input : cases) {
        if (input.m_nFrames == 0)
            WriteWholeFile(InputPath(), MakeWav(WavLayout{}, {}));
        else
            WriteToneWav(InputPath(), input.m_nFrames, input.m_nRate);
        WriteWholeFile(OutputPath(), m_previousOutput);
        m_host = FakeHost();
        m_panel.Set(ParameterId::GrainLength, input.m_nGrainMs);
        g_nAllocations = 0;
        GenerateCountingAllocations();
        ExpectOnlyError(IDS_ERR_INPUT_TOO_SHORT);
        EXPECT_THAT(m_host.m_messages[0].m_strText, HasSubstr(input.m_pText));
        EXPECT_EQ(g_nAllocations, 0);
        EXPECT_EQ(OutputBytes(), m_previousOutput);
    }
}

// The source, the output and the window table are allocated in that order,
// and each failure has its own message.
TEST_F(RunFailureTest, EachBufferHasItsOwnAllocationMessage)
{
    WriteToneWav(InputPath(), 44100);
    const int messages[] = {IDS_ERR_SOURCE_MEMORY, IDS_ERR_OUTPUT_MEMORY, IDS_ERR_WINDOW_MEMORY};
    for (g_nFailAt = 1; g_nFailAt <= 3; ++g_nFailAt) {
        m_host = FakeHost();
        g_nAllocations = 0;
        GenerateCountingAllocations();
        ExpectOnlyError(messages[g_nFailAt - 1]);
        ExpectBareHeader();
    }
}

// 2^29 bytes of 8-bit mono at 11025 Hz are 2^31 frames at 44100: one more
// than a signed 32-bit frame index reaches. The file is sparse, so it costs
// no disk space, and the run refuses it before reading or allocating.
TEST_F(RunFailureTest, InputTooLongForFrameIndicesIsRefusedWithTheLoadingMessage)
{
    WavLayout layout;
    layout.channels = 1;
    layout.sampleRate = 11025;
    layout.bitsPerSample = 8;
    layout.declaredDataSize = 1u << 29;
    WriteWholeFile(InputPath(), MakeWav(layout, {}));
    std::filesystem::resize_file(InputPath(), 44 + (1u << 29));
    GenerateCountingAllocations();
    ExpectOnlyError(IDS_ERR_SOURCE_MEMORY);
    EXPECT_EQ(g_nAllocations, 0);
    ExpectBareHeader();
}

// A WAV header counts its bytes in 32 bits: about 6 hours 45 minutes of output at most.
TEST_F(RunFailureTest, OutputTooLongForAWavFileIsRefusedWithTheOutputMessage)
{
    WriteToneWav(InputPath(), 44100);
    m_settings.m_nDurationSeconds = 30000;
    GenerateCountingAllocations();
    ExpectOnlyError(IDS_ERR_OUTPUT_MEMORY);
    EXPECT_EQ(g_nAllocations, 1);  // the source only
    ExpectBareHeader();
}

// In a child process, a file size limit makes the output's writes fail with
// EFBIG, as a full disk would with ENOSPC. The child reports the messages it
// was shown through a pipe.
TEST_F(RunFailureTest, WriteFailureStopsTheRunWithTheReasonAndKeepsNoFile)
{
    WriteToneWav(InputPath(), 44100);
    m_settings.m_nDurationSeconds = 10;  // 1.7 MB of output against a 256 KiB limit
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        Generate();
        std::string report;
        for (const FakeHost::Message& message : m_host.m_messages)
            report += std::to_string(message.m_nId) + ": " + message.m_strText + "\n";
        const ssize_t written = write(channel[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string report;
    char chunk[512];
    ssize_t got;
    while ((got = read(channel[0], chunk, sizeof chunk)) > 0)
        report.append(chunk, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_THAT(report, HasSubstr(std::to_string(IDS_ERR_FILE_FAILURE) + ": The ambient sound generation stopped"));
    EXPECT_THAT(report, HasSubstr("File too large"));
    EXPECT_THAT(report, testing::Not(HasSubstr(std::to_string(IDS_GENERATION_DONE))));
    EXPECT_FALSE(OutputBytes());
}
