// The example scores in examples/ render as their README says: make-sounds.sh
// makes the sounds they read, and each score renders to a file of the length
// it gives. They run from a copy of the examples laid out like the source
// tree, so the scores' relative source names hold and nothing is written
// into the source tree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "score_file/score_reading.h"
#include "tests/cli/cli_process.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

const fs::path kExamples = SONNELITH_EXAMPLES_PATH;
const fs::path kSample = SONNELITH_SAMPLE_PATH;
constexpr long kRate = 44100;

// The names of the example scores, without their folder.
std::vector<std::string> ExampleScores()
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(kExamples)) {
        if (entry.path().extension() == ".toml")
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The frames of a sound file, as sox counts them.
long FramesOf(const std::string& path)
{
    const ToolResult soxi = RunTool("soxi -s " + ShellQuote(path));
    EXPECT_EQ(soxi.exitCode, 0) << soxi.output;
    return std::atol(soxi.output.c_str());
}

// A temporary tree like the source tree's: examples/ with the scores and
// make-sounds.sh, resources/sample/ with the sample sound.
class ExampleTree {
public:
    ExampleTree()
    {
        fs::create_directories(m_dir.Path() / "examples");
        fs::create_directories(m_dir.Path() / "resources" / "sample");
        fs::copy_file(kSample, m_dir.Path() / "resources" / "sample" / kSample.filename());
        for (const std::string& name : ExampleScores())
            fs::copy_file(kExamples / name, Examples() / name);
        fs::copy_file(kExamples / "make-sounds.sh", Examples() / "make-sounds.sh");
    }

    fs::path Examples() const { return m_dir.Path() / "examples"; }
    std::string File(const std::string& name) const { return m_dir.File(name); }

    // Runs make-sounds.sh of the copy with folder as its argument (none when
    // empty), and answers what it printed.
    ToolResult MakeSounds(const std::string& folder = {}) const
    {
        const std::string script = ShellQuote((Examples() / "make-sounds.sh").string());
        // Appended, not " " + text: GCC 12's optimiser reports a false overflow
        // (-Wstringop-overflow, as in GCC bug 105651) in std::string's insert at the front.
        std::string command = "sh " + script;
        if (!folder.empty())
            command.append(" ").append(ShellQuote(folder));
        return RunTool(command);
    }

private:
    TempDir m_dir;
};

class CliExample : public testing::TestWithParam<std::string> {};

}  // namespace

TEST(CliExamples, AreThreeOrMoreAndEachIsNamedInTheReadme)
{
    const std::vector<std::string> scores = ExampleScores();
    EXPECT_GE(scores.size(), 3u);
    const std::string readme = ReadText(kExamples / "README.md");
    for (const std::string& name : scores)
        EXPECT_THAT(readme, HasSubstr("`" + name + "`")) << "examples/README.md does not name " << name;
}

// make-sounds.sh writes the two sounds beside itself, or in the folder it is
// given, and the same bytes each time, so the scores render the same tracks.
TEST(CliExamples, MakeSoundsWritesTheSameSoundsBesideItselfOrInAFolder)
{
    if (!ToolAvailable("sox") || !ToolAvailable("soxi"))
        GTEST_SKIP() << "sox is not installed";
    const ExampleTree tree;
    const ToolResult beside = tree.MakeSounds();
    ASSERT_EQ(beside.exitCode, 0) << beside.output;
    const ToolResult elsewhere = tree.MakeSounds(tree.File("elsewhere"));
    ASSERT_EQ(elsewhere.exitCode, 0) << elsewhere.output;
    const struct {
        const char* m_szName;
        long m_nSeconds;
    } sounds[] = {{"rain.flac", 12}, {"drone.wav", 8}};
    for (const auto& sound : sounds) {
        const std::string made = (tree.Examples() / sound.m_szName).string();
        EXPECT_EQ(FramesOf(made), sound.m_nSeconds * kRate) << sound.m_szName;
        EXPECT_GT(SoxPeak(made), 0.05) << sound.m_szName << " is all but silent";
        EXPECT_EQ(ReadWholeFile(made), ReadWholeFile(tree.File("elsewhere/") + sound.m_szName)) << sound.m_szName;
    }
}

// Each example renders with exit status 0 to a file of the score's length.
// Under the sanitizers a render takes many times as long, so there each is
// cut to its first 20 seconds with --length, an override the README shows.
TEST_P(CliExample, RendersToTheLengthItGives)
{
    if (!ToolAvailable("sox") || !ToolAvailable("soxi"))
        GTEST_SKIP() << "sox is not installed";
    const ExampleTree tree;
    const ToolResult sounds = tree.MakeSounds();
    ASSERT_EQ(sounds.exitCode, 0) << sounds.output;
    const std::string score = (tree.Examples() / GetParam()).string();
    const ScoreReading reading = ReadScoreFile(score);
    ASSERT_TRUE(reading.m_score) << reading.m_strError;

    std::vector<std::string> arguments{score, "-q", "-o", tree.File("out.wav")};
    long seconds = reading.m_score->m_nLengthSeconds;
#ifdef SONNELITH_SANITIZED
    arguments.insert(arguments.end(), {"--length", "20"});
    seconds = 20;
#endif
    const CliResult run = RunCli(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_GT(seconds, 0);
    EXPECT_EQ(FramesOf(tree.File("out.wav")), seconds * kRate);
    EXPECT_GT(SoxPeak(tree.File("out.wav")), 0.1) << "the track is all but silent";
}

INSTANTIATE_TEST_SUITE_P(EveryScore, CliExample, testing::ValuesIn(ExampleScores()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });
