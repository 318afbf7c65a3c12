// --level-range on a source whose places differ by far more than the range:
// one loud second and three quiet ones. The grains that read the loud second
// are brought down where they arise, so the track's short-term loudness holds
// within the range even though the walk jumps between the places every few
// seconds, and its momentary loudness moves from tenth to tenth by at most half
// the range; on any thread count and kernel alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/formats/reference_loudness.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::size_t kHop = 4410;  // a loudness every 100 ms
constexpr int kSeconds = 24;
constexpr int kFadeSeconds = 3;
constexpr double kRange = 6.0;

// The loudness of the windows of seconds (every 100 ms) that lie wholly
// between the fades.
std::vector<double> LoudnessBetweenFades(const std::vector<StereoFrame>& frames, double seconds)
{
    const std::vector<double> all = ReferenceWindowLoudness(frames, kRate, kHop, seconds);
    if (all.empty())
        return {0.0};
    const std::size_t hopsPerSecond = static_cast<std::size_t>(kRate) / kHop;
    const std::size_t first = kFadeSeconds * hopsPerSecond;
    const auto last = static_cast<std::size_t>((kSeconds - kFadeSeconds - seconds) * static_cast<double>(hopsPerSecond));
    return std::vector<double>(all.begin() + static_cast<std::ptrdiff_t>(std::min(first, all.size() - 1)),
                               all.begin() + static_cast<std::ptrdiff_t>(std::min(last + 1, all.size())));
}

// The share of the 3 s windows within lu of their median.
double ShareWithin(const std::vector<double>& loudness, double lu)
{
    std::vector<double> sorted = loudness;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const auto within = std::count_if(loudness.begin(), loudness.end(),
                                      [&](double value) { return std::fabs(value - median) <= lu; });
    return static_cast<double>(within) / static_cast<double>(loudness.size());
}

// How far the loudest window lies above the quietest.
double SpanOf(const std::vector<double>& loudness)
{
    const auto [lowest, highest] = std::minmax_element(loudness.begin(), loudness.end());
    return *highest - *lowest;
}

// The largest change of the momentary loudness (400 ms) from one tenth of a
// second to the next: how hard the level pumps.
double SteepestStep(const std::vector<double>& loudness)
{
    double steepest = 0.0;
    for (std::size_t n = 1; n < loudness.size(); ++n)
        steepest = std::max(steepest, std::fabs(loudness[n] - loudness[n - 1]));
    return steepest;
}

class CliLevelHoldTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox makes the test sounds";
    }

    // Pink noise: one second at -6 dBFS, then three seconds down by quietDb.
    std::string Source(const std::string& name, double quietDb) const
    {
        const std::string loud = m_dir.File(name + "-loud.wav");
        const std::string quiet = m_dir.File(name + "-quiet.wav");
        const std::string source = m_dir.File(name + ".wav");
        MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(loud) + " synth 1 pinknoise gain -6");
        MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(quiet) + " synth 3 pinknoise gain -6 gain " +
                     std::to_string(-quietDb));
        MakeWithTool("sox " + ShellQuote(loud) + " " + ShellQuote(quiet) + " " + ShellQuote(source));
        return source;
    }

    // Segments of 3 s, light grains to keep the test fast, as 32-bit floats.
    std::vector<StereoFrame> Render(const std::string& source, const std::string& name,
                                    std::vector<std::string> extra, int seconds = kSeconds) const
    {
        std::vector<std::string> arguments{source,        "-o",        m_dir.File(name), "--length",
                                           std::to_string(seconds),  "--fade", std::to_string(kFadeSeconds),
                                           "--seed",      "11",        "--bits",         "32",
                                           "--segment",   "3",         "--low-cut",      "20",
                                           "--density",   "1000",      "--grain-length", "400"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const SoundFileContents contents = ReadSoundFile(m_dir.File(name));
        EXPECT_TRUE(contents.m_bOpened) << name;
        return StereoFramesOf(contents);
    }

    TempDir m_dir;
};

}  // namespace

TEST_F(CliLevelHoldTest, HoldsTheShortTermLoudnessOfASourceOfFarApartPlacesWithinTheRange)
{
    for (const double contrast : {25.0, 40.0}) {
        const std::string source = Source("contrast" + std::to_string(static_cast<int>(contrast)), contrast);
        const std::vector<StereoFrame> plain = Render(source, "plain.wav", {});
        const std::vector<StereoFrame> held = Render(source, "held.wav", {"--level-range", "6"});
        // Without the range, the jumps between the places swing the track
        // over more than twice the range.
        EXPECT_GT(SpanOf(LoudnessBetweenFades(plain, 3.0)), 2.0 * 6.5) << contrast;
        EXPECT_GE(ShareWithin(LoudnessBetweenFades(held, 3.0), 6.5), 0.9) << contrast;
        // No pumping: the held track's momentary loudness moves from tenth
        // to tenth by at most half the range (its grains' levels lie within
        // it), where the plain track's leaps with the reading.
        EXPECT_GT(SteepestStep(LoudnessBetweenFades(plain, 0.4)), kRange * 0.5) << contrast;
        EXPECT_LE(SteepestStep(LoudnessBetweenFades(held, 0.4)), kRange * 0.5) << contrast;
    }
}

// The grains' gains are decided with the grains, before any thread adds them:
// the reference kernel on one thread and the fastest on three give the same
// samples.
TEST_F(CliLevelHoldTest, HeldGrainsAreTheSameOnAnyThreadCountAndKernel)
{
    const std::string source = Source("contrast", 40.0);
    const std::vector<StereoFrame> reference =
        Render(source, "reference.wav", {"--level-range", "6", "--kernel", "reference", "--threads", "1"}, 8);
    const std::vector<StereoFrame> threaded =
        Render(source, "threaded.wav", {"--level-range", "6", "--threads", "3"}, 8);
    ASSERT_EQ(reference.size(), static_cast<std::size_t>(8 * 44100));
    ASSERT_EQ(threaded.size(), reference.size());
    EXPECT_EQ(std::memcmp(reference.data(), threaded.data(), reference.size() * sizeof(StereoFrame)), 0);
}
