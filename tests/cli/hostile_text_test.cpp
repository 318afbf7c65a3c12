// Text that comes from a file or the command line (a source's name, a key, a
// value, the score file's own name, an argument) reaches the terminal only as
// `ls -b` shows it: a name that retitles the terminal and clears its screen
// is printed as \033]0;...\a\033[2J, whichever message quotes it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/score_render_fixture.h"

namespace {

using testing::HasSubstr;

// A terminal's title, then a cleared screen.
const std::string kHostile = "\x1b]0;PWNED\x07\x1b[2J";
const std::string kShown = "\\033]0;PWNED\\a\\033[2J";
// The same name as a TOML string writes it.
const std::string kInToml = "\\u001b]0;PWNED\\u0007\\u001b[2J";

class HostileTextTest : public ScoreRenderTest {
protected:
    void SetUp() override
    {
        ScoreRenderTest::SetUp();
        if (!IsSkipped())
            MakeSource(kHostile + ".wav", {"2 sine 440 vol 0.5"});
    }

    // A score of three seconds reading source, then lines.
    static std::string Score(const std::string& source, const std::string& lines = {})
    {
        return "length = 3\n[[layer]]\nsource = \"" + source + "\"\n" + lines;
    }

    // Runs the program and checks that what it printed holds no control
    // character but line breaks, and shows the hostile text escaped.
    CliResult ExpectEscaped(const std::vector<std::string>& arguments, const std::string& phrase)
    {
        const CliResult result = Run(arguments);
        for (const std::string* printed : {&result.err, &result.out}) {
            for (const char c : *printed)
                EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << "byte " << int(c) << " in " << *printed;
        }
        EXPECT_THAT(result.err, HasSubstr(kShown)) << result.err;
        EXPECT_THAT(result.err, HasSubstr(phrase)) << result.err;
        return result;
    }

    // A fault of the score ends with status 2; one of its sources, with 1.
    void ExpectScoreRefusal(const std::string& text, const std::string& phrase, int status = 2)
    {
        const CliResult result = ExpectEscaped({WriteScore("score.toml", text), "-o", File("out.wav")}, phrase);
        EXPECT_EQ(result.exitCode, status);
    }
};

}  // namespace

// Every way a message can name a layer's source: missing, not a sound,
// changed since its score was stored, read from past its end, too short for
// the grains; and the line that says how a source is read.
TEST_F(HostileTextTest, ASourceNameIsEscapedInEveryMessage)
{
    ExpectScoreRefusal(Score(kInToml + "-missing.wav"), "-missing.wav: No such file or directory", 1);
    ExpectScoreRefusal(Score(kInToml + ".wav", "source_seconds = 2\nsource_hash = \"fnv1a64:0123456789abcdef\"\n"),
                       ".wav has changed since this score was stored", 1);
    ExpectScoreRefusal(Score(kInToml + ".wav", "source_start = 5\n"), "source_start is at or past the end of", 1);
    ExpectScoreRefusal(Score(kInToml + ".wav", "source_start = 1.9\n"), "and its longest grain reads", 1);
    const CliResult told = ExpectEscaped({WriteScore("fine.toml", Score(kInToml + ".wav")), "-o", File("fine.wav")},
                                         ".wav: 16-bit mono PCM WAV, 44100 Hz");
    EXPECT_EQ(told.exitCode, 0);
}

TEST_F(HostileTextTest, ASourceThatIsNoSoundIsNamedEscaped)
{
    WriteScore(kHostile + ".txt", "not a sound\n");
    ExpectScoreRefusal(Score(kInToml + ".txt"), "not a sound file libsndfile can read", 1);
}

// Keys and values the reader quotes, and the score file's own name.
TEST_F(HostileTextTest, KeysValuesAndTheScoresNameAreEscaped)
{
    ExpectScoreRefusal("\"" + kInToml + "\" = 1\n" + Score(kInToml + ".wav"), "unknown key '" + kShown + "'");
    ExpectScoreRefusal(Score(kInToml + ".wav", "window = \"" + kInToml + "\"\n"), "window is '" + kShown + "'");
    const std::string named = WriteScore(kHostile + ".toml", Score(kInToml + ".wav", "density = 0\n"));
    const CliResult result = ExpectEscaped({named, "-o", File("out.wav")}, "density is 0; use 1 to 10000");
    EXPECT_EQ(result.exitCode, 2);
}

// --score-of names its file; the command line's own values are quoted by
// the option checks and by the parser.
TEST_F(HostileTextTest, ScoreOfAndCommandLineValuesAreEscaped)
{
    EXPECT_EQ(ExpectEscaped({"--score-of", File(kHostile + ".wav")}, "holds no score").exitCode, 1);
    EXPECT_EQ(ExpectEscaped({"--score-of", File(kHostile + "-missing.wav")}, "No such file").exitCode, 1);
    EXPECT_EQ(ExpectEscaped({File(kHostile + ".wav"), "-o", File("out.wav"), "--threads", kHostile},
                            "is not a thread count")
                  .exitCode,
              2);
    EXPECT_EQ(ExpectEscaped({File(kHostile + ".wav"), kHostile, "-o", File("out.wav")}, "unexpected argument")
                  .exitCode,
              2);
}
