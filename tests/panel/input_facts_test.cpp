#include <gtest/gtest.h>

#include <filesystem>

#include "input_facts.h"
#include "temp_dir.h"
#include "wav_sparse_file.h"

namespace {

InputFacts FactsOf(std::int32_t seconds, std::int64_t fileSize)
{
    InputFacts facts;
    facts.m_nInputFrames = seconds * 44100;
    facts.m_nInputRate = 44100;
    facts.m_nInputChannels = 2;
    facts.m_nInputBytesPerSample = 2;
    facts.m_nInputFileSize = fileSize;
    facts.m_nInputSeconds = seconds;
    return facts;
}

}  // namespace

TEST(InputInfoLines, KeepTheirSpacingAndCountTheSizeWithoutTheHeader)
{
    // A 150-second file of 26460044 bytes: 26460000 bytes of sound, 25 MiB.
    const InputFacts facts = FactsOf(150, 26460044);
    EXPECT_EQ(TimeSizeLine(facts), "Time  02:30     Size  25 MB");
    EXPECT_EQ(FormatLine(facts), "Format  44100 16 bits stereo");
}

TEST(InputInfoLines, AreEmptyWithoutAValidInput)
{
    InputFacts facts = FactsOf(150, 26460044);
    facts.m_nInputFileSize = 0;
    EXPECT_EQ(TimeSizeLine(facts), "");
    EXPECT_EQ(FormatLine(facts), "");
}

TEST(InspectInputFile, ReadsTheFactsOfAnEightBitMonoFile)
{
    TempDir dir;
    const std::string path = dir.File("voice.wav");
    WriteSilentWav(path, 22050 * 3 + 100, 22050, 1, 8);
    InputFacts facts;
    ASSERT_EQ(InspectInputFile(path, facts), 0);
    EXPECT_EQ(facts.m_nInputFrames, 22050 * 3 + 100);
    EXPECT_EQ(facts.m_nInputRate, 22050);
    EXPECT_EQ(facts.m_nInputChannels, 1);
    EXPECT_EQ(facts.m_nInputBytesPerSample, 1);
    EXPECT_EQ(facts.m_nInputSeconds, 3);
    EXPECT_EQ(facts.m_nInputFileSize, static_cast<std::int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(FormatLine(facts), "Format  22050 8 bits mono");
    EXPECT_EQ(TimeSizeLine(facts), "Time  00:03     Size  0 MB");
}

TEST(InspectInputFile, ShowsLongInputsWithHoursAndTheirSize)
{
    TempDir dir;
    struct Case {
        std::uint32_t seconds;
        const char* line;
    };
    // 8-bit mono at 11025 Hz: 11025 bytes a second.
    for (const Case& c : {Case{3600, "Time  01:00:00     Size  37 MB"}, Case{59, "Time  00:59     Size  0 MB"},
                          Case{3599, "Time  59:59     Size  37 MB"}, Case{3725, "Time  01:02:05     Size  39 MB"}}) {
        const std::string path = dir.File("long.wav");
        WriteSilentWav(path, c.seconds * 11025, 11025, 1, 8);
        InputFacts facts;
        ASSERT_EQ(InspectInputFile(path, facts), 0) << c.seconds;
        EXPECT_EQ(TimeSizeLine(facts), c.line);
    }
}

TEST(InspectInputFile, RefusesWhatIsNotAUsableInput)
{
    TempDir dir;
    InputFacts facts = FactsOf(1, 1000);
    EXPECT_EQ(InspectInputFile(dir.File("missing.wav"), facts), 1);
    EXPECT_FALSE(facts.IsValid());

    const std::string text = dir.File("notes.wav");
    WriteWholeFile(text, {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(InspectInputFile(text, facts), 1);

    const std::string odd = dir.File("odd-rate.wav");
    WriteSilentWav(odd, 48000, 48000, 2, 16);
    EXPECT_EQ(InspectInputFile(odd, facts), 1);
    EXPECT_FALSE(facts.IsValid());
}
