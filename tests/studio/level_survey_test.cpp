// The level survey's exact gain is the one the rendered file has: the
// command-line's own render, written as floats, is the synthesised sound
// times that gain (away from the fades), for a peak and for a loudness.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "score_file/score_writing.h"
#include "live_session/level_estimate.h"
#include "studio/listening/session_live_render.h"
#include "studio/listening/playable_score.h"
#include "tests/studio/studio_test_support.h"
#include "tests/support/temp_dir.h"

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
