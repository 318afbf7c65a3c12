// Effects in the render: a layer's chain after its sound, the master chain
// after the mix, both before the track is finished; judged on the real
// program's outputs with Debian's plugins and the test bundle's.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/loop_seam.h"
#include "tests/cli/score_render_fixture.h"
#include "tests/support/external_tool.h"

namespace {

// The standard deviation of samples from first (in seconds) for seconds: 0
// for silence, whatever offset the finishing leaves.
double Deviation(const std::vector<float>& samples, double first, double seconds)
{
    const std::vector<float> part = Stretch(samples, first, seconds);
    double mean = 0.0;
    for (const float sample : part)
        mean += sample;
    mean /= static_cast<double>(part.size());
    double sum = 0.0;
    for (const float sample : part)
        sum += (sample - mean) * (sample - mean);
    return std::sqrt(sum / static_cast<double>(part.size()));
}

double Correlation(const std::vector<float>& a, const std::vector<float>& b)
{
    double ab = 0.0, aa = 0.0, bb = 0.0, meanA = 0.0, meanB = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        meanA += a[i];
        meanB += b[i];
    }
    meanA /= static_cast<double>(a.size());
    meanB /= static_cast<double>(b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return ab / std::sqrt(aa * bb);
}

const char kDelayUri[] = "http://drobilla.net/plugins/mda/Delay";
const char kAmbienceUri[] = "http://drobilla.net/plugins/mda/Ambience";
const char kGverbUri[] = "http://plugin.org.uk/swh-plugins/gverb";

std::string EffectLines(const std::string& header, const std::string& uri, const std::string& controls = "")
{
    std::string text = header + "\nplugin = \"" + uri + "\"\n";
    if (!controls.empty())
        text.append("controls = { ").append(controls).append(" }\n");
    return text;
}

class ScoreEffectsRenderTest : public ScoreRenderTest {
protected:
    void SetUp() override
    {
        ScoreRenderTest::SetUp();
        if (IsSkipped())
            return;
        if (!std::filesystem::exists("/usr/lib/lv2/mda.lv2") || !std::filesystem::exists("/usr/lib/lv2/gverb-swh.lv2"))
            GTEST_SKIP() << "mda-lv2 and swh-lv2 give the effects";
        MakeSource("source.wav", {"2 pinknoise vol 0.3"});
    }

    // A score of one light layer reading source.wav, then extra (effects, keyframes).
    std::string Score(const std::string& top, const std::string& layer, const std::string& after = "") const
    {
        return WriteScore("piece.toml", top + "seed = 31\n[[layer]]\nsource = \"source.wav\"\ndensity = 600\n"
                                              "grain_length = 150\n" +
                                              layer + after);
    }
};

}  // namespace

// A layer's delay and a master reverb: the same bits on one thread or two,
// with the sound set aside on disk or synthesised a second time for the
// writing pass; and not the dry sound.
TEST_F(ScoreEffectsRenderTest, ChainsGiveTheSameBitsOnAnyThreadsAndEitherWayOfTheSecondPass)
{
    const std::string effects = EffectLines("[[layer.effect]]", kDelayUri, "feedback = 0.5") +
                                EffectLines("[[effect]]", kGverbUri, "roomsize = 40, revtime = 2");
    const std::string score = Score("length = 5\n", "", effects);
    Render(score, File("one.wav"), {"--threads", "1", "--spill", "never"});
    Render(score, File("two.wav"), {"--threads", "2", "--spill", "always"});
    EXPECT_EQ(SoundBytes(File("one.wav")), SoundBytes(File("two.wav")));
    const std::string dry = Score("length = 5\n", "");
    Render(dry, File("dry.wav"));
    EXPECT_NE(SoundBytes(File("one.wav")), SoundBytes(File("dry.wav")));
}

// The layer falls silent at 3 s: dry, the track is silent from there; with
// a reverb on the mix, the reverb's tail rings on after it and decays.
TEST_F(ScoreEffectsRenderTest, AReverbRingsOnAfterItsLayerFallsSilent)
{
    const std::string silenced = "[[layer.at]]\ntime = 3\ngain = -inf\ncurve = \"step\"\n";
    Render(Score("length = 6\nfade = 0\n", silenced), File("dry.wav"), {"--bits", "32"});
    Render(Score("length = 6\nfade = 0\n", silenced, EffectLines("[[effect]]", kAmbienceUri, "size = 1, mix = 1")),
           File("wet.wav"), {"--bits", "32"});
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> dry = ChannelOf(File("dry.wav"), channel);
        const std::vector<float> wet = ChannelOf(File("wet.wav"), channel);
        const double dryLevel = Deviation(dry, 1.0, 1.5);
        ASSERT_GT(dryLevel, 0.01);
        EXPECT_LT(Deviation(dry, 3.01, 0.1), dryLevel * 1e-4);
        const double ringing = Deviation(wet, 3.01, 0.1);
        EXPECT_GT(ringing, Deviation(wet, 1.0, 1.5) * 0.02);
        EXPECT_LT(Deviation(wet, 4.5, 0.5), ringing * 0.5);
    }
}

// A plugin's latency is taken off. Artificial latency reports its delay
// control as its latency and passes its input through at once (a test bed
// for hosts): taken off, the mix comes out 100 ms early. Without a fade, so
// that the track's envelope does not differ between the two at the same
// moment of the mix.
TEST_F(ScoreEffectsRenderTest, ALatencyReportedIsTakenOff)
{
    Render(Score("length = 3\nfade = 0\n", ""), File("dry.wav"));
    Render(Score("length = 3\nfade = 0\n", "",
                 EffectLines("[[effect]]", "http://plugin.org.uk/swh-plugins/artificialLatency", "delay = 100")),
           File("early.wav"));
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> dry = ChannelOf(File("dry.wav"), channel);
        const std::vector<float> early = ChannelOf(File("early.wav"), channel);
        EXPECT_GT(Correlation(Stretch(dry, 0.1, 2.5), Stretch(early, 0.0, 2.5)), 0.999);
        // Unshifted they differ clearly (how much depends on how alike the
        // sound is to itself 100 ms later, about 0.55 here).
        EXPECT_LT(Correlation(Stretch(dry, 0.0, 2.5), Stretch(early, 0.0, 2.5)), 0.9);
    }
}

// A loop whose mix goes through a reverb, played twice end to end: no click
// and no gap at the seam.
TEST_F(ScoreEffectsRenderTest, ALoopThroughAReverbJoinsWithoutASeam)
{
    const std::string score = Score("length = 5\nfade = 1\nloop = true\n", "",
                                    EffectLines("[[effect]]", kGverbUri, "roomsize = 60, revtime = 3"));
    Render(score, File("loop.wav"), {"--bits", "32"});
    const std::string twice = File("twice.wav");
    ASSERT_EQ(RunTool("sox " + ShellQuote(File("loop.wav")) + " " + ShellQuote(File("loop.wav")) + " " +
                      ShellQuote(twice))
                  .exitCode,
              0);
    constexpr std::size_t kFrames = 5 * 44100;
    constexpr std::size_t kTenth = 4410;
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> samples = ChannelOf(twice, channel);
        ASSERT_EQ(samples.size(), 2 * kFrames);
        const double whole = Rms(samples, 0, kFrames);
        EXPECT_LT(StepRank(samples, kFrames - 1), 0.999);
        EXPECT_GT(Rms(samples, kFrames - kTenth, kTenth), 0.5 * whole);
        EXPECT_GT(Rms(samples, kFrames, kTenth), 0.5 * whole);
    }
}

// An excerpt's chains begin hearing the sound ten seconds before it, so the
// echoes and the reverb that ring into it are those of the whole render (up
// to what is left of them after ten seconds). The excerpt ends before the
// fade, where each render's own mean, faded, would tell them apart.
TEST_F(ScoreEffectsRenderTest, AnExcerptHearsWhatRingsIntoIt)
{
    const std::string effects = EffectLines("[[layer.effect]]", kDelayUri, "feedback = 0.6, fx_mix = 0.5") +
                                EffectLines("[[effect]]", kGverbUri, "roomsize = 60, revtime = 3");
    const std::string score = Score("length = 16\n", "", effects);
    Render(score, File("full.wav"), {"--bits", "32"});
    Render(score, File("excerpt.wav"), {"--from", "0:11", "--for", "2", "--bits", "32"});
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> full = ChannelOf(File("full.wav"), channel);
        const std::vector<float> excerpt = ChannelOf(File("excerpt.wav"), channel);
        ASSERT_EQ(excerpt.size(), 2u * 44100u);
        EXPECT_GT(Correlation(Stretch(full, 11.0, 2.0), excerpt), 0.99999);
    }
}

// A plugin that gives NaN fails the run with its name, and leaves no output.
TEST_F(ScoreEffectsRenderTest, APluginGivingNotANumberFailsTheRunWithItsName)
{
    const std::string score = Score(
        "length = 4\n", "", EffectLines("[[effect]]", "http://sonnelith.example.org/test-plugins/not-a-number", "after = 1"));
    const std::string lv2Path = SONNELITH_TEST_LV2_PATH;
    const CliResult result = RunCli({"-q", score, "-o", File("out.wav")},
                                    [lv2Path] { setenv("LV2_PATH", lv2Path.c_str(), 1); });
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_THAT(result.err, testing::HasSubstr("Test Not-a-number"));
    EXPECT_THAT(result.err, testing::HasSubstr("not a number"));
    EXPECT_FALSE(std::filesystem::exists(File("out.wav")));
}
