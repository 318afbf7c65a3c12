// The measures and words of the messages about sound files.
#include <gtest/gtest.h>

#include <cerrno>

#include "formats/sound_file_messages.h"
#include "resources/strings/resource_ids.h"

TEST(SoundFileMessages, TheLongestGrainIsTheLastSliderStepThatFits)
{
    // A grain of ms milliseconds spans ms × 441 / 10 frames, and the input needs one frame more.
    EXPECT_EQ(LongestGrainFor(13230), 275);  // 0.3 s: 300 ms is 13230 frames, one too many
    EXPECT_EQ(LongestGrainFor(12128), 275);  // 275 ms is 12127 frames
    EXPECT_EQ(LongestGrainFor(12127), 250);
    EXPECT_EQ(LongestGrainFor(88201), 2000);
    EXPECT_EQ(LongestGrainFor(2206), 50);  // 50 ms is 2205 frames
    EXPECT_EQ(LongestGrainFor(2205), 0);
    EXPECT_EQ(LongestGrainFor(0), 0);
}

// Grains read an octave up span twice their length of input, an octave
// down half of it; the message of grains read up names their pitch.
TEST(SoundFileMessages, TransposedGrainsNeedTheInputTheyRead)
{
    const SemitoneRange twoOctavesUp{0.0, 24.0};
    EXPECT_EQ(GrainReadFrames(800, twoOctavesUp), 141117u);  // 35279 steps of 4 frames, and the first
    EXPECT_EQ(GrainReadFrames(800, {}), 35280u);
    EXPECT_EQ(LongestGrainFor(132300, twoOctavesUp), 750);  // 3 s
    EXPECT_EQ(LongestGrainFor(13230, {-12.0, -12.0}), 575);  // 0.3 s read at half speed
    EXPECT_EQ(ShortInputFailure("in.wav", 3.0, 132300, 800, twoOctavesUp).m_strText,
              "in.wav: a 3 s input is shorter than one 800 ms grain at a pitch 24 semitones up, which reads "
              "3.199 s of it; use --grain-length 750 or less, or a lower pitch");
    const RunMessage tiny = ShortInputFailure("in.wav", 0.1, 4410, 50, {-3.0, 24.0});
    EXPECT_EQ(tiny.m_nStringId, IDS_ERR_INPUT_SHORTER_THAN_TRANSPOSED_GRAIN);
    EXPECT_EQ(tiny.m_strText, "in.wav: a 0.1 s input is shorter than one 50 ms grain at a pitch 24 semitones up, "
                              "which reads 0.199 s of it; use a longer input, or a lower pitch");
    EXPECT_EQ(ShortInputFailure("in.wav", 0.3, 13230, 800, {-12.0, -12.0}).m_strText,
              "in.wav: a 0.3 s input is shorter than one 800 ms grain; use --grain-length 575 or less");
}

TEST(SoundFileMessages, SecondsAreShownShortAndNeverRoundedUp)
{
    EXPECT_EQ(FormatSeconds(0.3), "0.3");
    EXPECT_EQ(FormatSeconds(0.02), "0.02");
    EXPECT_EQ(FormatSeconds(2.0), "2");
    EXPECT_EQ(FormatSeconds(0.7999), "0.799");
    EXPECT_EQ(FormatSeconds(0.0), "0");
    EXPECT_EQ(InputDisplayName("-"), "standard input");
}

TEST(SoundFileMessages, OutputFailuresNameThePathAndTheReasonInPlainWords)
{
    const RunMessage message = OutputFailure("out/a.flac", DescribeSystemError(EACCES));
    EXPECT_EQ(message.m_nStringId, IDS_ERR_WRITE_OUTPUT);
    EXPECT_EQ(message.m_strText, "Cannot write out/a.flac: permission denied");
    EXPECT_EQ(DescribeSystemError(ENOSPC), "disk full");
    EXPECT_EQ(DescribeSystemError(EDQUOT), "disk full");
    EXPECT_EQ(DescribeSystemError(EROFS), "read-only file system");
    EXPECT_EQ(DescribeSystemError(ENOENT), "No such file or directory");
}

// Names are shown as `ls -b` shows them: no byte of a name reaches the
// terminal as a control character.
TEST(SoundFileMessages, ControlCharactersInNamesAreEscaped)
{
    EXPECT_EQ(PrintableName("rain.wav"), "rain.wav");
    EXPECT_EQ(PrintableName("caf\xC3\xA9 \\ 1.wav"), "caf\xC3\xA9 \\ 1.wav") << "letters and backslashes stay";
    EXPECT_EQ(PrintableName("a\nb\tc\rd"), "a\\nb\\tc\\rd");
    EXPECT_EQ(PrintableName("\x1b[31mred"), "\\033[31mred");
    EXPECT_EQ(PrintableName(std::string("nul\0here", 8)), "nul\\000here");
    EXPECT_EQ(PrintableName("\x07\x08\x0b\x0c\x7f"), "\\a\\b\\v\\f\\177");
    EXPECT_EQ(PrintableName("csi\xC2\x9B" "31m"), "csi\\302\\23331m") << "C1 controls, as UTF-8";
    EXPECT_EQ(PrintableName("caf\xE9 \xC3\xA9\xFF\xC3"), "caf\\351 \xC3\xA9\\377\\303")
        << "bytes outside UTF-8 in octal, as ls -b writes them";
    const std::string shown = PrintableName("a\x1b[2J\n\xE9\xC2\x9B");
    EXPECT_EQ(PrintableName(shown), shown) << "a shown text is shown as it is";
    EXPECT_EQ(InputFailure("a\nb.wav", "No such file or directory").m_strText,
              "Cannot read a\\nb.wav: No such file or directory");
    EXPECT_EQ(OutputFailure("x\x1b.wav", "disk full").m_strText, "Cannot write x\\033.wav: disk full");
    EXPECT_EQ(InputDisplayName("-"), "standard input");
}

TEST(SoundFileMessages, AnInputTooLongSaysItsLengthWhenItIsKnown)
{
    EXPECT_EQ(TooLongInputReason(194783.07), "a 194783 s input is longer than the 48695 s the generator can hold");
    EXPECT_EQ(TooLongInputReason(std::nullopt), "the input is longer than the 48695 s the generator can hold");
}
