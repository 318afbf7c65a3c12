// --level-range end to end, on a source made by sox of loud and near-silent
// stretches: the track's short-term loudness stays within the range of its
// median outside the fades, then the volume or --loudness sets its level as
// without evening; a loop still joins without a step; bad ranges are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/formats/reference_loudness.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

constexpr double kRate = 44100.0;
constexpr std::size_t kHop = 4410;  // a short-term loudness every 100 ms
constexpr int kSeconds = 60;
constexpr int kFadeSeconds = 3;
constexpr double kRange = 6.0;

// The short-term loudness of the windows that lie wholly between the fades,
// each against their median.
struct Swing {
    double m_dLowest = 0.0;
    double m_dHighest = 0.0;
};

Swing SwingBetweenFades(const std::vector<StereoFrame>& frames)
{
    const std::vector<double> loudness = ReferenceShortTermLoudness(frames, kRate, kHop);
    const std::size_t hopsPerSecond = static_cast<std::size_t>(kRate) / kHop;
    const std::size_t first = kFadeSeconds * hopsPerSecond;
    const std::size_t last = (kSeconds - kFadeSeconds - 3) * hopsPerSecond;  // the last window ends at the fade out
    std::vector<double> counted(loudness.begin() + static_cast<std::ptrdiff_t>(first),
                                loudness.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    std::vector<double> sorted = counted;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const auto [lowest, highest] = std::minmax_element(counted.begin(), counted.end());
    return {*lowest - median, *highest - median};
}

// The largest change from one tenth of a second to the next.
double SteepestTurn(const std::vector<double>& gains)
{
    double steepest = 0.0;
    for (std::size_t n = 1; n < gains.size(); ++n)
        steepest = std::max(steepest, std::fabs(gains[n] - gains[n - 1]));
    return steepest;
}

// The momentary loudness (400 ms windows) every tenth of a second.
std::vector<double> MomentaryLoudness(const std::vector<StereoFrame>& frames)
{
    return ReferenceWindowLoudness(frames, kRate, kHop, 0.4);
}

double PeakOf(const std::vector<StereoFrame>& frames)
{
    double peak = 0.0;
    for (const StereoFrame& frame : frames) {
        peak = std::max(peak, std::fabs(static_cast<double>(frame.left)));
        peak = std::max(peak, std::fabs(static_cast<double>(frame.right)));
    }
    return peak;
}

class CliLevelEveningTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox makes the test sound";
        // Pink noise in stretches of 8 s: at a middle level, 12 dB louder,
        // the middle, 20 dB quieter, the middle (quiet, but well above what
        // evening counts as silence, which it never lifts).
        m_strSource = m_dir.File("swinging.wav");
        std::string parts;
        for (const char* gain : {"-12", "0", "-12", "-32", "-12"}) {
            const std::string part = m_dir.File(std::string("part") + std::to_string(parts.size()) + ".wav");
            MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(part) + " synth 8 pinknoise gain -6 gain " +
                         gain);
            parts += ShellQuote(part) + " ";
        }
        MakeWithTool("sox " + parts + ShellQuote(m_strSource));
    }

    // The swinging source as 32-bit floats, a minute unless seconds says
    // otherwise, with extra's options. Segments of 12 s let the reading dwell
    // in each stretch; the low cut keeps the rumble that grains of pink noise
    // build up from taking the peak; light grains keep the test fast.
    CliResult Render(const std::string& name, std::vector<std::string> extra, int seconds = kSeconds) const
    {
        std::vector<std::string> arguments{m_strSource,  "-o",     m_dir.File(name), "--length",
                                           std::to_string(seconds), "--fade", std::to_string(kFadeSeconds),
                                           "--seed",     "5",      "--bits",         "32",
                                           "--segment",  "12",     "--low-cut",      "20",
                                           "--density",  "1000",   "--grain-length", "400"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunCli(arguments);
    }

    std::vector<StereoFrame> Read(const std::string& name) const
    {
        const SoundFileContents contents = ReadSoundFile(m_dir.File(name));
        EXPECT_TRUE(contents.m_bOpened) << name;
        return StereoFramesOf(contents);
    }

    TempDir m_dir;
    std::string m_strSource;
};

}  // namespace

TEST_F(CliLevelEveningTest, KeepsTheShortTermLoudnessWithinTheRangeOfItsMedian)
{
    const CliResult plain = Render("plain.wav", {});
    const CliResult evened = Render("evened.wav", {"--level-range", "6"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_EQ(evened.exitCode, 0) << evened.err;
    EXPECT_THAT(evened.err, HasSubstr("Level evened within 6 LU"));
    EXPECT_THAT(plain.err, testing::Not(HasSubstr("Level even")));
    const Swing before = SwingBetweenFades(Read("plain.wav"));
    const Swing after = SwingBetweenFades(Read("evened.wav"));
    // Read as the grains dwell in each stretch, the source swings the track
    // far over and under the range.
    EXPECT_GT(before.m_dHighest, kRange + 4.0);
    EXPECT_LT(before.m_dLowest, -kRange - 4.0);
    // Evened, it never comes in more than 0.5 LU over the range, as planned;
    // 0.2 more for our own meter, whose windows and filters are not
    // libebur128's.
    EXPECT_LE(after.m_dHighest, kRange + 0.7);
    // A quiet stretch is lifted, and comes under the range only where the
    // gain turns (at 6 dB/s, early enough that no loud stretch comes in too
    // loud): for the few seconds of a turn, by at most 8.5 LU more.
    EXPECT_GT(after.m_dLowest, before.m_dLowest + 2.0);
    EXPECT_GE(after.m_dLowest, -kRange - 8.5);
    // No pumping: the grains are brought towards the median where they
    // arise and the slow gain turns by at most 6 dB a second, so the evening
    // adds no movement of its own: the evened track's momentary loudness moves
    // from tenth to tenth by less than the plain track's, which leaps with the
    // reading.
    const double plainSteps = SteepestTurn(MomentaryLoudness(Read("plain.wav")));
    const double evenedSteps = SteepestTurn(MomentaryLoudness(Read("evened.wav")));
    EXPECT_GT(plainSteps, kRange * 0.5);
    EXPECT_LT(evenedSteps, plainSteps - 1.0);
}

// The peak rule comes after evening: the evened track peaks at the volume.
TEST_F(CliLevelEveningTest, TheVolumeSetsThePeakOfTheEvenedTrack)
{
    const CliResult evened = Render("peak.wav", {"--level-range", "6", "--volume", "80"}, 20);
    ASSERT_EQ(evened.exitCode, 0) << evened.err;
    // 32-bit float samples, scaled in 64-bit arithmetic: a float's rounding.
    EXPECT_NEAR(PeakOf(Read("peak.wav")), 0.8, 1e-6);
}

// The loudness rule comes after evening too: the evened track is brought to
// the target as a whole.
TEST_F(CliLevelEveningTest, LoudnessSetsTheIntegratedLoudnessOfTheEvenedTrack)
{
    const CliResult evened =
        Render("loudness.wav", {"--level-range", "6", "--loudness", "-30", "--volume", "100"}, 20);
    ASSERT_EQ(evened.exitCode, 0) << evened.err;
    EXPECT_THAT(evened.err, HasSubstr("Integrated loudness -30.0 LUFS"));
    // Our own meter against libebur128's: a few hundredths of a LU apart.
    EXPECT_NEAR(ReferenceIntegratedLoudness(Read("loudness.wav"), kRate), -30.0, 0.1);
}

// The gain runs on through a loop's seam as the sound does: played twice end
// to end (sox joins the file to itself), the seam is one step among the
// file's usual ones, and the level on either side of it is about the same.
TEST_F(CliLevelEveningTest, AnEvenedLoopStillJoinsWithoutAStep)
{
    const CliResult loop = Render("loop.wav", {"--level-range", "6", "--loop"});
    ASSERT_EQ(loop.exitCode, 0) << loop.err;
    const std::string twice = m_dir.File("twice.wav");
    MakeWithTool("sox " + ShellQuote(m_dir.File("loop.wav")) + " " + ShellQuote(m_dir.File("loop.wav")) + " " +
                 ShellQuote(twice));
    const std::vector<StereoFrame> frames = Read("twice.wav");
    const std::size_t seam = static_cast<std::size_t>(kSeconds) * 44100;
    ASSERT_EQ(frames.size(), 2 * seam);
    const auto step = [&](std::size_t j) { return std::fabs(frames[j + 1].left - frames[j].left); };
    std::size_t smaller = 0;
    for (std::size_t j = 0; j + 1 < frames.size(); ++j)
        smaller += step(j) < step(seam - 1) ? 1 : 0;
    EXPECT_LT(static_cast<double>(smaller) / static_cast<double>(frames.size() - 1), 0.99);
    // The level runs on through the seam as anywhere: played twice, the
    // momentary loudness steps across the seam by no more than half the range,
    // as it does everywhere else.
    const std::vector<double> momentary = MomentaryLoudness(frames);
    EXPECT_LE(SteepestTurn(momentary), kRange * 0.5);
}

// Evening plans from the sound as synthesised, which is the same whether it
// waits on disk or is synthesised again.
TEST_F(CliLevelEveningTest, TheSoundKeptOnDiskOrSynthesisedTwiceIsEvenedAlike)
{
    ASSERT_EQ(Render("disk.wav", {"--level-range", "3", "--spill", "always"}, 20).exitCode, 0);
    ASSERT_EQ(Render("twice.wav", {"--level-range", "3", "--spill", "never", "--threads", "1"}, 20).exitCode, 0);
    // The samples: libsndfile stamps a float file's PEAK chunk with the time.
    const std::vector<StereoFrame> disk = Read("disk.wav");
    const std::vector<StereoFrame> twice = Read("twice.wav");
    ASSERT_EQ(disk.size(), twice.size());
    EXPECT_EQ(std::memcmp(disk.data(), twice.data(), disk.size() * sizeof(StereoFrame)), 0);
}

TEST_F(CliLevelEveningTest, ARangeOutsideOneToFortyIsAUsageError)
{
    for (const char* range : {"0.5", "41", "-6", "six", "nan", ""}) {
        const CliResult refused = Render("refused.wav", {"--level-range", range}, 5);
        EXPECT_EQ(refused.exitCode, 2) << range;
        EXPECT_THAT(refused.err, HasSubstr("use a number of LU from 1 to 40")) << range;
        EXPECT_FALSE(std::filesystem::exists(m_dir.File("refused.wav"))) << range;
    }
}
