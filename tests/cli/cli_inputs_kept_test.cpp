// No run destroys what it reads: an output or a --save-score file that is the
// input, a source of any layer, the score itself or the other written file
// is refused with exit status 2 before anything is written, naming both.
// --save-score replaces its file as an output is replaced.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/cli/cli_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

namespace {

using testing::HasSubstr;

const std::vector<std::string> kLight = {"-q", "--length", "1", "--density", "500", "--grain-length", "100",
                                         "--seed", "5"};

class CliInputsKept : public testing::Test {
protected:
    void SetUp() override
    {
        WriteToneWav(m_dir.File("l1.wav"), 44100);
        WriteToneWav(m_dir.File("l2.wav"), 44100, 44100, 660.0);
        std::ofstream(m_dir.File("two.toml"))
            << "length = 1\nseed = 3\n[[layer]]\nsource = \"l1.wav\"\ndensity = 500\ngrain_length = 100\n"
               "[[layer]]\nsource = \"l2.wav\"\ndensity = 500\ngrain_length = 100\n";
        Snapshot();
    }

    // What the folder holds now, which a refused run must leave as it is.
    void Snapshot()
    {
        m_before = FolderEntries(m_dir.Path());
        m_contents.clear();
        for (const std::string& name : m_before) {
            const bool regular = std::filesystem::is_regular_file(m_dir.File(name));
            m_contents.push_back(regular ? ReadWholeFile(m_dir.File(name)) : std::vector<unsigned char>());
        }
    }

    // Runs the program in the test's folder with arguments, then the light
    // plain-run values unless told not to.
    CliResult Run(std::vector<std::string> arguments, bool light = true) const
    {
        if (light)
            arguments.insert(arguments.end(), kLight.begin(), kLight.end());
        return RunCli(arguments);
    }

    // Refused with status 2 and a message that names both files; every file
    // of the folder as it was, and no other.
    void ExpectRefused(const CliResult& result, const std::string& written, const std::string& read) const
    {
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_THAT(result.err, HasSubstr(written));
        EXPECT_THAT(result.err, HasSubstr(read));
        EXPECT_THAT(result.err, HasSubstr("which the run would destroy"));
        ASSERT_EQ(FolderEntries(m_dir.Path()), m_before);
        for (std::size_t i = 0; i < m_before.size(); ++i) {
            if (std::filesystem::is_regular_file(m_dir.File(m_before[i]))) {
                EXPECT_EQ(ReadWholeFile(m_dir.File(m_before[i])), m_contents[i]) << m_before[i];
            }
        }
    }

    std::string File(const std::string& name) const { return m_dir.File(name); }

    TempDir m_dir;
    std::vector<std::string> m_before;
    std::vector<std::vector<unsigned char>> m_contents;
};

}  // namespace

TEST_F(CliInputsKept, AnOutputOverTheSourceOfALaterLayer)
{
    ExpectRefused(Run({File("two.toml"), "-o", File("l2.wav"), "-q"}, false), "-o " + File("l2.wav"),
                  "the source of layer 2 of " + File("two.toml"));
    // Another name of the same file: through a link, and as ./ from elsewhere.
    std::filesystem::create_symlink(File("l2.wav"), File("link.wav"));
    Snapshot();
    ExpectRefused(Run({File("two.toml"), "-o", File("link.wav"), "-q"}, false), "-o " + File("link.wav"),
                  "the source of layer 2");
}

TEST_F(CliInputsKept, SaveScoreOverTheInputOrAScoresSource)
{
    ExpectRefused(Run({File("l1.wav"), "-o", File("out.wav"), "--save-score", File("l1.wav")}),
                  "--save-score " + File("l1.wav"), "the input file");
    ExpectRefused(Run({File("two.toml"), "-o", File("out.wav"), "--save-score", File("l2.wav"), "-q"}, false),
                  "--save-score " + File("l2.wav"), "the source of layer 2");
    ExpectRefused(Run({File("two.toml"), "-o", File("out.wav"), "--save-score", File("two.toml"), "-q"}, false),
                  "--save-score " + File("two.toml"), "the score");
}

TEST_F(CliInputsKept, AnExcerptOverItsOwnScore)
{
    ExpectRefused(Run({File("two.toml"), "-o", File("two.toml"), "--from", "0", "--for", "1", "-q"}, false),
                  "-o " + File("two.toml"), "the score (" + File("two.toml") + ")");
}

// Neither exists yet, and the names differ, but both would be made in one place.
TEST_F(CliInputsKept, SaveScoreAndTheOutputInOnePlace)
{
    ExpectRefused(Run({File("l1.wav"), "-o", File("same.wav"), "--save-score", File("same.wav")}),
                  "--save-score " + File("same.wav"), "the file of -o");
    ExpectRefused(Run({File("l1.wav"), "-o", m_dir.Path().string() + "/./same.wav", "--save-score", File("same.wav")}),
                  "--save-score", "the file of -o");
    std::filesystem::create_symlink("made-later.wav", File("dangling.wav"));
    Snapshot();
    ExpectRefused(Run({File("l1.wav"), "-o", File("dangling.wav"), "--save-score", File("made-later.wav")}),
                  "--save-score " + File("made-later.wav"), "the file of -o (" + File("dangling.wav") + ")");
}

// The score goes in place whole through a hidden file: a link is followed
// to the file it names and stays a link, the old file's permissions stay,
// and nothing else is left in the folder.
TEST_F(CliInputsKept, SaveScoreReplacesItsFileAsAnOutputIs)
{
    WriteWholeFile(File("kept.toml"), {'o', 'l', 'd'});
    chmod(File("kept.toml").c_str(), 0640);
    std::filesystem::create_symlink("kept.toml", File("score-link.toml"));
    const CliResult result = Run({File("l1.wav"), "-o", File("out.wav"), "--save-score", File("score-link.toml")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::is_symlink(File("score-link.toml")));
    const std::vector<unsigned char> saved = ReadWholeFile(File("kept.toml"));
    EXPECT_THAT(std::string(saved.begin(), saved.end()), HasSubstr("source = \"l1.wav\""));
    struct stat info {};
    ASSERT_EQ(stat(File("kept.toml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(m_dir.Path()),
              (std::vector<std::string>{"kept.toml", "l1.wav", "l2.wav", "out.wav", "score-link.toml", "two.toml"}));
}

// A FIFO would hold the run until a reader came, and get the score instead
// of a file: it is refused at once, before the render.
TEST_F(CliInputsKept, SaveScoreIntoAFifoIsRefusedAtOnce)
{
    ASSERT_EQ(mkfifo(File("pipe.toml").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    const CliResult result = Run({File("l1.wav"), "-o", File("out.wav"), "--save-score", File("pipe.toml")});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("Cannot write " + File("pipe.toml") + ": not a regular file"));
    EXPECT_FALSE(std::filesystem::exists(File("out.wav")));
}
