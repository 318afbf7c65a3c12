// The live session with a score's effects run by Debian's LV2 plugins (each
// test skipped when its plugin is not installed): what the consumer pulls is
// the renderer's excerpt with the same effects, on a layer (its layers shared
// by the workers) and on the mix; the file's level is the level with them;
// an effect that cannot be made leaves the session saying why, and able to
// play the next score.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "effects/effect_chain.h"
#include "live_session/level_estimate.h"
#include "live_session/live_session.h"
#include "tests/engine/seek/seek_scores.h"
#include "tests/effects/lv2_test_plugins.h"

namespace {

using namespace std::chrono_literals;

constexpr float kGain = 0.5f;

const SoundChainMaker kPlugins = [](const EffectChainSetting& settings) {
    return std::make_unique<EffectChain>(settings);
};

EffectSetting EffectOf(const char* uri, std::map<std::string, double> controls = {})
{
    EffectSetting effect;
    effect.m_strPlugin = uri;
    effect.m_controls = std::move(controls);
    effect.m_nLine = 12;
    return effect;
}

// Whether the plugin can be had here.
bool Installed(const char* uri)
{
    try {
        kPlugins({EffectOf(uri)});
        return true;
    } catch (const SoundChainFailure&) {
        return false;
    }
}

struct Sources {
    std::vector<StereoFrame> m_tones = Tones(6.0);
};

std::shared_ptr<const SessionScore> SessionOf(const Score& score, const std::shared_ptr<Sources>& sources)
{
    auto session = std::make_shared<SessionScore>();
    session->m_pScore = std::make_shared<const Score>(score);
    session->m_nSeed = kSeekTestSeed;
    session->m_sources["tones"] = sources->m_tones;
    session->m_pHeld = sources;
    session->m_makeChain = kPlugins;
    session->m_describe = [](int line, const std::string& why) { return "line " + std::to_string(line) + ": " + why; };
    return session;
}

LiveSessionOptions Quiet()
{
    LiveSessionOptions options;
    options.m_bSurveyLevel = false;
    options.m_bIndex = false;
    return options;
}

// The renderer's excerpt with the score's effects, times the gain.
std::vector<StereoFrame> Excerpt(const Score& score, const Sources& sources, std::uint64_t first, std::uint64_t frames)
{
    PieceRequest request;
    request.m_pScore = &score;
    request.m_nSeed = kSeekTestSeed;
    request.m_nExcerptFirst = first;
    request.m_nExcerptFrames = frames;
    request.m_makeChain = kPlugins;
    ScorePiece::Making made = ScorePiece::Make(request, {{"tones", sources.m_tones}});
    EXPECT_TRUE(made.m_pPiece);
    std::vector<StereoFrame> sound = Synthesise(*made.m_pPiece, frames);
    for (StereoFrame& frame : sound) {
        frame.left *= kGain;
        frame.right *= kGain;
    }
    return sound;
}

// frames frames of sound, as fast as they come (the silence of finding the
// place left out).
std::vector<StereoFrame> PullSound(LiveSession& session, std::size_t frames)
{
    std::vector<StereoFrame> sound;
    std::vector<StereoFrame> block(512);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    std::uint64_t before = session.GetConsumerFrame();
    while (sound.size() < frames && std::chrono::steady_clock::now() < deadline) {
        session.Fill(block.data(), block.size());
        const std::uint64_t after = session.GetConsumerFrame();
        const auto got = static_cast<long>(std::min<std::uint64_t>(after - before, block.size()));
        sound.insert(sound.end(), block.begin(), block.begin() + got);
        before = after;
        if (got == 0)
            std::this_thread::sleep_for(1ms);
    }
    sound.resize(std::min(sound.size(), frames));
    return sound;
}

// groups: how many workers share the layers (a chain on the mix takes them all).
void ExpectTheExcerpt(const Score& score, const std::shared_ptr<Sources>& sources, std::size_t groups)
{
    LiveSession session(Quiet());
    session.SetGain(kGain);
    session.SetScore(SessionOf(score, sources));
    const std::uint64_t start = 9 * 44100 + 501;
    session.Start(start);
    const std::vector<StereoFrame> pulled = PullSound(session, 44100);
    const std::vector<StereoFrame> excerpt = Excerpt(score, *sources, start, 44100);
    ASSERT_EQ(pulled.size(), excerpt.size());
    EXPECT_EQ(DifferingFrames(pulled, excerpt, pulled.size()), 0u);
    // The effects are heard: the dry excerpt is another sound.
    std::vector<StereoFrame> dry = Synthesise(*MakePiece(score, sources->m_tones, start, 44100), 44100);
    for (StereoFrame& frame : dry) {
        frame.left *= kGain;
        frame.right *= kGain;
    }
    EXPECT_GT(DifferingFrames(pulled, dry, pulled.size()), 22050u);
    EXPECT_EQ(session.GetBegunExcerptCount(), 1u);
    EXPECT_EQ(session.GetLayerGroupCount(), groups);
    EXPECT_FALSE(session.GetProblem());
}

}  // namespace

TEST(LiveSessionEffects, PullsTheExcerptWithALayersEffectAndWithTheMixs)
{
    if (!Installed(kMdaDelayUri) || !Installed(kAmbienceUri))
        GTEST_SKIP() << "mda-lv2 is not installed";
    const auto sources = std::make_shared<Sources>();
    Score score = MovingScore(false, 20);
    score.m_layers[1].m_effects = {EffectOf(kMdaDelayUri)};
    ExpectTheExcerpt(score, sources, 2);
    score.m_effects = {EffectOf(kAmbienceUri)};
    ExpectTheExcerpt(score, sources, 1);
}

TEST(LiveSessionEffects, AnEffectThatCannotBeMadeIsToldOfAndTheNextScorePlays)
{
    if (!Installed(kMdaDelayUri))
        GTEST_SKIP() << "mda-lv2 is not installed";
    const auto sources = std::make_shared<Sources>();
    Score missing = MovingScore(false, 20);
    missing.m_layers[0].m_effects = {EffectOf("http://sonnelith.example.org/no-such-plugin")};
    LiveSession session(Quiet());
    session.SetGain(kGain);
    session.SetScore(SessionOf(missing, sources));
    session.Start(44100);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!session.GetProblem() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    const std::optional<std::string> problem = session.GetProblem();
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("line 12: "), std::string::npos) << *problem;
    EXPECT_NE(problem->find("no-such-plugin"), std::string::npos) << *problem;

    // The next score plays from the start asked before; a newer start, asked
    // once that stream is on its way, is where the consumer is, never the
    // older place.
    Score delayed = MovingScore(false, 20);
    delayed.m_layers[1].m_effects = {EffectOf(kMdaDelayUri)};
    session.SetScore(SessionOf(delayed, sources));
    const auto begun = std::chrono::steady_clock::now() + 30s;
    while (session.GetBegunExcerptCount() == 0 && std::chrono::steady_clock::now() < begun)
        std::this_thread::sleep_for(1ms);
    ASSERT_GT(session.GetBegunExcerptCount(), 0u);
    session.Start(2 * 44100);
    const std::vector<StereoFrame> pulled = PullSound(session, 22050);
    EXPECT_EQ(DifferingFrames(pulled, Excerpt(delayed, *sources, 2 * 44100, 22050), 22050), 0u);
    EXPECT_FALSE(session.GetProblem());
}

// A chain on the mix 20 dB louder (swh's amp) leaves a file whose gain is a
// tenth of the dry one's: the exact level is found with the effects.
TEST(LiveSessionEffects, TheFilesLevelIsFoundWithTheEffects)
{
    if (!Installed(kAmpUri))
        GTEST_SKIP() << "swh-lv2 is not installed";
    const auto sources = std::make_shared<Sources>();
    Score score = MovingScore(false, 8);
    const auto exactGain = [&sources](const Score& surveyed, bool effects) {
        auto session = std::const_pointer_cast<SessionScore>(SessionOf(surveyed, sources));
        if (!effects)
            session->m_makeChain = {};
        LevelEstimator estimator(LevelEstimator::Options{});
        estimator.Survey(session);
        EXPECT_TRUE(estimator.WaitUntilDone(120));
        const LevelEstimate level = estimator.GetEstimate();
        EXPECT_TRUE(level.m_bExact);
        return level.m_dGain;
    };
    const double dry = exactGain(score, false);
    score.m_effects = {EffectOf(kAmpUri, {{"gain", 20.0}})};
    EXPECT_NEAR(exactGain(score, true) / dry, 0.1, 0.001);
}

// Starts asked every few ms leave each stream's chains part of the way
// through what they hear before its first frame; none of them is played on
// from there, and the last start plays its excerpt.
TEST(LiveSessionEffects, StartsAskedWhileTheChainsHearTheirLeadInLeaveNoStreamHalfBegun)
{
    if (!Installed(kMdaDelayUri))
        GTEST_SKIP() << "mda-lv2 is not installed";
    const auto sources = std::make_shared<Sources>();
    Score score = MovingScore(false, 20);
    score.m_layers[1].m_effects = {EffectOf(kMdaDelayUri)};
    LiveSession session(Quiet());
    session.SetGain(kGain);
    session.SetScore(SessionOf(score, sources));
    for (std::uint64_t second = 2; second < 12; ++second) {
        session.Start(second * 44100 + 7);
        std::this_thread::sleep_for(std::chrono::milliseconds(2 + second % 4));
    }
    const std::uint64_t last = 12 * 44100 + 7;
    session.Start(last);
    const std::vector<StereoFrame> pulled = PullSound(session, 22050);
    EXPECT_EQ(DifferingFrames(pulled, Excerpt(score, *sources, last, 22050), 22050), 0u);
    EXPECT_FALSE(session.GetProblem());
}
