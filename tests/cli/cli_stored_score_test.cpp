// sonnelith-cli --tag stores the run's score in its output and --score-of
// prints it back exactly, from every kind of output and from a stream; a run
// without --tag keeps its bytes and stores nothing; --score-of stands alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "score_file/score_reading.h"
#include "tests/cli/cli_process.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

// Two seconds from the bundled sample.
std::vector<std::string> ShortRun(const std::string& output, std::vector<std::string> extra)
{
    std::vector<std::string> arguments{"-q", "-o", output, "--length", "2"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

struct TaggedOutput {
    const char* m_szName;
    const char* m_szFile;  // "-": standard output, kept in a file here
    std::vector<std::string> m_extra;
};

class CliTaggedOutputs : public testing::TestWithParam<TaggedOutput> {
protected:
    // Renders with --tag --seed 11 and answers the file that holds the output.
    std::string RenderTagged()
    {
        const TaggedOutput& output = GetParam();
        const bool stream = std::string(output.m_szFile) == "-";
        std::vector<std::string> extra = output.m_extra;
        extra.insert(extra.end(), {"--tag", "--seed", "11", "--save-score", SavedScorePath()});
        const CliResult run = RunCli(ShortRun(stream ? "-" : m_dir.File(output.m_szFile), extra));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        if (!stream)
            return m_dir.File(output.m_szFile);
        const std::string kept = m_dir.File("stream.wav");
        WriteWholeFile(kept, std::vector<unsigned char>(run.out.begin(), run.out.end()));
        return kept;
    }

    std::string SavedScorePath() const { return m_dir.File("saved.toml"); }

    TempDir m_dir;
};

// The score in text, read as a score file in folder.
Score ReadBack(const std::string& text, const std::string& folder)
{
    const ScoreReading reading = ParseScoreText(text, "printed", folder);
    EXPECT_TRUE(reading.m_score.has_value()) << reading.m_strError << "\n" << text;
    return reading.m_score.value_or(Score{});
}

const TaggedOutput kTaggedOutputs[] = {
    {"DesktopWav", "t.wav", {}},
    {"FloatWavAt48k", "t.wav", {"--bits", "32", "--rate", "48000"}},
    {"LoopWav", "t.wav", {"--loop"}},
    {"Flac", "t.flac", {"--bits", "24"}},
    {"W64", "t.w64", {}},
    {"Stream", "-", {}},
    {"Stream24", "-", {"--bits", "24"}},
};

}  // namespace

// The run's score comes back as stored: for a file, the very text
// --save-score writes beside it (sources named from the same folder); for a
// stream, a score of the run's seed and values.
TEST_P(CliTaggedOutputs, GiveBackTheStoredScoreExactly)
{
    const std::string path = RenderTagged();
    const CliResult printed = RunCli({"--score-of", path});
    EXPECT_EQ(printed.exitCode, 0) << printed.err;
    EXPECT_EQ(printed.err, "");
    const std::vector<unsigned char> savedBytes = ReadWholeFile(SavedScorePath());
    const std::string saved(savedBytes.begin(), savedBytes.end());
    if (std::string(GetParam().m_szFile) != "-") {
        EXPECT_EQ(printed.out, saved);
    }
    const Score score = ReadBack(printed.out, m_dir.Path().string());
    EXPECT_EQ(score.m_seed, 11u);
    ASSERT_EQ(score.m_layers.size(), 1u);
    EXPECT_EQ(score.m_layers.front().m_values, ReadBack(saved, m_dir.Path().string()).m_layers.front().m_values);
}

INSTANTIATE_TEST_SUITE_P(EveryOutput, CliTaggedOutputs, testing::ValuesIn(kTaggedOutputs),
                         [](const testing::TestParamInfo<TaggedOutput>& info) { return info.param.m_szName; });

// A seed the program chose is stored as the one it printed.
TEST(CliStoredScore, HoldsTheSeedTheRunResolved)
{
    TempDir dir;
    const CliResult run = RunCli({"-o", dir.File("t.flac"), "--length", "1", "--tag"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string label = "Generator state: ";
    const std::size_t at = run.err.find(label);
    ASSERT_NE(at, std::string::npos) << run.err;
    const std::size_t digits = at + label.size();
    const std::string seed = run.err.substr(digits, run.err.find_first_not_of("0123456789", digits) - digits);
    ASSERT_FALSE(seed.empty()) << run.err;
    EXPECT_THAT(RunCli({"--score-of", dir.File("t.flac")}).out, HasSubstr("\nseed = " + seed + "\n"));
}

// The 44-byte header and the sound stay as a plain run writes them; only the
// RIFF size grows by the chunk after them.
TEST(CliStoredScore, LeavesThePlainRunsBytesBeforeItsChunk)
{
    TempDir dir;
    ASSERT_EQ(RunCli(ShortRun(dir.File("plain.wav"), {"--seed", "4"})).exitCode, 0);
    ASSERT_EQ(RunCli(ShortRun(dir.File("tagged.wav"), {"--seed", "4", "--tag"})).exitCode, 0);
    const std::vector<unsigned char> plain = ReadWholeFile(dir.File("plain.wav"));
    const std::vector<unsigned char> tagged = ReadWholeFile(dir.File("tagged.wav"));
    ASSERT_GT(tagged.size(), plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 4, tagged.begin()));
    EXPECT_TRUE(std::equal(plain.begin() + 8, plain.end(), tagged.begin() + 8));
    const auto chunk = tagged.begin() + static_cast<long>(plain.size());
    EXPECT_EQ(std::string(chunk, chunk + 4), "snsc");

    const CliResult none = RunCli({"--score-of", dir.File("plain.wav")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "sonnelith-cli: " + dir.File("plain.wav") +
                            " holds no score: it was not rendered from one; render with --tag to store one\n");
}

TEST(CliStoredScore, ScoreOfStandsAloneAndNamesWhatItCannotRead)
{
    TempDir dir;
    ASSERT_EQ(RunCli(ShortRun(dir.File("t.wav"), {"--seed", "2", "--tag"})).exitCode, 0);
    EXPECT_THAT(RunCli({"--score-of=" + dir.File("t.wav")}).out, HasSubstr("\nseed = 2\n"));

    const std::vector<std::vector<std::string>> refused = {
        {"--score-of"},
        {"--score-of="},
        {"--score-of", dir.File("t.wav"), "-o", dir.File("new.wav")},
        {"-q", "--score-of", dir.File("t.wav")},
        {"--score-of", dir.File("t.wav"), dir.File("t.wav")},
    };
    for (const std::vector<std::string>& arguments : refused) {
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.size();
        EXPECT_THAT(result.err, HasSubstr("--score-of takes the name of a file and nothing else"));
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.wav")));

    const CliResult missing = RunCli({"--score-of", dir.File("missing.wav")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "sonnelith-cli: cannot read " + dir.File("missing.wav") + ": No such file or directory\n");
}

TEST(CliStoredScore, HelpTellsOfTagAndScoreOf)
{
    const CliResult help = RunCli({"--help"});
    EXPECT_THAT(help.out, HasSubstr("--tag"));
    EXPECT_THAT(help.out, HasSubstr("--score-of FILE"));
    EXPECT_THAT(help.out, HasSubstr("SONNELITH_SCORE"));
}
