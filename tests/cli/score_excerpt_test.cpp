// An excerpt (--from, --for) is the same stretch of the full render, levelled
// on its own: the same grains at the same places with the same automation.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/score_render_fixture.h"

namespace {

// The correlation of two signals of one length around their means: 1 when
// one is the other scaled by a positive gain and shifted by an offset.
double Correlation(const std::vector<float>& a, const std::vector<float>& b)
{
    double meanA = 0.0, meanB = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        meanA += a[i];
        meanB += b[i];
    }
    meanA /= static_cast<double>(a.size());
    meanB /= static_cast<double>(b.size());
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return ab / std::sqrt(aa * bb);
}

// Forty seconds of two layers whose gain, density, pitch and scan range move,
// one of them drifting; the score's fade is the default.
const char* const kScore = R"(length = 40
seed = 77

[[layer]]
source = "source.wav"
density = 600
grain_length = 300
pan_spread = 50
[[layer.at]]
time = 0
gain = -20
pitch = 0
[[layer.at]]
time = 25
gain = 0
density = 1500
pitch = 5
curve = "smooth"
[[layer.at]]
time = 40
scan_range = 10
[layer.drift]
pitch = { depth = 1, period = 7 }

[[layer]]
source = "noise.wav"
gain = -10
density = 500
grain_length = 400
[[layer.at]]
time = 22
gain = -30
curve = "step"
)";

class ScoreExcerptTest : public ScoreRenderTest {};

}  // namespace

// Ten seconds from 0:20, across a smooth and a step keyframe: correlation
// above 0.999 per channel leaves room only for 16-bit rounding at the two
// renders' own levels, not for one grain more or less or a value read at
// another time.
TEST_F(ScoreExcerptTest, AnExcerptIsTheSameStretchOfTheFullRender)
{
    MakeSource("source.wav", {"2 sine 440 vol 0.5", "2 sawtooth 150 vol 0.4", "2 pinknoise vol 0.3"});
    MakeSource("noise.wav", {"3 brownnoise vol 0.5"});
    const std::string score = WriteScore("piece.toml", kScore);
    Render(score, File("full.wav"));
    Render(score, File("excerpt.wav"), {"--from", "0:20", "--for", "10"});
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> full = ChannelOf(File("full.wav"), channel);
        const std::vector<float> excerpt = ChannelOf(File("excerpt.wav"), channel);
        ASSERT_EQ(full.size(), 40u * 44100u);
        ASSERT_EQ(excerpt.size(), 10u * 44100u);
        EXPECT_GT(Correlation(Stretch(full, 20.0, 10.0), excerpt), 0.999);
        // One second off is another sound altogether: the measure can fail.
        EXPECT_LT(Correlation(Stretch(full, 21.0, 9.0), Stretch(excerpt, 0.0, 9.0)), 0.5);
    }
}

// --for takes a length written as --from and --length take theirs.
TEST_F(ScoreExcerptTest, TheExcerptsLengthIsWrittenAsAnyLength)
{
    MakeSource("source.wav", {"2 sine 440 vol 0.5"});
    const std::string score = WriteScore(
        "short.toml", "length = 3\nseed = 5\n[[layer]]\nsource = \"source.wav\"\ndensity = 500\ngrain_length = 100\n");
    Render(score, File("seconds.wav"), {"--from", "1", "--for", "2"});
    Render(score, File("minutes.wav"), {"--from", "0:01", "--for", "0:02"});
    const std::vector<unsigned char> seconds = SoundBytes(File("seconds.wav"));
    EXPECT_EQ(seconds.size(), 2u * 44100u * 4u);
    EXPECT_TRUE(SoundBytes(File("minutes.wav")) == seconds);
}

// Six day-long layers whose density and scanning range drift every second
// across their whole ranges: the way to 23:59 takes many seconds. Ctrl+C
// a second in, during that skip, ends the run within a second, as a
// cancel anywhere else does, and leaves no output.
TEST_F(ScoreExcerptTest, CtrlCDuringTheSkipToAnExcerptEndsTheRunWithinASecond)
{
    MakeSource("source.wav", {"3 pinknoise vol 0.5"});
    std::string text = "length = \"24:00:00\"\nseed = 5\n";
    for (int layer = 0; layer < 6; ++layer) {
        text.append("[[layer]]\nsource = \"source.wav\"\ndensity = 10000\ngrain_length = 50\n[layer.drift]\n");
        text.append("density = { depth = 9000, period = 1 }\nscan_range = { depth = 90, period = 1 }\n");
    }
    const std::string score = WriteScore("restless.toml", text);
    TempDir logs;
    CliProcess process({score, "-o", File("excerpt.wav"), "--from", "23:59:00", "--for", "10"}, logs.Path().string());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto signalled = std::chrono::steady_clock::now();
    process.Signal(SIGINT);
    const CliResult result = process.Wait();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - signalled;
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_THAT(result.err, testing::HasSubstr("cancelled"));
    EXPECT_LT(took.count(), 1.0);
    EXPECT_FALSE(std::filesystem::exists(File("excerpt.wav")));
}
