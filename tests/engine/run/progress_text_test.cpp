#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/strings/format_string.h"
#include "engine/run/progress_text.h"
#include "resources/strings/resource_ids.h"

TEST(ProgressText, PercentHasItsSign)
{
    EXPECT_EQ(FormatPercent(0), "0%");
    EXPECT_EQ(FormatPercent(42), "42%");
    EXPECT_EQ(FormatPercent(100), "100%");
}

// Whole megabytes below 1000, tenths of gigabytes from there.
TEST(ProgressText, SizeIsMegabytesThenTenthsOfGigabytes)
{
    EXPECT_EQ(FormatSizeMB(0), "0 MB");
    EXPECT_EQ(FormatSizeMB(999), "999 MB");
    EXPECT_EQ(FormatSizeMB(1000), "1.0 GB");
    EXPECT_EQ(FormatSizeMB(1234), "1.2 GB");
    EXPECT_EQ(FormatSizeMB(12345), "12.3 GB");
}

// The header's 44 bytes count: 262133 frames make 1048576 bytes.
TEST(ProgressText, WrittenSizeCountsTheHeader)
{
    EXPECT_EQ(FormatWrittenSize(0), "0 MB");
    EXPECT_EQ(FormatWrittenSize(262132), "0 MB");
    EXPECT_EQ(FormatWrittenSize(262133), "1 MB");
    EXPECT_EQ(FormatWrittenSize(262144), "1 MB");
    EXPECT_EQ(FormatWrittenSize(158715900), "605 MB");  // 59:59 of output
}

// A day of output passes 4 GiB and 2³² frames: 64-bit arithmetic all through.
TEST(ProgressText, WrittenSizeOfADayLongOutput)
{
    EXPECT_EQ(FormatWrittenSize(86400ull * 44100), "14.5 GB");      // 15,240,960,044 bytes
    EXPECT_EQ(FormatWrittenSize(7ull * 3600 * 44100), "4.2 GB");     // past the 32-bit sizes of a WAV
}

// A progress point of the writing loop at frame j reports the j + 1 frames
// written by then; the size shown is the same as for j frames at every one of
// them, up to the longest WAV output, so the text is what it always was.
TEST(ProgressText, WrittenSizeAtAProgressPointDoesNotDependOnTheFrameJustWritten)
{
    constexpr std::uint64_t kLongestOutput = (0xFFFFFFFFULL - 36) / 4;
    for (std::uint64_t j = 0; j < kLongestOutput; j += 1000)
        ASSERT_EQ(FormatWrittenSize(j + 1), FormatWrittenSize(j)) << j;
}

TEST(ProgressText, TimeLeftExtrapolatesTheTimeSpent)
{
    EXPECT_EQ(FormatTimeLeft(10, 0.25), "00:00:30");
    EXPECT_EQ(FormatTimeLeft(3600, 0.5), "01:00:00");
    EXPECT_EQ(FormatTimeLeft(125, 0.5), "00:02:05");
    EXPECT_EQ(FormatTimeLeft(2, 0.5), "00:00:02");
    EXPECT_EQ(FormatTimeLeft(400000, 0.5), "111:06:40");  // more than 99 hours: more digits
}

// Nothing done yet, the first second of a phase, 1 second left, a clock
// that went back: no estimate. A far-off end stays a time.
TEST(ProgressText, TimeLeftIsDotsUntilThereIsSomethingToShow)
{
    EXPECT_EQ(FormatTimeLeft(10, 0.0), "...");
    EXPECT_EQ(FormatTimeLeft(0, 0.3), "...");
    EXPECT_EQ(FormatTimeLeft(1, 0.5), "...");
    EXPECT_EQ(FormatTimeLeft(-5, 0.5), "...");
    EXPECT_THAT(FormatTimeLeft(2000000000, 1e-12), testing::MatchesRegex("[0-9]+:[0-9][0-9]:[0-9][0-9]"));
}

TEST(MessageText, PlaceholdersAreFilledInOrder)
{
    EXPECT_EQ(FillPlaceholders("%1 of %2", {"3", "7"}), "3 of 7");
    EXPECT_EQ(FillPlaceholders("%2, %1", {"a", "b"}), "b, a");
    EXPECT_EQ(FillPlaceholders("100% and %3", {"x"}), "100% and %3");
    EXPECT_EQ(FillPlaceholders("ends with %", {}), "ends with %");
}

TEST(MessageText, EveryRunMessageHasAText)
{
    for (const int id : {IDS_ERR_OPEN_INPUT, IDS_GENERATION_DONE, IDS_ERR_SOURCE_MEMORY, IDS_ERR_CREATE_OUTPUT,
                         IDS_ERR_OUTPUT_MEMORY, IDS_ERR_WINDOW_MEMORY, IDS_ERR_INPUT_TOO_SHORT,
                         IDS_ERR_FILE_FAILURE, IDS_ERR_UNEXPECTED}) {
        EXPECT_FALSE(FormatResourceString(id, {}).empty()) << id;
    }
}
