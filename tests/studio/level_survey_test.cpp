// The level survey's exact gain is the one the rendered file has: the
// command-line's own render, written as floats, is the synthesised sound
// times that gain (away from the fades), for a peak and for a loudness.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fstream>

#include "cli/score/score_writing.h"
#include "studio/listening/level_survey.h"
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

// The gain between the synthesised sound and the file, by least squares over
// frames [from, to).
double FittedGain(const std::vector<StereoFrame>& raw, const std::vector<float>& file, std::size_t from, std::size_t to)
{
    double rf = 0.0;
    double rr = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        rf += raw[i].left * file[2 * i] + raw[i].right * file[2 * i + 1];
        rr += raw[i].left * raw[i].left + raw[i].right * raw[i].right;
    }
    return rf / rr;
}

void ExpectFileGain(const Score& score)
{
    TempDir folder;
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
    LevelSurvey survey;
    survey.Survey(check.m_pChecked);
    ASSERT_TRUE(survey.WaitUntilExact(60));
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
    // Taking the means off is the only other difference: far below 0.01 dB.
    EXPECT_NEAR(20 * std::log10(exact.m_dGain), 20 * std::log10(fitted), 0.01);
    EXPECT_TRUE(exact.m_bExact);
    EXPECT_EQ(exact.m_dSurveyed, 1.0);
}

}  // namespace

TEST(LevelSurvey, TheExactGainOfAPeakIsTheRenderedFiles)
{
    ExpectFileGain(SampleScore(8));
}

TEST(LevelSurvey, TheExactGainOfALoudnessIsTheRenderedFiles)
{
    Score score = SampleScore(8);
    score.m_loudness = -30.0;
    score.m_nVolume = 90;
    ExpectFileGain(score);
}
