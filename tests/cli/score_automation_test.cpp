// What a score's layers do to the sound, measured on sources made by sox: a
// pitch line moves the tone by semitones, gain keyframes cross-fade a tone
// into noise, a source stretch is all a layer reads, and a looped score with
// keyframes joins its end to its start without a step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/cli/loop_seam.h"
#include "tests/cli/score_render_fixture.h"
#include "tests/formats/spectrum.h"
#include "tests/support/external_tool.h"

namespace {

constexpr double kRate = 44100.0;
// The frames a spectrum looks at: a power of two, as SpectrumOf takes, 0.74 s.
constexpr std::size_t kLookFrames = 32768;
constexpr double kLook = static_cast<double>(kLookFrames) / kRate;

// The spectrum of the stretch from first (in seconds), or of the last
// frames when the stretch would reach past the end.
Spectrum SpectrumAt(const std::vector<float>& samples, double first)
{
    const std::size_t from =
        std::min(static_cast<std::size_t>(first * kRate), samples.size() - std::min(samples.size(), kLookFrames));
    const auto begin = samples.begin() + static_cast<long>(from);
    return SpectrumOf(std::vector<float>(begin, begin + static_cast<long>(std::min(kLookFrames, samples.size()))),
                      kRate);
}

class ScoreAutomationTest : public ScoreRenderTest {};

}  // namespace

// Pitch 0 at 0:00 to 12 at 1:00 over a 1000 Hz tone: the frequency at each
// moment is 1000 * 2^(semitones / 12), so about 1000 Hz at the start, 1414
// Hz in the middle (a line in hertz would give 1500) and 2000 Hz at the end.
TEST_F(ScoreAutomationTest, APitchLineMovesTheToneBySemitones)
{
    MakeSource("tone.wav", {"4 sine 1000 vol 0.5"});
    const std::string score = WriteScore("pitch.toml", R"(length = "1:00"
seed = 5
fade = 0
[[layer]]
source = "tone.wav"
density = 500
grain_length = 100
[[layer.at]]
time = "0:00"
pitch = 0
[[layer.at]]
time = "1:00"
pitch = 12
)");
    Render(score, File("pitch.wav"));
    const std::vector<float> left = ChannelOf(File("pitch.wav"), 0);
    ASSERT_EQ(left.size(), 60u * 44100u);
    for (const double first : {0.0, 30.0 - kLook / 2, 60.0 - kLook}) {
        const double middle = first + kLook / 2;
        const double expected = 1000.0 * std::exp2(middle / 60.0);
        // The stretch looked at spans 0.74 s, 0.15 semitone (0.9 %) of the
        // line, and a grain sounds for 0.1 s at the pitch of its start: the
        // peak lies within 1.5 % of the line at the stretch's middle, while a
        // line in hertz would be 6 % off in the middle.
        EXPECT_NEAR(SpectrumAt(left, first).PeakFrequencyBetween(500, 4000), expected, 0.015 * expected)
            << "around " << middle << " s";
    }
}

// A tone at 0 dB fading to silence while pink noise rises from silence: the
// spectrum is a single line at the start (flatness near 0) and broad at the
// end (pink noise measures about 0.3 to 0.5 over this band).
TEST_F(ScoreAutomationTest, GainKeyframesCrossFadeATrackFromToneToNoise)
{
    MakeSource("tone.wav", {"4 sine 1000 vol 0.5"});
    MakeSource("noise.wav", {"4 pinknoise vol 0.5"});
    const std::string score = WriteScore("cross.toml", R"(length = 20
seed = 9
fade = 0
[[layer]]
source = "tone.wav"
density = 500
[[layer.at]]
time = 0
gain = 0
[[layer.at]]
time = 20
gain = -inf

[[layer]]
source = "noise.wav"
density = 500
[[layer.at]]
time = 0
gain = -inf
[[layer.at]]
time = 20
gain = 0
)");
    Render(score, File("cross.wav"));
    const std::vector<float> left = ChannelOf(File("cross.wav"), 0);
    ASSERT_EQ(left.size(), 20u * 44100u);
    const Spectrum start = SpectrumAt(left, 0.0);
    const Spectrum end = SpectrumAt(left, 20.0 - kLook);
    EXPECT_LT(start.FlatnessBetween(200, 8000), 0.01);
    EXPECT_NEAR(start.PeakFrequencyBetween(200, 8000), 1000.0, 5.0);
    EXPECT_GT(end.FlatnessBetween(200, 8000), 0.15);
}

// A source whose first half is 500 Hz and second half 3000 Hz, read over its
// whole range in short segments: a layer that reads one half has that half's
// tone, and the other's stays 40 dB below it (the grains' own envelopes
// spread a line by a few hertz, not by octaves).
TEST_F(ScoreAutomationTest, ALayerReadsOnlyItsSourceStretch)
{
    MakeSource("halves.wav", {"2 sine 500 vol 0.5", "2 sine 3000 vol 0.5"});
    const auto render = [&](const std::string& stretch) {
        const std::string score =
            WriteScore("stretch.toml", "length = 6\nseed = 3\nfade = 0\n[[layer]]\nsource = \"halves.wav\"\n"
                                       "density = 1000\nscan_range = 100\nsegment = 1\n" +
                                           stretch);
        Render(score, File("stretch.wav"));
        // The first 2^18 frames: 5.9 of the 6 seconds.
        return SpectrumOf(ChannelOf(File("stretch.wav"), 0), kRate);
    };
    const Spectrum second = render("source_start = 2\nsource_end = 4\n");
    EXPECT_NEAR(second.PeakFrequencyBetween(100, 8000), 3000.0, 5.0);
    EXPECT_LT(second.LargestBetween(480, 520), 0.01 * second.LargestBetween(2980, 3020));

    const Spectrum first = render("source_start = 0\nsource_end = \"0:02\"\n");
    EXPECT_NEAR(first.PeakFrequencyBetween(100, 8000), 500.0, 5.0);
    EXPECT_LT(first.LargestBetween(2980, 3020), 0.01 * first.LargestBetween(480, 520));

    // Read whole, the source gives both within 20 dB: the measures above can tell.
    const Spectrum whole = render("");
    EXPECT_GT(whole.LargestBetween(480, 520), 0.1 * whole.LargestBetween(2980, 3020));
    EXPECT_GT(whole.LargestBetween(2980, 3020), 0.1 * whole.LargestBetween(480, 520));
}

// Long grains first, then short ones an octave up: no grain reads more than
// 0.9 s, so a stretch of 1.2 s holds them all and sounds on both sides of
// the change; one of 0.85 s is refused for the 0.9 s grains really read,
// not for the 1.8 s of the long grains an octave up, which never play.
TEST_F(ScoreAutomationTest, AStretchNeedsRoomOnlyForTheGrainsItsTimelineReads)
{
    MakeSource("tone.wav", {"2 sine 500 vol 0.5"});
    const auto score = [&](const std::string& end) {
        return WriteScore("relay.toml", "length = 4\nseed = 3\nfade = 0\n[[layer]]\nsource = \"tone.wav\"\n"
                                        "source_end = " + end + "\ndensity = 500\ngrain_length = 900\n"
                                        "[[layer.at]]\ntime = 2\ngrain_length = 450\npitch = 12\ncurve = \"step\"\n");
    };
    Render(score("1.2"), File("relay.wav"));
    const std::vector<float> left = ChannelOf(File("relay.wav"), 0);
    ASSERT_EQ(left.size(), 4u * 44100u);
    EXPECT_NEAR(SpectrumOf(Stretch(left, 0.5, kLook), kRate).PeakFrequencyBetween(100, 8000), 500.0, 5.0);
    EXPECT_NEAR(SpectrumOf(Stretch(left, 3.0, kLook), kRate).PeakFrequencyBetween(100, 8000), 1000.0, 5.0);

    const CliResult refused = Run({score("0.85"), "-o", File("refused.wav")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("the layer reads 0.850 s of tone.wav, and its longest grain reads 0.900 s"),
              std::string::npos)
        << refused.err;
}

// Played twice end to end, a looped score whose pitch and density move
// joins at a step like the others and keeps its level on both sides.
TEST_F(ScoreAutomationTest, ALoopedScoreWithKeyframesJoinsWithoutAStep)
{
    MakeSource("source.wav", {"2 sine 300 vol 0.5", "2 pinknoise vol 0.4"});
    const std::string score = WriteScore("loop.toml", R"(length = 6
seed = 21
fade = 1
loop = true
[[layer]]
source = "source.wav"
density = 1000
[[layer.at]]
time = 0
pitch = 0
[[layer.at]]
time = 6
pitch = 7
density = 2000
)");
    Render(score, File("loop.wav"), {"--bits", "32"});
    const std::string twice = File("twice.wav");
    ASSERT_EQ(RunTool("sox " + ShellQuote(File("loop.wav")) + " " + ShellQuote(File("loop.wav")) + " " +
                      ShellQuote(twice))
                  .exitCode,
              0);
    constexpr std::size_t kFrames = 6 * 44100;
    constexpr std::size_t kTenth = 4410;
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> samples = ChannelOf(twice, channel);
        ASSERT_EQ(samples.size(), 2 * kFrames);
        const double whole = Rms(samples, 0, kFrames);
        // A click at the seam would be among the largest 0.1 % of the steps.
        // (The seam's step of a joined sound is one draw among its steps: at
        // 1 % one seed in a hundred would fail without any click.)
        EXPECT_LT(StepRank(samples, kFrames - 1), 0.999);
        // A gap or a fade at the seam would take the level far below its mean.
        EXPECT_GT(Rms(samples, kFrames - kTenth, kTenth), 0.5 * whole);
        EXPECT_GT(Rms(samples, kFrames, kTenth), 0.5 * whole);
    }
}
