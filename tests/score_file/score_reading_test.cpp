// Reading scores: the issue's example as intended, sources found from the
// score's folder, defaults where a score is silent, and the bounds that keep
// any file's reading small.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "score_file/score_reading.h"
#include "score_file/score_writing.h"
#include "engine/parameters/parameter_table.h"
#include "tests/score_file/score_test_folder.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The score of the issue that asked for score files, as written there.
const char kIssueExample[] = R"(length = "45:00"          # [H:]MM:SS or seconds, up to 24:00:00
seed = 20261208           # optional; printed when left out
volume = 50               # peak, or the ceiling with loudness
loudness = -20            # optional, LUFS
fade = 10
loop = false
level_range = 6           # optional: level evening, in LU (see below)

[[layer]]                 # one or more
source = "rain.flac"      # relative to the score's folder
source_start = 1.5        # optional: read only this stretch of the source, in seconds
source_end = 9
gain = 0                  # dB in the mix (default 0)
density = 3000            # any grain parameter: scan_range, segment, density, grain_length, pitch,
grain_length = 600        #   pitch_spread, pitch_set, pan_spread, reverse, window
pan_spread = 60

[[layer.at]]              # keyframes of the layer just above, any number, in time order
time = "0:00"
gain = -40
[[layer.at]]
time = "20:00"
gain = 0
density = 6000
curve = "smooth"          # linear (default), smooth (S-shaped), step: how the values reach this keyframe

[layer.drift]             # slow seeded random drift around the current value, kept inside the range
scan_range = { depth = 20, period = "3:00" }
pitch = { depth = 0.5, period = "1:30" }
)";

std::string WindowName(double index)
{
    return RowOf(ParameterId::Window).m_choices[static_cast<std::size_t>(index)];
}

TEST(ScoreReading, TheIssuesExampleReadsAsIntended)
{
    const ScoreTestFolder folder;
    const Score score = folder.Accepted(kIssueExample);
    EXPECT_EQ(score.m_nLengthSeconds, 45 * 60);
    EXPECT_EQ(score.m_seed, 20261208u);
    EXPECT_EQ(score.m_nVolume, 50);
    EXPECT_EQ(score.m_loudness, -20.0);
    EXPECT_EQ(score.m_nFadeSeconds, 10);
    EXPECT_FALSE(score.m_bLoop);
    EXPECT_EQ(score.m_levelRange, 6.0);
    ASSERT_EQ(score.m_layers.size(), 1u);
    const ScoreLayer& layer = score.m_layers[0];
    EXPECT_EQ(layer.m_strSource, "rain.flac");
    EXPECT_EQ(layer.m_strSourcePath, folder.Dir().File("rain.flac"));
    EXPECT_EQ(layer.m_sourceStartSeconds, 1.5);
    EXPECT_EQ(layer.m_sourceEndSeconds, 9.0);
    EXPECT_EQ(layer.m_dGainDb, 0.0);
    EXPECT_EQ(layer.m_nLine, 9);
    // The values it gives, and the defaults of all the others.
    const ParameterValues expected = ParameterValues()
                                         .With(ParameterId::Density, 3000)
                                         .With(ParameterId::GrainLength, 600)
                                         .With(ParameterId::PanSpread, 60);
    EXPECT_EQ(layer.m_values, expected);
    ASSERT_EQ(layer.m_keyframes.size(), 2u);
    EXPECT_EQ(layer.m_keyframes[0].m_dSeconds, 0.0);
    EXPECT_EQ(layer.m_keyframes[0].m_gainDb, -40.0);
    EXPECT_EQ(layer.m_keyframes[0].m_curve, Curve::Linear);
    EXPECT_TRUE(layer.m_keyframes[0].m_values.empty());
    EXPECT_EQ(layer.m_keyframes[0].m_nLine, 18);
    EXPECT_EQ(layer.m_keyframes[1].m_dSeconds, 20 * 60.0);
    EXPECT_EQ(layer.m_keyframes[1].m_gainDb, 0.0);
    EXPECT_EQ(layer.m_keyframes[1].m_curve, Curve::Smooth);
    EXPECT_EQ(layer.m_keyframes[1].m_values, (std::map<ParameterId, double>{{ParameterId::Density, 6000}}));
    EXPECT_FALSE(layer.m_keyframes[1].m_pitchSet);
    EXPECT_EQ(layer.m_drift.size(), 2u);
    EXPECT_EQ(layer.m_drift.at(ParameterId::ScanRange), (Drift{20, 180}));
    EXPECT_EQ(layer.m_drift.at(ParameterId::Pitch), (Drift{0.5, 90}));
    EXPECT_FALSE(layer.m_gainDrift);
    EXPECT_FALSE(layer.m_storedSource);
}

TEST(ScoreReading, AScoreSilentOnTheWholeGetsTheCommandLinesDefaults)
{
    const ScoreTestFolder folder;
    const Score score = folder.Accepted("[[layer]]\nsource = \"rain.flac\"\n");
    const Score defaults;
    EXPECT_EQ(score.m_nLengthSeconds, 15);
    EXPECT_FALSE(score.m_seed);
    EXPECT_EQ(score.m_nVolume, RowOf(ParameterId::Volume).m_dDefault);
    EXPECT_EQ(score.m_nFadeSeconds, RowOf(ParameterId::Fade).m_dDefault);
    EXPECT_FALSE(score.m_loudness);
    EXPECT_FALSE(score.m_levelRange);
    EXPECT_EQ(score.m_bLoop, defaults.m_bLoop);
    ASSERT_EQ(score.m_layers.size(), 1u);
    EXPECT_EQ(score.m_layers[0].m_values, ParameterValues());
    EXPECT_FALSE(score.m_layers[0].m_sourceStartSeconds);
    EXPECT_FALSE(score.m_layers[0].m_sourceEndSeconds);
}

// A track cut short keeps its keyframes: those past its end shape the line
// up to it, whether the score gives its length or takes the default.
TEST(ScoreReading, KeyframesPastTheEndOfTheTrackAreKept)
{
    const ScoreTestFolder folder;
    for (const std::string top : {"length = \"0:10\"\n", ""}) {
        const Score score = folder.Accepted(top + "[[layer]]\nsource = \"rain.flac\"\n[[layer.at]]\ntime = 5\n"
                                                  "gain = -6\n[[layer.at]]\ntime = \"1:00\"\ngain = -20\n");
        ASSERT_EQ(score.m_layers.size(), 1u);
        ASSERT_EQ(score.m_layers[0].m_keyframes.size(), 2u) << top;
        EXPECT_EQ(score.m_layers[0].m_keyframes[1].m_dSeconds, 60.0);
    }
}

TEST(ScoreReading, EveryGrainParameterReadsIntoTheLayerAndItsKeyframes)
{
    const ScoreTestFolder folder;
    const Score read = folder.Accepted(R"(length = 600
[[layer]]
source = "rain.flac"
scan_range = 12.5
segment = 3
density = 777
grain_length = 60.5
pitch = -7.25
pitch_spread = 2
pitch_set = [0, 7, -12]
pan_spread = 33
reverse = 50
window = "tukey"
low_cut = 20
gain = -inf
[[layer.at]]
time = 10
pitch_set = []
window = "decay"
curve = "step"
)");
    ASSERT_EQ(read.m_layers.size(), 1u);
    const ScoreLayer& layer = read.m_layers[0];
    EXPECT_EQ(layer.m_values.Get(ParameterId::ScanRange), 12.5);
    EXPECT_EQ(layer.m_values.Get(ParameterId::Segment), 3);
    EXPECT_EQ(layer.m_values.Get(ParameterId::Density), 777);
    EXPECT_EQ(layer.m_values.Get(ParameterId::GrainLength), 60.5);
    EXPECT_EQ(layer.m_values.Get(ParameterId::Pitch), -7.25);
    EXPECT_EQ(layer.m_values.Get(ParameterId::PitchSpread), 2);
    EXPECT_EQ(layer.m_values.GetPitchSet(), (std::vector<double>{0, 7, -12}));
    EXPECT_EQ(layer.m_values.Get(ParameterId::PanSpread), 33);
    EXPECT_EQ(layer.m_values.Get(ParameterId::Reverse), 50);
    EXPECT_EQ(WindowName(layer.m_values.Get(ParameterId::Window)), "tukey");
    EXPECT_EQ(layer.m_values.Get(ParameterId::LowCut), 20);
    EXPECT_EQ(layer.m_dGainDb, -INFINITY);
    ASSERT_EQ(layer.m_keyframes.size(), 1u);
    EXPECT_EQ(layer.m_keyframes[0].m_pitchSet, std::vector<double>());
    EXPECT_EQ(layer.m_keyframes[0].m_curve, Curve::Step);
    EXPECT_EQ(WindowName(layer.m_keyframes[0].m_values.at(ParameterId::Window)), "decay");
}

TEST(ScoreReading, TheLowCutIsOffByZeroOrByName)
{
    const ScoreTestFolder folder;
    for (const char* off : {"0", "\"off\""}) {
        const Score score = folder.Accepted(OneLayerScore("", std::string("low_cut = ") + off + "\n"));
        ASSERT_EQ(score.m_layers.size(), 1u);
        EXPECT_EQ(score.m_layers[0].m_values.Get(ParameterId::LowCut), 0.0) << off;
    }
}

TEST(ScoreReading, SourcesAreFoundFromTheScoresFolder)
{
    const ScoreTestFolder folder;
    std::filesystem::create_directories(folder.Dir().Path() / "scores" / "sounds");
    const std::string nested = folder.AddSource("scores/sounds/wind.wav");
    const std::string besides = folder.AddSource("sea.wav");
    const std::string scorePath = folder.Dir().File("scores/night.toml");
    WriteWholeFile(scorePath, {});
    const std::string text = "[[layer]]\nsource = \"sounds/wind.wav\"\n[[layer]]\nsource = \"../sea.wav\"\n"
                             "[[layer]]\nsource = \"" +
                             folder.Dir().File("rain.flac") + "\"\n";
    const std::vector<unsigned char> bytes(text.begin(), text.end());
    WriteWholeFile(scorePath, bytes);
    const ScoreReading reading = ReadScoreFile(scorePath);
    ASSERT_TRUE(reading.m_score) << reading.m_strError;
    ASSERT_EQ(reading.m_score->m_layers.size(), 3u);
    EXPECT_TRUE(std::filesystem::equivalent(reading.m_score->m_layers[0].m_strSourcePath, nested));
    EXPECT_TRUE(std::filesystem::equivalent(reading.m_score->m_layers[1].m_strSourcePath, besides));
    // An absolute name stays as it is.
    EXPECT_EQ(reading.m_score->m_layers[2].m_strSourcePath, folder.Dir().File("rain.flac"));
    EXPECT_EQ(reading.m_score->m_layers[0].m_strSource, "sounds/wind.wav");
}

TEST(ScoreReading, AFileIsNamedAsGivenInItsMessages)
{
    const ScoreTestFolder folder;
    const std::string path = folder.Dir().File("bad.toml");
    const std::string text = "[[layer]]\nsource = \"rain.flac\"\ndensty = 4\n";
    WriteWholeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
    EXPECT_THAT(ReadScoreFile(path).m_strError, StartsWith(path + ":3: unknown key 'densty'"));
    const std::string missing = folder.Dir().File("none.toml");
    EXPECT_EQ(ReadScoreFile(missing).m_strError, missing + ": cannot open the score: No such file or directory");
    EXPECT_EQ(ReadScoreFile(folder.Dir().Path().string()).m_strError,
              folder.Dir().Path().string() + ": cannot read the score: Is a directory");
}

TEST(ScoreReading, AFileOverFourMebibytesIsRefusedUnread)
{
    const ScoreTestFolder folder;
    // A valid score padded with a comment up to the limit reads; a byte more does not.
    std::string text = "[[layer]]\nsource = \"rain.flac\"\n#";
    text.resize(4 * 1024 * 1024 - 1, 'x');
    text += '\n';
    EXPECT_TRUE(folder.Read(text).m_score) << folder.Read(text).m_strError;
    const std::string path = folder.Dir().File("large.toml");
    text += '\n';
    EXPECT_EQ(folder.Read(text).m_strError, "score.toml: larger than 4 MiB, the most a score may hold");
    WriteWholeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
    EXPECT_THAT(ReadScoreFile(path).m_strError, HasSubstr("larger than 4 MiB"));
}

// What is read can be written back within the limit: a score that the
// program would write out longer than that (a table per keyframe, times in
// quotes) is refused as it is read; one written longer than 1 MiB reads
// back from its written text as the same score.
TEST(ScoreReading, AScoreThatWouldBeWrittenLongerThanTheLimitIsRefused)
{
    const ScoreTestFolder folder;
    // Keyframes at 1:00:00.001, 1:00:00.002 ...: 17 bytes each as typed, 35 as written.
    const auto withKeyframes = [](int layers) {
        std::string text = "length = \"2:00:00\"\n";
        for (int layer = 0; layer < layers; ++layer) {
            text.append("[[layer]]\nsource = \"rain.flac\"\nat = [");
            for (int i = 1; i <= 10000; ++i)
                text.append(i == 1 ? "" : ",").append("{time=").append(std::to_string(3600000 + i)).append("e-3}");
            text.append("]\n");
        }
        return text;
    };
    const std::string tooMany = withKeyframes(12);
    ASSERT_LT(tooMany.size(), 4u * 1024 * 1024);
    EXPECT_THAT(folder.Read(tooMany).m_strError,
                testing::MatchesRegex("score.toml: written out with its output, this score would take [0-9]+ bytes, "
                                      "more than the 4194304 a score may hold; give fewer keyframes or shorter "
                                      "lists"));
    const ScoreReading fits = folder.Read(withKeyframes(4));
    ASSERT_TRUE(fits.m_score) << fits.m_strError;
    const std::string written = WriteScoreText(*fits.m_score);
    EXPECT_GT(written.size(), 1024u * 1024);
    const ScoreReading again = folder.Read(written);
    ASSERT_TRUE(again.m_score) << again.m_strError;
    EXPECT_EQ(*again.m_score, *fits.m_score);
}

TEST(ScoreReading, LayersAndKeyframesAreCounted)
{
    const ScoreTestFolder folder;
    std::string layers;
    for (int i = 0; i < 64; ++i)
        layers += "[[layer]]\nsource = \"rain.flac\"\n";
    EXPECT_EQ(folder.Accepted(layers).m_layers.size(), 64u);
    EXPECT_EQ(folder.Refusal(layers + "[[layer]]\nsource = \"rain.flac\"\n"),
              "score.toml:129: more than 64 layers; a score takes at most 64");
    std::string keyframes = "length = \"24:00:00\"\n[[layer]]\nsource = \"rain.flac\"\n";
    for (int i = 0; i < 10000; ++i)
        keyframes += "[[layer.at]]\ntime = " + std::to_string(i) + "\n";
    EXPECT_EQ(folder.Accepted(keyframes).m_layers.at(0).m_keyframes.size(), 10000u);
    EXPECT_EQ(folder.Refusal(keyframes + "[[layer.at]]\ntime = 10000\n"),
              "score.toml:20004: more than 10000 keyframes in a layer");
}

TEST(ScoreReading, TextsTomlWouldMisreadAreRefusedBeforeItReadsThem)
{
    // toml++ 3.3 recurses for each part of a key: a few thousand overflow its
    // stack. It takes most characters beyond ASCII where it looks for a blank
    // for a point it marks unreachable.
    const ScoreTestFolder folder;
    std::string deep = "a";
    for (int i = 0; i < 200000; ++i)
        deep += ".a";
    EXPECT_EQ(folder.Refusal("length = 60\n" + deep + " = 1\n"), "score.toml:2: a key of more than 8 dotted parts");
    EXPECT_EQ(folder.Refusal("[" + deep + "]\n"), "score.toml:1: a key of more than 8 dotted parts");
    std::string nested = "x = ";
    for (int i = 0; i < 300; ++i)
        nested += "[";
    EXPECT_THAT(folder.Refusal(nested + "\n"), StartsWith("score.toml:1: values nested more than 16 deep"));
    EXPECT_THAT(folder.Refusal("length = 60\nce \xc3\x82 \"rain.flac\"\n"),
                StartsWith("score.toml:2: a character beyond ASCII outside a string or a comment"));
}

// An editor's byte-order mark before the first line is no character of
// the score; anywhere else it still is one.
TEST(ScoreReading, AByteOrderMarkAtTheStartIsSkipped)
{
    const ScoreTestFolder folder;
    const Score score = folder.Accepted("\xEF\xBB\xBFlength = 20\n[[layer]]\nsource = \"rain.flac\"\n");
    EXPECT_EQ(score.m_nLengthSeconds, 20);
    EXPECT_THAT(folder.Refusal("length = 20\n\xEF\xBB\xBF[[layer]]\nsource = \"rain.flac\"\n"),
                StartsWith("score.toml:2: a character beyond ASCII outside a string"));
    EXPECT_EQ(folder.Refusal("\xEF\xBB\xBF[[layer]]\nsource = \"rain.flac\n"),
              "score.toml:2: a text in quotes that does not end on its line; add the closing \" (a text of "
              "several lines goes between \"\"\")");
}

TEST(ScoreReading, NamesBeyondAsciiReadInEveryKindOfString)
{
    // toml++ is given them as escapes; the score holds the names themselves.
    const ScoreTestFolder folder;
    const std::string name = "pluie d'\xc3\xa9t\xc3\xa9 \xf0\x9f\x8e\xb5.flac";
    folder.AddSource(name);
    const std::string kinds[] = {"\"" + name + "\"", "'''" + name + "'''", "\"\"\"\\\n  " + name + "\"\"\""};
    for (const std::string& source : kinds) {
        const Score score = folder.Accepted("# \xc3\xa9t\xc3\xa9\n[[layer]]\nsource = " + source + "\n");
        ASSERT_EQ(score.m_layers.size(), 1u) << source;
        EXPECT_EQ(score.m_layers[0].m_strSource, name);
    }
    EXPECT_EQ(folder.Refusal("[[layer]]\nsource = \"\xff.flac\"\n"),
              "score.toml:2: a byte that is not UTF-8; a score is UTF-8 text");
}

}  // namespace
