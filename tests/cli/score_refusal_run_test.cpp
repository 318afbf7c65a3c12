// A score render that cannot go ahead is refused before anything is
// written: with exit status 2 for a fault of the score or the command line,
// 1 for a source that cannot be used (a failure of the run, as for a plain
// run's input). The message names the score file and the line where the
// fault lies, and the folder holds no new file afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tests/cli/score_render_fixture.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;

struct RunRefusal {
    const char* m_szName;
    std::string m_strScore;
    std::vector<std::string> m_extra;
    // A text whose first line in the score is the one the message names;
    // empty: the fault is the command line's, and the message names no line.
    std::string m_strFaultyLine;
    std::string m_strPhrase;
    int m_nStatus = 2;
};

// Test names and failure reports show the case's name, not its bytes.
void PrintTo(const RunRefusal& refusal, std::ostream* out)
{
    *out << refusal.m_szName;
}

// A score of five seconds whose one layer reads tone.wav: lines 1 to 3, then lines.
std::string Layer(const std::string& lines)
{
    return "length = 5\n[[layer]]\nsource = \"tone.wav\"\n" + lines;
}

// The number of the first line of text that holds part, counted from 1.
int LineHolding(const std::string& text, const std::string& part)
{
    const std::size_t at = text.find(part);
    EXPECT_NE(at, std::string::npos) << part;
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

const RunRefusal kRefusals[] = {
    {"UnknownKey", Layer("density = 1000\ndensty = 1000\n"), {}, "densty", "(did you mean 'density'?)"},
    {"ValueOutOfRange", Layer("density = 20000\n"), {}, "density", "use 1 to 10000"},
    {"KeyframesOutOfOrder", Layer("[[layer.at]]\ntime = 4\n[[layer.at]]  # the second\ntime = 2\n"), {}, "# the second",
     "keyframes go in time order"},
    {"MissingSource", "length = 5\n[[layer]]\nsource = \"missing.wav\"\n", {}, "missing.wav",
     "missing.wav: No such file or directory", 1},
    {"StretchPastTheSourcesEnd", Layer("source_start = 3\n"), {}, "[[layer]]",
     "source_start is at or past the end of tone.wav", 1},
    {"SourceThatIsNoSound", "length = 5\n[[layer]]\nsource = \"score.toml\"\n", {}, "source",
     "not a sound file libsndfile can read", 1},
    {"LayerWithoutSource", "length = 5\n[[layer]]\ndensity = 1000\n", {}, "[[layer]]", "a layer without a source"},
    {"SourceNotASound", "length = 5\n[[layer]]\ngain = -3\nsource = \"notes.txt\"\n", {}, "source",
     "notes.txt: not a sound file libsndfile can read", 1},
    {"BadTime", Layer("[[layer.at]]\ntime = \"1:5\"\n"), {}, "1:5", "'1:5', not a time"},
    {"GrainOptionBesideAScore", Layer(""), {"--density", "3000"}, "", "--density is a layer's value"},
    {"FromWithoutFor", Layer(""), {"--from", "0:01"}, "", "--from and --for go together"},
    {"ExcerptPastTheEnd", Layer(""), {"--from", "0:03", "--for", "5"}, "", "after the track's end at 5 s"},
    {"UnknownEffectPlugin", Layer("[[effect]]\nplugin = \"http://drobilla.net/plugins/mda/Ambiance\"\n"), {},
     "Ambiance", "(did you mean 'http://drobilla.net/plugins/mda/Ambience'?)"},
    {"UnknownEffectControl",
     Layer("[[layer.effect]]\nplugin = \"http://drobilla.net/plugins/mda/Ambience\"\ncontrols = { sise = 1 }\n"), {},
     "controls", "unknown control 'sise' of MDA Ambience (did you mean 'size'?)"},
    {"EffectWithoutAPlugin", Layer("[[layer.effect]]\ncontrols = { size = 1 }\n"), {}, "[[layer.effect]]",
     "an effect without a plugin"},
};

class ScoreRefusalTest : public ScoreRenderTest {
protected:
    void SetUp() override
    {
        ScoreRenderTest::SetUp();
        if (IsSkipped())
            return;
        MakeSource("tone.wav", {"2 sine 440 vol 0.5"});
        WriteScore("notes.txt", "not a sound\n");
    }

    // Runs the score with extra options and checks the refusal: status 2,
    // nothing printed on standard output, the folder as it was, and the
    // message starting with the score's name and the faulty line's number.
    void ExpectRefused(const std::string& scoreText, const std::vector<std::string>& extra,
                       const std::string& faultyLine, const std::string& phrase, int status = 2)
    {
        const std::string score = WriteScore("score.toml", scoreText);
        const std::vector<std::string> before = FolderEntries(m_dir.Path());
        std::vector<std::string> arguments{score, "-o", File("out.wav")};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, status) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(FolderEntries(m_dir.Path()), before);
        EXPECT_FALSE(std::filesystem::exists(File("out.wav")));
        const std::string place =
            faultyLine.empty() ? "" : score + ":" + std::to_string(LineHolding(scoreText, faultyLine)) + ": ";
        // The message is the last line: a source loaded before the fault was found says which way it went.
        const std::string err = result.err.substr(0, result.err.find_last_not_of('\n') + 1);
        EXPECT_THAT(err.substr(err.find_last_of('\n') + 1), StartsWith("sonnelith-cli: " + place)) << result.err;
        EXPECT_THAT(result.err, HasSubstr(phrase));
    }
};

class ScoreRunRefusals : public ScoreRefusalTest, public testing::WithParamInterface<RunRefusal> {};

}  // namespace

TEST_P(ScoreRunRefusals, RefuseBeforeWritingAndSayWhere)
{
    const RunRefusal& refusal = GetParam();
    ExpectRefused(refusal.m_strScore, refusal.m_extra, refusal.m_strFaultyLine, refusal.m_strPhrase,
                  refusal.m_nStatus);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, ScoreRunRefusals, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<RunRefusal>& info) { return info.param.m_szName; });

// A score stored in an output names its source's content; once the source
// has changed, rendering the printed score would give another sound, so it
// is refused at the line of the layer that reads the source.
TEST_F(ScoreRefusalTest, ASourceChangedSinceTheScoreWasStoredIsRefused)
{
    Render(WriteScore("first.toml", Layer("density = 700\n")), File("stored.wav"));
    const CliResult printed = Run({"--score-of", File("stored.wav")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    // The same length, another tone: only the content differs.
    MakeSource("other.wav", {"2 sine 450 vol 0.5"});
    std::filesystem::rename(File("other.wav"), File("tone.wav"));
    ExpectRefused(printed.out, {}, "source =", "tone.wav has changed since this score was stored", 1);
}

// The stored length of a source is checked too, to the frame: a score whose
// source_seconds is not the source's (edited, or read another way) is
// refused at the line of that layer's source, also for a layer reading a
// source that an earlier layer read as well.
TEST_F(ScoreRefusalTest, AStoredLengthThatIsNotTheSourcesIsRefused)
{
    Render(WriteScore("first.toml", Layer("density = 700\n")), File("stored.wav"));
    const CliResult printed = Run({"--score-of", File("stored.wav")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    const std::string stored = "source_seconds = 2 ";
    const std::size_t at = printed.out.find(stored);
    ASSERT_NE(at, std::string::npos) << printed.out;
    std::string edited = printed.out;
    edited.replace(at, stored.size(), "source_seconds = 2.5 ");
    const std::string frames = "tone.wav holds 88200 frames at 44100 Hz as read here, not the 110250 of its "
                               "source_seconds (2.5), though its content hash is the score's";
    ExpectRefused(edited, {}, "source =", frames, 1);

    const std::size_t layer = printed.out.find("[[layer]]");
    ASSERT_NE(layer, std::string::npos);
    const std::string twice = printed.out + edited.substr(edited.find("[[layer]]", layer));
    const CliResult refused = Run({"-q", WriteScore("twice.toml", twice), "-o", File("out.wav")});
    EXPECT_EQ(refused.exitCode, 1);
    const int line = LineHolding(twice, "source = \"tone.wav\"\nsource_seconds = 2.5");
    EXPECT_EQ(refused.err, "sonnelith-cli: " + File("twice.toml") + ":" + std::to_string(line) + ": " + frames +
                               ": the score was edited, or this build reads the file another way, so the render "
                               "would differ; remove source_hash and source_seconds from the layer to render it "
                               "as it is now\n");
    Render(WriteScore("again.toml", printed.out + printed.out.substr(layer)), File("again.wav"));
}
