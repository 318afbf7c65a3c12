// Score renders give bytes that can be told in advance: a one-layer score
// where nothing moves writes the plain run's sound, a score printed back from
// an output renders that output's sound again, and a score with drift and
// spread writes the same sound on any number of threads and either kernel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/score_render_fixture.h"

namespace {

// The six values of a plain run, on the command line and in a score.
const std::vector<std::string> kPlainOptions = {"--length", "6",  "--seed",      "7",   "--volume",     "60",
                                                "--fade",   "1",  "--scan-range", "30", "--segment",    "2",
                                                "--density", "1000", "--grain-length", "200"};

const char* const kPlainScore = R"(length = 6
seed = 7
volume = 60
fade = 1

[[layer]]
source = "source.wav"
scan_range = 30
segment = 2
density = 1000
grain_length = 200
)";

// Two layers on one source and on another, each with keyframes and drift.
const char* const kMovingScore = R"(length = 5
seed = 31
fade = 1

[[layer]]
source = "source.wav"
density = 600
grain_length = 250
pitch_spread = 3
pan_spread = 70
[[layer.at]]
time = 0
gain = -12
[[layer.at]]
time = "0:04"
gain = 0
density = 1200
curve = "smooth"
[layer.drift]
pitch = { depth = 2, period = 2 }
scan_range = { depth = 20, period = 3 }

[[layer]]
source = "noise.wav"
gain = -6
density = 500
grain_length = 300
pitch_spread = 5
[layer.drift]
gain = { depth = 4, period = 1.5 }
)";

class ScoreBytesTest : public ScoreRenderTest {
protected:
    void SetUp() override
    {
        ScoreRenderTest::SetUp();
        if (IsSkipped())
            return;
        m_strSource = MakeSource("source.wav", {"2 sine 440 vol 0.5", "2 pinknoise vol 0.4", "2 square 220 vol 0.3"});
        MakeSource("noise.wav", {"3 brownnoise vol 0.5"});
    }

    // The plain run of the source with the six values, its score saved beside it.
    std::vector<unsigned char> PlainRunSound(const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> arguments{"-q", m_strSource, "-o", File("plain.wav")};
        arguments.insert(arguments.end(), kPlainOptions.begin(), kPlainOptions.end());
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CliResult run = Run(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return SoundBytes(File("plain.wav"));
    }

    std::string m_strSource;
};

}  // namespace

// Six seconds of 16-bit stereo: the sound is there and is the plain run's,
// from a score written by hand, from the one --save-score wrote, and at
// other thread counts.
TEST_F(ScoreBytesTest, AOneLayerScoreWhereNothingMovesWritesThePlainRunsSound)
{
    const std::vector<unsigned char> plain = PlainRunSound({"--save-score", File("saved.toml")});
    ASSERT_EQ(plain.size(), 6u * 44100u * 4u);

    const std::string handWritten = WriteScore("hand.toml", kPlainScore);
    for (const std::string& score : {handWritten, File("saved.toml")}) {
        for (const char* threads : {"1", "2", "3"}) {
            SCOPED_TRACE(score + " at --threads " + std::string(threads));
            Render(score, File("scored.wav"), {"--threads", threads});
            EXPECT_TRUE(SoundBytes(File("scored.wav")) == plain);
        }
    }
}

// The same score with one value changed is another sound: the comparison
// above is one that can fail.
TEST_F(ScoreBytesTest, AScoreThatDiffersFromThePlainRunWritesAnotherSound)
{
    const std::vector<unsigned char> plain = PlainRunSound();
    std::string score = kPlainScore;
    score.replace(score.find("density = 1000"), 14, "density = 1050");
    Render(WriteScore("other.toml", score), File("other.wav"));
    const std::vector<unsigned char> other = SoundBytes(File("other.wav"));
    EXPECT_EQ(other.size(), plain.size());
    EXPECT_FALSE(other == plain);
}

// The score stored in an output, printed and rendered from the sources'
// folder, writes the same sound; its output stores the same score again.
TEST_F(ScoreBytesTest, TheStoredScoreRendersTheSameSoundAgain)
{
    Render(WriteScore("moving.toml", kMovingScore), File("first.wav"));
    const CliResult printed = Run({"--score-of", File("first.wav")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    ASSERT_NE(printed.out.find("[[layer"), std::string::npos) << printed.out;

    Render(WriteScore("printed.toml", printed.out), File("again.wav"));
    const std::vector<unsigned char> first = SoundBytes(File("first.wav"));
    EXPECT_EQ(first.size(), 5u * 44100u * 4u);
    EXPECT_TRUE(SoundBytes(File("again.wav")) == first);
    EXPECT_EQ(Run({"--score-of", File("again.wav")}).out, printed.out);
}

// --length cuts a score short: its stored score has keyframes past its end,
// and renders the same sound again; with a longer --length it is the
// original score's longer track, the same bytes as that score gives.
TEST_F(ScoreBytesTest, AScoreCutShortByLengthStoresAScoreThatRendersAgain)
{
    const std::string score = WriteScore("relay.toml", R"(length = 4
seed = 5
fade = 1
[[layer]]
source = "source.wav"
density = 500
grain_length = 100
[[layer.at]]
time = "0:03"
gain = -12
density = 900
pitch = 5
[[layer.at]]
time = "0:04"
grain_length = 300
)");
    Render(score, File("short.wav"), {"--length", "1"});
    const CliResult printed = Run({"--score-of", File("short.wav")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    ASSERT_NE(printed.out.find("length = \"0:01\""), std::string::npos) << printed.out;
    ASSERT_NE(printed.out.find("time = \"0:04\""), std::string::npos) << printed.out;
    const std::string stored = WriteScore("stored.toml", printed.out);
    Render(stored, File("again.wav"));
    EXPECT_EQ(SoundBytes(File("again.wav")).size(), 44100u * 4u);
    EXPECT_TRUE(SoundBytes(File("again.wav")) == SoundBytes(File("short.wav")));

    Render(stored, File("longer.wav"), {"--length", "0:04"});
    Render(score, File("whole.wav"));
    EXPECT_EQ(SoundBytes(File("longer.wav")).size(), 4u * 44100u * 4u);
    EXPECT_TRUE(SoundBytes(File("longer.wav")) == SoundBytes(File("whole.wav")));
}

// A plain run stored with --tag renders again from its printed score too.
TEST_F(ScoreBytesTest, APlainRunsStoredScoreRendersItsSoundAgain)
{
    const std::vector<unsigned char> plain = PlainRunSound({"--tag"});
    const CliResult printed = Run({"--score-of", File("plain.wav")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    Render(WriteScore("printed.toml", printed.out), File("again.wav"));
    EXPECT_TRUE(SoundBytes(File("again.wav")) == plain);
}

// Drift, spread and keyframes on two layers: the same bytes whatever the
// number of threads and whichever kernel mixes the grains.
TEST_F(ScoreBytesTest, AMovingScoreWritesTheSameBytesOnAnyThreadsAndKernel)
{
    const std::string score = WriteScore("moving.toml", kMovingScore);
    Render(score, File("reference.wav"), {"--threads", "1", "--kernel", "reference"});
    const std::vector<unsigned char> reference = SoundBytes(File("reference.wav"));
    ASSERT_EQ(reference.size(), 5u * 44100u * 4u);
    const std::vector<std::vector<std::string>> runs = {
        {"--threads", "1"}, {"--threads", "2"}, {"--threads", "3"}, {"--threads", "3", "--kernel", "reference"}};
    for (const std::vector<std::string>& options : runs) {
        SCOPED_TRACE(options.size() > 2 ? "--kernel reference at 3 threads" : "--threads " + options[1]);
        Render(score, File("again.wav"), options);
        EXPECT_TRUE(SoundBytes(File("again.wav")) == reference);
    }
}
