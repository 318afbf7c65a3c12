#include "effects/effect_chain.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "effects/effect_block.h"
#include "effects/effect_failure.h"
#include "effects/plugin_crash_report.h"
#include "tests/effects/effect_test_sounds.h"
#include "tests/effects/lv2_test_plugins.h"

using ::testing::HasSubstr;

namespace {

constexpr std::size_t kSecond = kRunSampleRate;

EffectSetting Effect(const char* uri, std::map<std::string, double> controls = {})
{
    EffectSetting setting;
    setting.m_strPlugin = uri;
    setting.m_controls = std::move(controls);
    return setting;
}

ChainOutput RunChain(const EffectChainSetting& settings, std::span<const StereoFrame> sound, const TailRule& rule = {})
{
    EffectChain chain(settings);
    return RunEffectChain(chain, sound, rule);
}

// The sound fed in pieces of the lengths given, in turn, round and round.
ChainOutput RunInPieces(const EffectChainSetting& settings, std::span<const StereoFrame> sound,
                        const std::vector<std::size_t>& lengths)
{
    EffectChain chain(settings);
    ChainOutput output;
    std::size_t at = 0;
    for (std::size_t piece = 0; at < sound.size(); ++piece) {
        const std::size_t length = std::min(lengths[piece % lengths.size()], sound.size() - at);
        chain.Feed(sound.subspan(at, length), output.m_sound);
        at += length;
        EXPECT_LE(output.m_sound.size(), at);
        EXPECT_EQ(chain.GetFramesOut(), output.m_sound.size());
        EXPECT_EQ(chain.GetFramesFed(), at);
    }
    output.m_tail = chain.Finish(output.m_sound);
    return output;
}

std::string FailureOf(const EffectChainSetting& settings, std::span<const StereoFrame> sound = {})
{
    try {
        RunChain(settings, sound);
    } catch (const EffectFailure& failure) {
        return failure.what();
    }
    return "no failure";
}

}  // namespace

TEST(EffectChain, AReverbRingsOnAfterAClickAndItsTailIsKept)
{
    const std::vector<StereoFrame> click = ClickSound(kSecond / 2, 100);
    const ChainOutput dry = RunChain({}, click);
    EXPECT_TRUE(SameBits(dry.m_sound, click));
    EXPECT_TRUE(dry.m_tail.m_frames.empty());

    const ChainOutput wet = RunChain({Effect(kGverbUri, {{"revtime", 2.0}})}, click);
    ASSERT_EQ(wet.m_sound.size(), click.size());
    // The room answers for a good while after the click (from 50 ms on)...
    EXPECT_GT(Energy(wet.m_sound, 100 + kSecond / 20, kSecond / 10), 1e-4);
    // ...and decays: the tail is kept, fading, and ends well before the cap.
    const std::vector<StereoFrame>& tail = wet.m_tail.m_frames;
    ASSERT_GT(tail.size(), kSecond);
    EXPECT_FALSE(wet.m_tail.m_bCut);
    EXPECT_LT(tail.size(), 10 * kSecond);
    const std::size_t half = tail.size() / 2;
    EXPECT_GT(Energy(tail, 0, half), 100.0 * Energy(tail, half, tail.size() - half));
    // Its last frame is above the quiet level, 90 dB below the output's peak.
    const float quiet = Peak(wet.m_sound) * std::pow(10.0f, -90.0f / 20.0f);
    EXPECT_GT(std::max(std::fabs(tail.back().left), std::fabs(tail.back().right)), quiet);
}

TEST(EffectChain, AFeedbackDelaysEchoesGoOnPastTheEnd)
{
    // mda Delay: 0.5 s on the left, echoing back at 70 %.
    const std::vector<StereoFrame> click = ClickSound(kSecond / 4, 0);
    const ChainOutput echoes =
        RunChain({Effect(kMdaDelayUri, {{"l_delay", 0.5}, {"feedback", 0.7}, {"fx_mix", 0.5}})}, click);
    const std::vector<StereoFrame>& tail = echoes.m_tail.m_frames;
    ASSERT_GT(tail.size(), kSecond);
    EXPECT_FALSE(echoes.m_tail.m_bCut);
    // Each second of the tail quieter than the one before.
    double before = Energy(tail, 0, kSecond);
    for (std::size_t second = 1; second + 1 < tail.size() / kSecond; ++second) {
        const double energy = Energy(tail, second * kSecond, kSecond);
        EXPECT_LT(energy, before) << second;
        before = energy;
    }
}

TEST(EffectChain, GivesTheSameBitsWhateverThePiecesTheThreadOrTheRun)
{
    const EffectChainSetting reverb = {Effect(kAmbienceUri, {{"size", 0.9}}), Effect(kMdaDelayUri),
                                       Effect(kGverbUri, {{"revtime", 1.0}})};
    const std::vector<StereoFrame> noise = NoiseSound(kSecond / 2, 0.5f, 7);
    const ChainOutput whole = RunChain(reverb, noise);
    const ChainOutput again = RunChain(reverb, noise);
    const ChainOutput pieces = RunInPieces(reverb, noise, {1, 999, 4097, kEffectBlockFrames, 3});
    ChainOutput elsewhere;
    std::thread([&] { elsewhere = RunChain(reverb, noise); }).join();
    for (const ChainOutput* other : {&again, &pieces, static_cast<const ChainOutput*>(&elsewhere)}) {
        EXPECT_TRUE(SameBits(other->m_sound, whole.m_sound));
        EXPECT_TRUE(SameBits(other->m_tail.m_frames, whole.m_tail.m_frames));
    }
    EXPECT_FALSE(SameBits(whole.m_sound, noise));
}

TEST(EffectChain, TakesOffTheLatencyPluginsReport)
{
    const std::vector<StereoFrame> noise = NoiseSound(kSecond / 4, 0.5f, 3);
    // Artificial latency reports a latency of its delay control (10 ms: 441
    // frames) and passes its input through at once, as a host's test bed:
    // taken off, the input comes out that much early.
    EffectChain chain({Effect(kLatencyUri, {{"delay", 10.0}}), Effect(kLatencyUri, {{"delay", 20.0}})});
    const ChainOutput output = RunEffectChain(chain, noise);
    const std::size_t latency = 441 + 882;
    EXPECT_EQ(chain.GetLatencyFrames(), latency);
    ASSERT_EQ(output.m_sound.size(), noise.size());
    EXPECT_TRUE(SameBits(std::span(output.m_sound).first(noise.size() - latency), std::span(noise).subspan(latency)));
    EXPECT_EQ(Peak(std::span(output.m_sound).last(latency)), 0.0f);
    EXPECT_TRUE(output.m_tail.m_frames.empty());
}

TEST(EffectChain, RunsAMonoPluginOncePerSideAndFeedsAMonoInputTheMiddle)
{
    const std::vector<StereoFrame> tone = LeftToneSound(kSecond / 10, 441.0, 0.25);
    const ChainOutput louder = RunChain({Effect(kAmpUri, {{"gain", 20.0}})}, tone);
    ASSERT_EQ(louder.m_sound.size(), tone.size());
    for (std::size_t i = 0; i < tone.size(); ++i) {
        ASSERT_NEAR(louder.m_sound[i].left, tone[i].left * 10.0f, 1e-5f) << i;
        ASSERT_EQ(louder.m_sound[i].right, 0.0f) << i;
    }
    // GVerb takes one input and gives two: a sound on the left alone comes
    // out on both sides.
    const ChainOutput room = RunChain({Effect(kGverbUri)}, tone);
    EXPECT_GT(Energy(room.m_sound, 0, tone.size()), 0.0);
    float right = 0.0f;
    for (const StereoFrame& frame : room.m_sound)
        right = std::max(right, std::fabs(frame.right));
    EXPECT_GT(right, 0.01f);
}

TEST(EffectChain, SetsACutoffGivenInFractionsOfTheRateInHertz)
{
    // Taken as 0.34 Hz instead of 14885 Hz, swh's lowpass would silence the
    // noise, and its filter would overflow in the tail.
    const std::vector<StereoFrame> noise = NoiseSound(kSecond / 2, 0.5f, 13);
    const ChainOutput filtered = RunChain({Effect("http://plugin.org.uk/swh-plugins/lowpass_iir")}, noise);
    EXPECT_GT(Energy(filtered.m_sound, 0, noise.size()), 0.5 * Energy(noise, 0, noise.size()));
}

TEST(EffectChain, RefusesAPluginsNonFiniteOutputNamingIt)
{
    const std::vector<StereoFrame> noise = NoiseSound(kSecond / 5, 0.5f, 5);
    // Fine up to its NaN, after the sound and its tail's watch (2 s).
    const ChainOutput fine = RunChain({Effect(kNotANumberUri, {{"after", 5.0}})}, noise);
    EXPECT_TRUE(SameBits(fine.m_sound, noise));
    // Its count starts with the chain's 8 blocks of silence before the
    // sound: 0.3 s in is 0.114 s into the sound.
    const std::string failure = FailureOf({Effect(kAmbienceUri), Effect(kNotANumberUri, {{"after", 0.3}})}, noise);
    EXPECT_THAT(failure, HasSubstr("Test Not-a-number (http://sonnelith.example.org/test-plugins/not-a-number)"));
    EXPECT_THAT(failure, HasSubstr("a value that is not a number at 0.114 s of its sound"));
    EXPECT_THAT(FailureOf({Effect(kNotANumberUri, {{"after", 0.0}})}, noise),
                HasSubstr("not a number in the silence before its sound"));
}

// The program still dies (the plugin's memory can no longer be trusted), on
// the signal, or under the sanitizers by their report; it names the plugin
// first.
TEST(EffectChainDeathTest, APluginThatCrashesIsNamedOnTheWayDown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::vector<StereoFrame> noise = NoiseSound(kSecond / 5, 0.5f, 5);
    const auto crashed = [](int status) {
        return WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
    };
    EXPECT_EXIT(
        {
            ReportPluginCrashes("effects_tests");
            RunChain({Effect(kCrashUri, {{"at", 0.25}})}, noise);
        },
        crashed,
        "effects_tests: the effect plugin Test Crash \\(http://sonnelith.example.org/test-plugins/crash\\) crashed "
        "\\(a memory fault\\); the run ends, and its output is not written");
}

TEST(EffectChain, RefusesWhatItCannotRunBeforeRunningAnything)
{
    EXPECT_THAT(FailureOf({Effect("http://drobilla.net/plugins/mda/Ambiance")}),
                HasSubstr("no effect plugin http://drobilla.net/plugins/mda/Ambiance is installed"));
    EXPECT_THAT(FailureOf({Effect(kAmbienceUri, {{"sise", 0.5}})}),
                HasSubstr("MDA Ambience (http://drobilla.net/plugins/mda/Ambience) has no control 'sise'"));
    EXPECT_THAT(FailureOf({Effect(kAmbienceUri, {{"size", 2.0}})}), HasSubstr("use 0 to 1"));
    EXPECT_THAT(FailureOf({Effect(kUnobtainableUri)}), HasSubstr("cannot be used: it needs the host feature"));
    EXPECT_THAT(FailureOf({Effect(kSynthUri)}), HasSubstr("cannot be used: it takes no sound in"));
}

TEST(EffectChain, DoesAWorkersJobInLine)
{
    // The plugin is silent until its worker has answered the gain it asked
    // for: done in line, the answer is there before the sound.
    const std::vector<StereoFrame> noise = NoiseSound(3 * kEffectBlockFrames, 0.5f, 9);
    const ChainOutput output = RunChain({Effect(kWorkerGainUri, {{"gain", 2.0}})}, noise);
    ASSERT_EQ(output.m_sound.size(), noise.size());
    for (std::size_t i = 0; i < noise.size(); ++i) {
        ASSERT_EQ(output.m_sound[i].left, noise[i].left * 2.0f) << i;
        ASSERT_EQ(output.m_sound[i].right, noise[i].right * 2.0f) << i;
    }
}

TEST(EffectChain, ATailWrappedOntoALoopsStartIsWhatTheLoopPlayingOnWouldHear)
{
    // A feedback delay is linear and time-invariant: played round and round,
    // a loop's start hears the echoes of every earlier time round, which the
    // wrapped tail holds.
    const EffectChainSetting delay = {
        Effect(kMdaDelayUri, {{"l_delay", 0.3}, {"r_delay", 0.2}, {"feedback", 0.5}, {"fx_mix", 0.5}})};
    const std::vector<StereoFrame> loop = NoiseSound(kSecond / 2, 0.5f, 11);
    ChainOutput once = RunChain(delay, loop);
    ASSERT_GT(once.m_tail.m_frames.size(), loop.size());  // longer than the loop: wrapped more than once
    WrapTailOntoStart(once.m_sound, once.m_tail.m_frames);

    std::vector<StereoFrame> rounds;
    for (int round = 0; round < 6; ++round)
        rounds.insert(rounds.end(), loop.begin(), loop.end());
    const ChainOutput played = RunChain(delay, rounds);
    const std::span<const StereoFrame> lastRound = std::span(played.m_sound).last(loop.size());
    // The tail stops 90 dB down; the sums differ in their rounding only.
    const float tolerance = Peak(lastRound) * 1e-4f;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        ASSERT_NEAR(once.m_sound[i].left, lastRound[i].left, tolerance) << i;
        ASSERT_NEAR(once.m_sound[i].right, lastRound[i].right, tolerance) << i;
    }
}

TEST(EffectChain, CutsATailThatHasNotDecayedByTheLongest)
{
    const std::vector<StereoFrame> click = ClickSound(kSecond / 10, 0);
    TailRule rule;
    rule.m_dLongestSeconds = 0.5;
    const ChainOutput output =
        RunChain({Effect(kCombUri, {{"delay_time", 0.05}, {"decay_time", 10.0}})}, click, rule);
    EXPECT_TRUE(output.m_tail.m_bCut);
    EXPECT_GT(output.m_tail.m_frames.size(), kSecond * 4 / 10);
    EXPECT_LE(output.m_tail.m_frames.size(), kSecond / 2);
}
