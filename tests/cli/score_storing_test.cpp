// Every score the program takes can be stored and rendered again: a score
// written out longer than 1 MiB is stored in the output and saved whole, and
// both render the same sound; what cannot be stored (a source whose name is
// not UTF-8 text, the score of an excerpt) is refused before anything is
// written, naming the file the user gave.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/cli/score_render_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

namespace {

using testing::HasSubstr;

std::string TextOf(const std::string& path)
{
    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    return {bytes.begin(), bytes.end()};
}

class ScoreStoring : public testing::Test {
protected:
    void SetUp() override { WriteToneWav(m_dir.File("tone.wav"), 44100); }

    std::string File(const std::string& name) const { return m_dir.File(name); }
    std::string WriteScore(const std::string& name, const std::string& text) const
    {
        std::ofstream(File(name), std::ios::binary) << text;
        return File(name);
    }

    TempDir m_dir;
};

// A one-second score whose pitch set of 300,000 intervals takes 0.9 MB as
// typed and 1.2 MB as the program writes it ("12, 12, ...").
std::string LongListScore()
{
    std::string list;
    for (int i = 0; i < 300000; ++i)
        list.append(i == 0 ? "12" : ",12");
    return "length = 1\nseed = 2\n[[layer]]\nsource = \"tone.wav\"\ngrain_length = 100\ndensity = 500\n"
           "pitch_set = [" +
           list + "]\n";
}

}  // namespace

TEST_F(ScoreStoring, AScoreWrittenOutLongerThanOneMebibyteIsStoredAndRendersAgain)
{
    const std::string score = WriteScore("long.toml", LongListScore());
    const CliResult first = RunCli({"-q", score, "-o", File("first.wav"), "--save-score", File("saved.toml")});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string saved = TextOf(File("saved.toml"));
    EXPECT_GT(saved.size(), 1u << 20);
    const CliResult printed = RunCli({"--score-of", File("first.wav")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    EXPECT_EQ(printed.out, saved);

    const CliResult again = RunCli({"-q", File("saved.toml"), "-o", File("again.wav")});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_FALSE(SoundBytes(File("first.wav")).empty());
    EXPECT_EQ(SoundBytes(File("again.wav")), SoundBytes(File("first.wav")));
}

// An excerpt stores no score, so --tag beside --from and --for would be
// ignored: the combination is refused instead.
TEST_F(ScoreStoring, TagWithAnExcerptIsRefused)
{
    const std::string score =
        WriteScore("s.toml", "length = 4\n[[layer]]\nsource = \"tone.wav\"\ngrain_length = 100\ndensity = 500\n");
    const CliResult result = RunCli({"-q", score, "-o", File("out.wav"), "--from", "1", "--for", "1", "--tag"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("--tag stores the score of a whole render, and an excerpt stores none"));
    EXPECT_FALSE(std::filesystem::exists(File("out.wav")));
}

// A score is UTF-8 text: a source whose name, as the score would give it,
// is not cannot be stored or saved, and the run says so at once.
TEST_F(ScoreStoring, ASourceNameThatIsNotUtf8IsRefusedBeforeAnythingIsWritten)
{
    const std::string latin1 = File("caf\xe9.wav");
    std::filesystem::copy_file(File("tone.wav"), latin1);
    const std::vector<std::string> light = {"-q", "--length", "1", "--density", "500", "--grain-length", "100"};
    std::vector<std::string> tagged = {latin1, "-o", File("out.wav"), "--tag"};
    tagged.insert(tagged.end(), light.begin(), light.end());
    const CliResult tag = RunCli(tagged);
    EXPECT_EQ(tag.exitCode, 2);
    EXPECT_THAT(tag.err, HasSubstr("--tag cannot store the score of this run in " + File("out.wav") +
                                   ": the name of its source, caf"));
    EXPECT_THAT(tag.err, HasSubstr(".wav, is not UTF-8 text"));
    std::vector<std::string> saving = {latin1, "-o", File("out.wav"), "--save-score", File("saved.toml")};
    saving.insert(saving.end(), light.begin(), light.end());
    const CliResult save = RunCli(saving);
    EXPECT_EQ(save.exitCode, 2);
    EXPECT_THAT(save.err, HasSubstr("--save-score cannot write the score of this run to " + File("saved.toml")));

    // A score in such a folder names its source by the folder when its
    // output goes elsewhere.
    const std::string folder = File("d\xe9");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(File("tone.wav"), folder + "/tone.wav");
    const std::string score = folder + "/s.toml";
    std::ofstream(score) << "length = 1\n[[layer]]\nsource = \"tone.wav\"\ngrain_length = 100\ndensity = 500\n";
    const CliResult render = RunCli({"-q", score, "-o", File("out.wav")});
    EXPECT_EQ(render.exitCode, 2);
    EXPECT_THAT(render.err, HasSubstr("cannot store the score of this render in " + File("out.wav")));
    EXPECT_EQ(FolderEntries(m_dir.Path()), (std::vector<std::string>{"caf\xe9.wav", "d\xe9", "tone.wav"}));
}

// --save-score's file is written once the output is made: an output that is
// refused (here, a folder that does not exist) leaves no score behind, for a
// plain run and a score alike; a score that cannot be written leaves no output.
TEST_F(ScoreStoring, ARefusedOutputLeavesNoSavedScoreAndAnUnsavedScoreNoOutput)
{
    const std::string score =
        WriteScore("s.toml", "length = 1\n[[layer]]\nsource = \"tone.wav\"\ngrain_length = 100\ndensity = 500\n");
    const std::string nowhere = File("missing/out.wav");
    for (const std::string& input : {File("tone.wav"), score}) {
        const CliResult result =
            RunCli({"-q", input, "-o", nowhere, "--length", "1", "--save-score", File("saved.toml")});
        EXPECT_EQ(result.exitCode, 1) << input;
        EXPECT_EQ(result.err, "sonnelith-cli: Cannot write " + nowhere + ": no such folder\n") << input;
        EXPECT_FALSE(std::filesystem::exists(File("saved.toml"))) << input;
    }
    std::filesystem::create_directory(File("folder.toml"));
    for (const std::string& input : {File("tone.wav"), score}) {
        const CliResult result =
            RunCli({"-q", input, "-o", File("out.wav"), "--length", "1", "--save-score", File("folder.toml")});
        EXPECT_EQ(result.exitCode, 1) << input;
        EXPECT_THAT(result.err, HasSubstr("Cannot write " + File("folder.toml") + ": is a folder")) << input;
        EXPECT_FALSE(std::filesystem::exists(File("out.wav"))) << input;
    }
    EXPECT_EQ(FolderEntries(m_dir.Path()), (std::vector<std::string>{"folder.toml", "s.toml", "tone.wav"}));
}
