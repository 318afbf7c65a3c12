// The level survey's exact gain is the one the rendered file has: the
// command-line's own render, written as floats, is the synthesised sound
// times that gain (away from the fades), for a peak and for a loudness; with
// level evening, the live session hands out the file's own frames.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "score_file/score_writing.h"
#include "live_session/level_estimate.h"
#include "live_session/live_session.h"
#include "studio/listening/session_live_render.h"
#include "studio/listening/playable_score.h"
#include "tests/studio/studio_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/gain_keyframe.h"

using namespace studio;

namespace {

std::vector<float> ReadFloats(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

// The gain between the synthesised sound, its means taken off as the
// renderer takes them off (over the whole sound), and the file, by least
// squares over frames [from, to).
double FittedGain(const std::vector<StereoFrame>& raw, const std::vector<float>& file, std::size_t from, std::size_t to)
{
    double mean[2] = {0.0, 0.0};
    for (const StereoFrame& frame : raw) {
        mean[0] += frame.left;
        mean[1] += frame.right;
    }
    mean[0] /= static_cast<double>(raw.size());
    mean[1] /= static_cast<double>(raw.size());
    double rf = 0.0;
    double rr = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double left = raw[i].left - mean[0];
        const double right = raw[i].right - mean[1];
        rf += left * file[2 * i] + right * file[2 * i + 1];
        rr += left * left + right * right;
    }
    return rf / rr;
}

void ExpectFileGain(const Score& score)
{
    TempDir folder;
    // The score names its source beside it.
    std::filesystem::copy_file(SONNELITH_SAMPLE_PATH, folder.File("sonnelith-sample.wav"));
    const std::string path = folder.File("piece.toml");
    std::ofstream(path) << WriteScoreText(score);
    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {path, "-o", folder.File("out.wav"), "--bits", "32"}), 0);
    const std::vector<float> file = ReadFloats(folder.File("out.wav"));

    LiveScore live;
    live.m_pScore = std::make_shared<const Score>(score);
    live.m_nSeed = *score.m_seed;
    live.m_strDisplayName = "piece.toml";
    SourceCache sources;
    const ScoreCheck check = CheckScore(live, sources, {});
    ASSERT_TRUE(check.m_pChecked) << check.m_strError;
    const SessionScoreLoad load = LoadSessionScore(live, sources, {});
    ASSERT_TRUE(load.m_pScore) << load.m_strError;
    LevelEstimator survey;
    survey.Survey(load.m_pScore);
    ASSERT_TRUE(survey.WaitUntilDone(60));
    const LevelEstimate exact = survey.GetEstimate();

    const std::uint64_t frames = TrackFrames(score);
    ASSERT_EQ(file.size(), 2 * frames);
    PieceMaking making = MakePiece(*check.m_pChecked, "piece.toml", 0, 0, 1);
    std::vector<StereoFrame> raw(frames, StereoFrame{0.0f, 0.0f});
    making.m_pPiece->Synthesis().Begin(frames);
    for (std::uint64_t done = 0; done < frames; done += 65536)
        making.m_pPiece->Synthesis().RenderWindow(
            std::span<StereoFrame>(raw.data() + done, std::min<std::uint64_t>(65536, frames - done)), done);
    const std::size_t fade = static_cast<std::size_t>(score.m_nFadeSeconds + 1) * 44100;
    const double fitted = FittedGain(raw, file, fade, frames - fade);
    EXPECT_NEAR(20 * std::log10(exact.m_dGain), 20 * std::log10(fitted), 0.01);
    EXPECT_TRUE(exact.m_bExact);
    EXPECT_EQ(exact.m_dSurveyed, 1.0);
}

// Eight seconds that fade in and out over one: the gain is fitted between.
Score EightSeconds()
{
    Score score = SampleScore(8);
    score.m_nFadeSeconds = 1;
    return score;
}

}  // namespace

TEST(LevelSurvey, TheExactGainOfAPeakIsTheRenderedFiles)
{
    ExpectFileGain(EightSeconds());
}

TEST(LevelSurvey, TheExactGainOfALoudnessIsTheRenderedFiles)
{
    Score score = EightSeconds();
    score.m_loudness = -30.0;
    score.m_nVolume = 90;
    ExpectFileGain(score);
}

namespace {

// The sound the session hands out from its consumer's place on, frames
// frames of it, pulled 512 at a time as fast as it comes (the silence of
// finding the place left out); beforeFill is told before each pull how many
// frames came so far.
std::vector<StereoFrame> PullFrom(LiveSession& session, std::size_t frames,
                                  const std::function<void(std::size_t pulled)>& beforeFill = {})
{
    std::vector<StereoFrame> sound;
    std::vector<StereoFrame> block(512);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::uint64_t before = session.GetConsumerFrame();
    while (sound.size() < frames && std::chrono::steady_clock::now() < deadline) {
        if (beforeFill)
            beforeFill(sound.size());
        session.Fill(block.data(), block.size());
        const std::uint64_t after = session.GetConsumerFrame();
        const auto got = static_cast<long>(std::min<std::uint64_t>(after - before, block.size()));
        sound.insert(sound.end(), block.begin(), block.begin() + got);
        before = after;
        if (got == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sound.resize(std::min(sound.size(), frames));
    return sound;
}

// The gain of heard against the file's frames from first on, by least
// squares over each 32 frames in turn.
std::vector<double> GainsAgainst(const std::vector<StereoFrame>& heard, const std::vector<float>& file,
                                 std::size_t first)
{
    constexpr std::size_t kWindow = 32;
    std::vector<double> gains;
    for (std::size_t from = 0; from + kWindow <= heard.size(); from += kWindow) {
        double cross = 0.0;
        double squares = 0.0;
        for (std::size_t i = from; i < from + kWindow; ++i) {
            const std::size_t at = 2 * (first + i);
            cross += heard[i].left * file[at] + heard[i].right * file[at + 1];
            squares += static_cast<double>(file[at]) * file[at] + static_cast<double>(file[at + 1]) * file[at + 1];
        }
        gains.push_back(squares > 0.0 ? cross / squares : 1.0);
    }
    return gains;
}

}  // namespace

// With level evening the file's gain moves along the track: once the
// estimate is exact, what the session hands out at a place is the file's
// frames there (the command line's render, written as floats), and a change
// of level while it plays (to a fixed gain, half the file's, and back to the
// evened level) glides in without a click.
TEST(LevelSurvey, TheSessionPlaysTheEvenedLevelOfTheFileAtEachPlace)
{
    Score score = SampleScore(20);
    score.m_nFadeSeconds = 1;
    score.m_levelRange = 3.0;
    score.m_layers[0].m_keyframes = {GainAt(0, -15), GainAt(10, 0), GainAt(20, -12)};
    TempDir folder;
    const std::string path = folder.File("piece.toml");
    std::ofstream(path) << WriteScoreText(score);
    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {path, "-o", folder.File("out.wav"), "--bits", "32"}), 0);
    const std::vector<float> file = ReadFloats(folder.File("out.wav"));
    ASSERT_EQ(file.size(), 2 * TrackFrames(score));

    LiveScore live;
    live.m_pScore = std::make_shared<const Score>(score);
    live.m_nSeed = *score.m_seed;
    live.m_strDisplayName = "piece.toml";
    SourceCache sources;
    const SessionScoreLoad load = LoadSessionScore(live, sources, {});
    ASSERT_TRUE(load.m_pScore) << load.m_strError;
    LiveSessionOptions options;
    options.m_bIndex = false;
    LiveSession session(options);
    session.SetScore(load.m_pScore);
    ASSERT_TRUE(session.WaitUntilLevelDone(60));
    const LevelEstimate level = session.GetLevel();
    ASSERT_TRUE(level.m_bExact);
    ASSERT_TRUE(level.m_pEvening && !level.m_pEvening->IsUnity());
    const auto [lowest, highest] = std::minmax_element(level.m_pEvening->Factors().begin(), level.m_pEvening->Factors().end());
    EXPECT_GT(20 * std::log10(*highest / *lowest), 3.0) << "the evening should move the level here";

    // Four seconds from 6 s on: the gain there moves by several dB.
    constexpr std::uint64_t kFirst = 6 * 44100;
    constexpr std::size_t kFrames = 4 * 44100;
    session.Start(kFirst);
    // The gain is fixed for a second in the middle, then evened again.
    std::vector<std::size_t> changes;
    const std::vector<StereoFrame> heard = PullFrom(session, kFrames, [&](std::size_t pulled) {
        if (changes.empty() && pulled >= kFrames / 2) {
            session.SetGain(level.m_dGain * 0.5);
            changes.push_back(pulled);
        } else if (changes.size() == 1 && pulled >= kFrames / 2 + 44100) {
            session.SetGain(std::nullopt);
            changes.push_back(pulled);
        }
    });
    ASSERT_EQ(heard.size(), kFrames);
    ASSERT_EQ(changes.size(), 2u);
    // The file's frames, away from the fixed gain: the same to within the
    // rounding of 32-bit floats taken in another order (the file multiplies
    // by the evening, then divides by its peak; the session multiplies once).
    float largest = 0.0f;
    float peak = 0.0f;
    for (std::size_t i = 0; i < kFrames; ++i) {
        if (i == changes[0])
            i = changes[1] + 512;  // the fixed gain, and the glide back from it
        const std::size_t at = 2 * (kFirst + i);
        largest = std::max({largest, std::fabs(heard[i].left - file[at]), std::fabs(heard[i].right - file[at + 1])});
        peak = std::max({peak, std::fabs(file[at]), std::fabs(file[at + 1])});
    }
    EXPECT_LT(largest, 1e-5f * std::max(peak, 1.0f)) << "largest difference from the file";
    EXPECT_GT(peak, 0.05f);
    // Each change glides over a pull (512 frames), so the gain moves by
    // under a tenth of it (0.5 to 1) from one 32 frames to the next; a change
    // at once would move it by the whole of it.
    const std::vector<double> gains = GainsAgainst(heard, file, kFirst);
    for (std::size_t w = 1; w < gains.size(); ++w)
        ASSERT_LT(std::fabs(gains[w] - gains[w - 1]), 0.1) << "a click at frame " << w * 32;
    EXPECT_NEAR(gains[(changes[0] + changes[1]) / 64], 0.5 / level.m_pEvening->At(kFirst + (changes[0] + changes[1]) / 2), 0.01);
}
