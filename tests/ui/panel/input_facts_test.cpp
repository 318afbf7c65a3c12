#include <gtest/gtest.h>

#include "ui/panel/input_facts.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/panel/wav_sparse_file.h"

TEST(InputInfoLines, KeepTheirSpacingAndCountTheSizeWithoutTheHeader)
{
    // A 150-second file of 26460044 bytes: 26460000 bytes of sound, 25 MiB.
    InputFacts facts;
    facts.m_nInputFrames = 150 * 44100;
    facts.m_nInputRate = 44100;
    facts.m_nInputChannels = 2;
    facts.m_nInputBytesPerSample = 2;
    facts.m_nInputFileSize = 26460044;
    facts.m_nInputSeconds = 150;
    EXPECT_EQ(TimeSizeLine(facts), "Time  02:30     Size  25 MB");
    EXPECT_EQ(FormatLine(facts), "Format  44100 16 bits stereo");
    facts.m_nInputFileSize = 0;  // no valid input: no lines
    EXPECT_EQ(TimeSizeLine(facts), "");
    EXPECT_EQ(FormatLine(facts), "");
}

TEST(InspectInputFile, ShowsLongInputsWithHoursAndTheirSize)
{
    TempDir dir;
    // 8-bit mono at 11025 Hz: 11025 bytes a second.
    for (auto [seconds, line] : {std::pair{3600u, "Time  01:00:00     Size  37 MB"}, {59u, "Time  00:59     Size  0 MB"},
                                 {3599u, "Time  59:59     Size  37 MB"}, {3725u, "Time  01:02:05     Size  39 MB"}}) {
        const std::string path = dir.File("long.wav");
        WriteSilentWav(path, seconds * 11025, 11025, 1, 8);
        InputFacts facts;
        ASSERT_EQ(InspectInputFile(path, facts), 0) << seconds;
        EXPECT_EQ(facts.m_nInputSeconds, static_cast<std::int32_t>(seconds));
        EXPECT_EQ(TimeSizeLine(facts), line);
    }
}

TEST(InspectInputFile, RefusesWhatIsNotAUsableInput)
{
    TempDir dir;
    const std::string good = dir.File("good.wav");
    WriteSilentWav(good, 44100, 44100, 2, 16);
    const std::string text = dir.File("notes.wav");
    WriteWholeFile(text, {'h', 'e', 'l', 'l', 'o'});
    const std::string odd = dir.File("odd-rate.wav");
    WriteSilentWav(odd, 48000, 48000, 2, 16);
    for (const std::string& path : {dir.File("missing.wav"), text, odd}) {
        InputFacts facts;
        ASSERT_EQ(InspectInputFile(good, facts), 0);
        EXPECT_EQ(InspectInputFile(path, facts), 1) << path;
        EXPECT_FALSE(facts.IsValid()) << path;
    }
}
