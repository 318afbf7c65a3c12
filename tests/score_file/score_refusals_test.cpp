// Every score the reader refuses: the message names the file and the line,
// and says what is wrong and what is allowed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/score_file/score_test_folder.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct RefusalCase {
    const char* m_szWhat;
    std::string m_strText;
    std::string m_strPlace;  // "score.toml:5: "
    std::vector<std::string> m_phrases;
};

void ExpectRefusals(const std::vector<RefusalCase>& cases)
{
    const ScoreTestFolder folder;
    for (const RefusalCase& refusal : cases) {
        SCOPED_TRACE(refusal.m_szWhat);
        const std::string error = folder.Refusal(refusal.m_strText);
        EXPECT_THAT(error, StartsWith(refusal.m_strPlace));
        for (const std::string& phrase : refusal.m_phrases)
            EXPECT_THAT(error, HasSubstr(phrase));
    }
}

// The lines of a score of one layer, from line 1: the length, the layer and
// its source on lines 1 to 3, then lines.
std::string Layer(const std::string& lines)
{
    return "length = \"45:00\"\n[[layer]]\nsource = \"rain.flac\"\n" + lines;
}

TEST(ScoreRefusals, UnknownKeysNameTheNearestKnownOne)
{
    ExpectRefusals({
        {"at the top", "lenght = \"1:00\"\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"unknown key 'lenght' at the top of the score (did you mean 'length'?)"}},
        {"in a layer", Layer("density = 3000\ndensty = 3000\n"), "score.toml:5: ",
         {"unknown key 'densty' in a layer (did you mean 'density'?)"}},
        {"with a dash for an underscore", Layer("grain-length = 600\n"), "score.toml:4: ",
         {"unknown key 'grain-length' in a layer (did you mean 'grain_length'?)"}},
        {"in a keyframe", Layer("[[layer.at]]\ntme = \"1:00\"\n"), "score.toml:5: ",
         {"unknown key 'tme' in a keyframe (did you mean 'time'?)"}},
        {"in a drift", Layer("[layer.drift]\npitch = { depht = 1, period = \"1:00\" }\n"), "score.toml:5: ",
         {"unknown key 'depht' in a parameter's drift (did you mean 'depth'?)"}},
        {"far from any key: the keys are listed", Layer("colour = \"blue\"\n"), "score.toml:4: ",
         {"unknown key 'colour' in a layer; it takes source, source_seconds", "pitch_set", "at, drift and effect"}},
        {"the first in the file when several are unknown", Layer("zzz = 1\naaa = 2\n"), "score.toml:4: ",
         {"'zzz'"}},
    });
}

TEST(ScoreRefusals, KeysOfAnotherPartSayWhereTheyBelong)
{
    ExpectRefusals({
        {"the volume in a layer", Layer("volume = 50\n"), "score.toml:4: ",
         {"'volume' is the whole score's; give it at the top, before the first [[layer]]"}},
        {"a grain parameter at the top", "density = 3000\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"'density' is a layer's; give it below a [[layer]] line"}},
        {"the low cut in a keyframe", Layer("[[layer.at]]\ntime = 0\nlow_cut = 20\n"), "score.toml:6: ",
         {"'low_cut' is the layer's own and cannot change over time"}},
        {"a keyframe's time in a layer", Layer("time = \"1:00\"\n"), "score.toml:4: ",
         {"'time' is a keyframe's; give it below a [[layer.at]] line"}},
        {"a drift of the window", Layer("[layer.drift]\nwindow = { depth = 1, period = 60 }\n"), "score.toml:5: ",
         {"'window' cannot drift"}},
        {"a drift of the pitch set", Layer("drift.pitch_set = { depth = 1, period = 60 }\n"), "score.toml:4: ",
         {"'pitch_set' cannot drift"}},
        {"a drift of the low cut", Layer("[layer.drift]\nlow_cut = { depth = 1, period = 60 }\n"), "score.toml:5: ",
         {"'low_cut' cannot drift"}},
        {"a depth straight in the drift", Layer("[layer.drift]\ndepth = 3\n"), "score.toml:5: ",
         {"'depth' goes in one parameter's drift"}},
    });
}

TEST(ScoreRefusals, ValuesOutOfRangeSayTheRange)
{
    ExpectRefusals({
        {"density", Layer("density = 20000\n"), "score.toml:4: ", {"density is 20000; use 1 to 10000"}},
        {"a fraction below the range", Layer("scan_range = 0.5\n"), "score.toml:4: ", {"use 1 to 100"}},
        {"pitch", Layer("pitch = -30\n"), "score.toml:4: ", {"pitch is -30; use -24 to 24"}},
        {"the low cut", Layer("low_cut = 3\n"), "score.toml:4: ", {"low_cut is 3; use 5 to 200 Hz, or \"off\""}},
        {"an interval", Layer("pitch_set = [0, 7,\n 30]\n"), "score.toml:5: ",
         {"an interval of pitch_set is 30; use -24 to 24"}},
        {"a keyframe's value", Layer("[[layer.at]]\ntime = 0\nreverse = 101\n"), "score.toml:6: ",
         {"reverse is 101; use 0 to 100"}},
        {"the gain", Layer("gain = 30\n"), "score.toml:4: ", {"gain is 30; use -120 to 24 dB, or -inf for silence"}},
        {"a gain of +inf", Layer("gain = inf\n"), "score.toml:4: ", {"gain is inf"}},
        {"nan", Layer("density = nan\n"), "score.toml:4: ", {"density is nan"}},
        {"the volume", "volume = 0\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"volume is 0; use 1 to 100"}},
        {"the fade", "fade = 11\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ", {"fade is 11; use 0 to 10"}},
        {"the loudness", "loudness = 3\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"loudness is 3; use -70 to 0"}},
        {"the level range", "level_range = 0.5\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"level_range is 0.5; use 1 to 40"}},
        {"a negative seed", "seed = -1\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"seed is -1; use 0 to 4294967295"}},
        {"a seed past 32 bits", "seed = 4294967296\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"seed is 4294967296; use 0 to 4294967295"}},
        {"a length past a day", "length = \"24:00:01\"\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"length is '24:00:01'; use a time from 0:00 to 24:00:00"}},
    });
}

// Ranges come with their units, and a grain length in seconds is told its
// milliseconds; a name near a window's is suggested; numbers are said as
// written, whole ones exactly, huge ones in few digits.
TEST(ScoreRefusals, MessagesSayUnitsNamesAndNumbersAsMeant)
{
    const std::string day = "use a time from 0:00 to 24:00:00";
    ExpectRefusals({
        {"a grain length in seconds", Layer("grain_length = 0.2\n"), "score.toml:4: ",
         {"grain_length is 0.2; use 50 to 2000 milliseconds (0.2 seconds is 200)"}},
        {"a density", Layer("density = 20000\n"), "score.toml:4: ", {"use 1 to 10000 grains per second"}},
        {"a longer name of a window", Layer("window = \"hanning\"\n"), "score.toml:4: ",
         {"window is 'hanning'; use hann, tukey, gaussian, triangle, decay or swell (did you mean 'hann'?)"}},
        {"the start of a curve's name", Layer("[[layer.at]]\ntime = 0\ncurve = \"smoo\"\n"), "score.toml:6: ",
         {"(did you mean 'smooth'?)"}},
        {"a huge number", "length = 1e308\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"length is 1e+308; " + day}},
        {"the largest whole number", "seed = 9223372036854775807\n[[layer]]\nsource = \"rain.flac\"\n",
         "score.toml:1: ", {"seed is 9223372036854775807; use 0 to 4294967295"}},
        {"a whole number past a day", "length = 86401\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"length is 86401; " + day}},
        {"a drift's depth", Layer("[layer.drift]\npitch = { depth = 1e300, period = 60 }\n"), "score.toml:5: ",
         {"the depth of pitch's drift is 1e+300; use more than 0, up to 48"}},
    });
}

TEST(ScoreRefusals, ValuesOfTheWrongTypeSayWhatIsWanted)
{
    ExpectRefusals({
        {"a number as a string", Layer("density = \"3000\"\n"), "score.toml:4: ",
         {"density is a string; it must be a number from 1 to 10000"}},
        {"a flag as a number", "loop = 1\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"loop is a number; it must be true or false"}},
        {"a window as a number", Layer("window = 2\n"), "score.toml:4: ", {"window is a number; it must be a name"}},
        {"a window not known", Layer("window = \"gausian\"\n"), "score.toml:4: ",
         {"window is 'gausian'; use hann, tukey", "(did you mean 'gaussian'?)"}},
        {"a pitch set as a number", Layer("pitch_set = 7\n"), "score.toml:4: ",
         {"pitch_set is a number; it must be an array of numbers"}},
        {"an interval as a string", Layer("pitch_set = [0, \"7\"]\n"), "score.toml:4: ",
         {"an interval of pitch_set is a string"}},
        {"a source as a number", "[[layer]]\nsource = 5\n", "score.toml:2: ",
         {"source is a number; it must be the name of a sound file"}},
        {"a fractional volume", "volume = 50.5\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"volume is 50.5; it must be a whole number from 1 to 100"}},
        {"a fractional seed", "seed = 2.5\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"seed is 2.5; it must be a whole number"}},
        {"a length with a fraction", "length = \"1:00.5\"\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"length is '1:00.5'; a track's length is whole seconds"}},
        {"a date for a time", Layer("[[layer.at]]\ntime = 2026-12-08\n"), "score.toml:5: ",
         {"time is a date; it must be a time"}},
        {"a layer as one table", "[layer]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"layer is a single table; write its line with two brackets, [[layer]]"}},
        {"keyframes as one table", Layer("[layer.at]\ntime = 0\n"), "score.toml:4: ",
         {"at is a single table; write its line with two brackets, [[layer.at]]"}},
        {"a layer as a number", "layer = 5\n", "score.toml:1: ", {"layer is a number"}},
        {"a drift as a number", Layer("drift = 5\n"), "score.toml:4: ", {"drift is a number; it must be a table"}},
        {"a drift entry as a number", Layer("[layer.drift]\npitch = 0.5\n"), "score.toml:5: ",
         {"pitch's drift is a number; it must be a table such as { depth = 0.5, period = \"1:30\" }"}},
        {"a curve as a number", Layer("[[layer.at]]\ntime = 0\ncurve = 1\n"), "score.toml:6: ",
         {"curve is a number; it must be linear, smooth or step"}},
    });
}

TEST(ScoreRefusals, KeyframesOutOfOrder)
{
    ExpectRefusals({
        {"out of time order",
         Layer("[[layer.at]]\ntime = \"20:00\"\n[[layer.at]]\ntime = \"10:00\"\n"), "score.toml:6: ",
         {"a keyframe at 10:00 after one at 20:00 (line 4); keyframes go in time order"}},
        {"two at one time", Layer("[[layer.at]]\ntime = 90\n[[layer.at]]\ntime = \"1:30\"\n"), "score.toml:6: ",
         {"a second keyframe at 1:30 (the first is on line 4)"}},
        {"past the latest time", Layer("[[layer.at]]\ntime = \"24:00:00.5\"\n"), "score.toml:5: ",
         {"time is '24:00:00.5'; use a time from 0:00 to 24:00:00"}},
        {"without a time", Layer("[[layer.at]]\ngain = -6\n"), "score.toml:4: ", {"a keyframe without a time"}},
        {"a curve not known", Layer("[[layer.at]]\ntime = 0\ncurve = \"smoth\"\n"), "score.toml:6: ",
         {"curve is 'smoth'; use linear, smooth or step (did you mean 'smooth'?)"}},
    });
}

TEST(ScoreRefusals, BadTimesSayTheirForms)
{
    ExpectRefusals({
        {"one digit of seconds", Layer("[[layer.at]]\ntime = \"1:5\"\n"), "score.toml:5: ",
         {"time is '1:5', not a time; use [H:]MM:SS", "or a number of seconds"}},
        {"an hour without hours", "length = \"60:00\"\n[[layer]]\nsource = \"rain.flac\"\n", "score.toml:1: ",
         {"length is '60:00', not a time"}},
        {"a point without digits", Layer("source_start = \"0:07.\"\n"), "score.toml:4: ",
         {"source_start is '0:07.', not a time"}},
        {"a negative number of seconds", Layer("source_start = -1\n"), "score.toml:4: ",
         {"source_start is -1; use a time from 0:00 to 24:00:00"}},
        {"a period as true", Layer("[layer.drift]\npitch = { depth = 1, period = true }\n"), "score.toml:5: ",
         {"the period of pitch's drift is true or false; it must be a time"}},
    });
}

TEST(ScoreRefusals, LayersNeedASourceAndAStretchThatRunsForwards)
{
    ExpectRefusals({
        {"no layer", "length = \"1:00\"\n", "score.toml: ", {"no layer; a score needs at least one [[layer]]"}},
        {"an empty list of layers", "layer = []\n", "score.toml:1: ", {"no layer"}},
        {"a layer without a source", "[[layer]]\ndensity = 3000\n", "score.toml:1: ",
         {"a layer without a source; name its sound file"}},
        {"an empty source", "[[layer]]\nsource = \"\"\n", "score.toml:2: ", {"source is empty"}},
        {"a source with a NUL", "[[layer]]\nsource = \"rain.flac\\u0000x\"\n", "score.toml:2: ",
         {"a name with a NUL in it"}},
        {"an end at the start", Layer("source_start = 5\nsource_end = \"0:05\"\n"), "score.toml:5: ",
         {"source_end is '0:05', not after source_start (0:05)"}},
        {"an end before the start", Layer("source_start = 5\nsource_end = 2\n"), "score.toml:5: ",
         {"source_end is 2, not after source_start (0:05)"}},
        {"an end at 0 without a start", Layer("source_end = 0\n"), "score.toml:4: ", {"not after source_start (0:00)"}},
    });
}

TEST(ScoreRefusals, DriftNeedsAPositiveDepthAndASlowPeriod)
{
    ExpectRefusals({
        {"a depth of 0", Layer("[layer.drift]\npitch = { depth = 0, period = 60 }\n"), "score.toml:5: ",
         {"the depth of pitch's drift is 0; use more than 0, up to 48 (the width of pitch's range)"}},
        {"a negative depth", Layer("[layer.drift]\ngain = { depth = -3, period = 60 }\n"), "score.toml:5: ",
         {"the depth of gain's drift is -3; use more than 0, up to 144"}},
        {"a depth wider than the range", Layer("[layer.drift]\ndensity = { depth = 10000, period = 60 }\n"),
         "score.toml:5: ", {"the depth of density's drift is 10000; use more than 0, up to 9999"}},
        {"a period of 0", Layer("[layer.drift]\npitch = { depth = 1, period = \"0:00\" }\n"), "score.toml:5: ",
         {"the period of pitch's drift is '0:00'; a drift is slow: use 1 second (0:01) or more"}},
        {"a period under a second", Layer("[layer.drift]\npitch = { depth = 1, period = 0.5 }\n"), "score.toml:5: ",
         {"the period of pitch's drift is 0.5"}},
        {"no period", Layer("[layer.drift]\npitch = { depth = 1 }\n"), "score.toml:5: ",
         {"pitch's drift needs a depth and a period"}},
        {"as a table of its own", Layer("[layer.drift.pitch]\ndepth = 1\n"), "score.toml:4: ",
         {"pitch's drift needs a depth and a period"}},
    });
}

TEST(ScoreRefusals, StoredSourceFactsComeTogetherAndWellFormed)
{
    ExpectRefusals({
        {"a length without a hash", Layer("source_seconds = 7.25\n"), "score.toml:4: ",
         {"source_seconds and source_hash go together"}},
        {"a hash in capitals", Layer("source_seconds = 7.25\nsource_hash = \"fnv1a64:0123456789ABCDEF\"\n"),
         "score.toml:5: ", {"source_hash is 'fnv1a64:0123456789ABCDEF'; it must be fnv1a64: and 16 hex digits"}},
        {"a hash of another kind", Layer("source_seconds = 7.25\nsource_hash = \"md5:0123456789abcdef\"\n"),
         "score.toml:5: ", {"source_hash is 'md5:0123456789abcdef'"}},
        {"a length of 0", Layer("source_seconds = 0\nsource_hash = \"fnv1a64:0123456789abcdef\"\n"),
         "score.toml:4: ", {"source_seconds is 0; use more than 0"}},
    });
}

TEST(ScoreRefusals, SyntaxErrorsGiveTomlsLineColumnAndWords)
{
    const ScoreTestFolder folder;
    const std::string error = folder.Refusal("length = \"1:00\"\nvolume = = 5\n");
    EXPECT_THAT(error, StartsWith("score.toml:2:"));
    // toml++'s description follows its line and column.
    EXPECT_THAT(error, ::testing::MatchesRegex("score\\.toml:2:[0-9]+: .+"));
    EXPECT_THAT(folder.Refusal("[[layer]]\nsource = \"rain.flac\"\nsource = \"tone.wav\"\n"),
                StartsWith("score.toml:3:"));
    EXPECT_THAT(folder.Refusal("length = \"1:00\n"), StartsWith("score.toml:1:"));
}

TEST(ScoreRefusals, MissingOrUnreadableSourcesGiveThePathAndTheReason)
{
    const ScoreTestFolder folder;
    const std::string missing = folder.Dir().File("wind.flac");
    EXPECT_EQ(folder.Refusal(Layer("density = 3000\n[[layer]]\nsource = \"wind.flac\"\n")),
              "score.toml:6: cannot read the source " + missing + ": No such file or directory");
    std::filesystem::create_directory(folder.Dir().Path() / "sounds");
    EXPECT_EQ(folder.Refusal("[[layer]]\nsource = \"sounds\"\n"),
              "score.toml:2: cannot read the source " + folder.Dir().File("sounds") +
                  ": is a folder, not a sound file");
    const std::string pipe = folder.Dir().File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(folder.Refusal("[[layer]]\nsource = \"pipe\"\n"),
              "score.toml:2: cannot read the source " + pipe + ": is not a regular file");
}

TEST(ScoreRefusals, SourcesAreCheckedAfterTheRestOfTheirLayer)
{
    // A mistake in the layer is told first, whatever the source.
    const ScoreTestFolder folder;
    EXPECT_THAT(folder.Refusal("[[layer]]\nsource = \"wind.flac\"\ndensity = 0\n"),
                StartsWith("score.toml:3: density"));
}

}  // namespace
