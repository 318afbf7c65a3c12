// Writing scores: every score the reader allows reads back from its text to
// an equal score, in a text people can read and edit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "score_file/score_keys.h"
#include "score_file/score_writing.h"
#include "score_file/source_fingerprint.h"
#include "engine/parameters/parameter_table.h"
#include "tests/score_file/score_test_folder.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A score with something of every kind: two layers, every parameter, every
// curve, stored source facts, drift of the gain and of parameters, times
// with fractions and over an hour.
const char kFullScore[] = R"(length = "1:30:00"
seed = 4294967295
volume = 80
loudness = -23.5
fade = 0
loop = true
level_range = 4.5

[[layer]]
source = "rain.flac"
source_seconds = 7.25
source_hash = "fnv1a64:00000000deadbeef"
source_start = 0.1
source_end = 6.75
gain = -6.02
scan_range = 12.5
segment = 20
density = 10000
grain_length = 50
pitch = -0.3
pitch_spread = 24
pitch_set = [0, 7, 12, -12.5]
pan_spread = 100
reverse = 0.5
window = "swell"
low_cut = 5

[[layer.at]]
time = "0:00"
gain = -inf

[[layer.at]]
time = "0:07.25"
gain = 0
pitch = 12
window = "gaussian"
pitch_set = []
curve = "step"

[[layer.at]]
time = "1:02:03.1"
density = 500
scan_range = 100
curve = "smooth"

[layer.drift]
gain = { depth = 6, period = "0:01" }
pitch = { depth = 0.1, period = "1:00:00" }
density = { depth = 9500, period = 2.5 }

[[layer]]
source = "tone.wav"

[[layer.at]]
time = "1:30:00"
reverse = 100
)";

Score ReadBack(const ScoreTestFolder& folder, const Score& score)
{
    return folder.Accepted(WriteScoreText(score));
}

TEST(ScoreWriting, AFullScoreReadsBackEqual)
{
    const ScoreTestFolder folder;
    const Score score = folder.Accepted(kFullScore);
    ASSERT_EQ(score.m_layers.size(), 2u);
    const std::string text = WriteScoreText(score);
    EXPECT_EQ(folder.Accepted(text), score) << text;
    // And writes itself again to the same text.
    EXPECT_EQ(WriteScoreText(folder.Accepted(text)), text);
}

TEST(ScoreWriting, TimesAndNumbersAreWrittenAsPeopleWriteThem)
{
    const ScoreTestFolder folder;
    const std::string text = WriteScoreText(folder.Accepted(kFullScore));
    for (const char* line : {"length = \"1:30:00\"\n", "time = \"0:00\"\n", "time = \"0:07.25\"\n",
                             "time = \"1:02:03.1\"\n", "pitch = { depth = 0.1, period = \"1:00:00\" }\n",
                             "density = { depth = 9500, period = \"0:02.5\" }\n", "source_start = 0.1",
                             "gain = -6.02", "gain = -inf", "pitch = -0.3\n", "pitch_set = [0, 7, 12, -12.5]\n",
                             "pitch_set = []\n", "window = \"swell\"\n", "curve = \"step\"\n",
                             "source_hash = \"fnv1a64:00000000deadbeef\"", "loop = true\n", "seed = 4294967295\n"})
        EXPECT_THAT(text, HasSubstr(line));
    // Nothing written that says nothing: a linear curve, a gain of 0 dB.
    EXPECT_THAT(text, Not(HasSubstr("linear")));
    EXPECT_THAT(text, Not(HasSubstr("0.10000")));
}

TEST(ScoreWriting, KeysComeInTheOrderOfAScoreFile)
{
    const ScoreTestFolder folder;
    const std::string text = WriteScoreText(folder.Accepted(kFullScore));
    const char* order[] = {"length =",       "seed =",       "volume =",      "loudness =",   "fade =",
                           "loop =",         "level_range =", "[[layer]]",    "source =",     "source_seconds =",
                           "source_hash =",  "source_start =", "source_end =", "gain =",       "scan_range =",
                           "segment =",      "density =",    "grain_length =", "pitch =",      "pitch_spread =",
                           "pitch_set =",    "pan_spread =", "reverse =",     "window =",     "low_cut =",
                           "[[layer.at]]",   "[layer.drift]", "[[layer]]"};
    std::size_t at = 0;
    for (const char* key : order) {
        const std::size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " after position " << at << " in\n" << text;
        at = found + 1;
    }
}

TEST(ScoreWriting, ALayerWritesTheFourValuesEveryRenderUsesAndWhatDiffers)
{
    const ScoreTestFolder folder;
    const std::string text = WriteScoreText(folder.Accepted("[[layer]]\nsource = \"rain.flac\"\n"));
    for (const ParameterRow& row : ParameterTable()) {
        // Appended: "\n" + key makes GCC 12 report a false overflow (GCC bug 105651).
        const std::string key = std::string("\n").append(row.m_szScoreKey).append(" =");
        const bool written = row.m_bOnDesktop;  // the four grain values, and the score's volume and fade
        EXPECT_EQ(text.find(key) != std::string::npos, written) << key;
    }
}

TEST(ScoreWriting, TextsAreQuotedAsTomlStrings)
{
    EXPECT_EQ(QuoteTomlString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(QuoteTomlString("tab\there\n"), "\"tab\\u0009here\\u000a\"");
    EXPECT_EQ(QuoteTomlString("pluie d'été.flac"), "\"pluie d'été.flac\"");
    const ScoreTestFolder folder;
    const std::string odd = "odd \"name\" \\ été\t.wav";
    folder.AddSource(odd);
    Score score = folder.Accepted(OneLayerScore("", ""));
    score.m_layers[0].m_strSource = odd;
    score.m_layers[0].m_strSourcePath = folder.Dir().File(odd);
    EXPECT_EQ(ReadBack(folder, score), score);
}

// A random score the reader allows: values anywhere in their ranges, times
// with fractions, keyframes in order.
Score RandomScore(std::mt19937_64& generator)
{
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(generator);
    };
    Score score;
    score.m_nLengthSeconds = static_cast<std::int32_t>(generator() % 86401);
    score.m_seed = static_cast<std::uint32_t>(generator());
    score.m_levelRange = uniform(1, 40);
    ScoreLayer layer;
    layer.m_strSource = "tone.wav";
    layer.m_sourceStartSeconds = uniform(0, 10);
    layer.m_sourceEndSeconds = *layer.m_sourceStartSeconds + uniform(0.001, 10);
    layer.m_storedSource = SourceFacts{uniform(0.001, 3600), generator()};
    layer.m_dGainDb = uniform(-120, 24);
    for (const ParameterRow& row : ParameterTable()) {
        if (row.m_bDrifts) {
            layer.m_values.Set(row.m_id, uniform(row.m_dMinimum, row.m_dMaximum));
            layer.m_drift[row.m_id] = Drift{uniform(0.0001, row.m_dMaximum - row.m_dMinimum), uniform(1, 86400)};
        }
    }
    double time = 0;
    for (int i = 0; i < 5; ++i) {
        time += uniform(0.001, score.m_nLengthSeconds / 5.0 + 0.001);
        if (time > score.m_nLengthSeconds)
            break;
        Keyframe keyframe;
        keyframe.m_dSeconds = time;
        keyframe.m_curve = static_cast<Curve>(generator() % 3);
        keyframe.m_gainDb = uniform(-120, 24);
        keyframe.m_values[ParameterId::Pitch] = uniform(-24, 24);
        keyframe.m_pitchSet = std::vector<double>{uniform(-24, 24), uniform(-24, 24)};
        layer.m_keyframes.push_back(keyframe);
    }
    score.m_layers.push_back(layer);
    return score;
}

TEST(ScoreWriting, RandomScoresReadBackEqual)
{
    const ScoreTestFolder folder;
    std::mt19937_64 generator(20);
    for (int i = 0; i < 300; ++i) {
        Score score = RandomScore(generator);
        score.m_layers[0].m_strSourcePath = folder.Dir().File("tone.wav");
        const std::string text = WriteScoreText(score);
        ASSERT_EQ(folder.Accepted(text), score) << text;
    }
}

}  // namespace
