// Where a document comes from and goes to: score files (the studio's own
// writing recognised, anybody else's not), rendered files that store a
// score, sounds that start a new one; saving replaces a file whole or not at
// all.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "score_file/score_writing.h"
#include "studio/model/document_files.h"
#include "studio/model/score_document.h"
#include "tests/studio/studio_test_support.h"
#include "tests/support/temp_dir.h"

using namespace studio;

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The sample copied into folder, and a score reading it saved there.
std::string SavedScore(const TempDir& folder, const Score& score)
{
    std::filesystem::copy_file(SONNELITH_SAMPLE_PATH, folder.File("sample.wav"));
    Score named = score;
    named.m_layers[0].m_strSource = "sample.wav";
    named.m_layers[0].m_strSourcePath = folder.File("sample.wav");
    WriteText(folder.File("piece.toml"), WriteScoreText(named));
    return folder.File("piece.toml");
}

}  // namespace

TEST(DocumentFiles, AScoreTheStudioWritesIsItsOwnAndOneWithCommentsIsNot)
{
    TempDir folder;
    const std::string path = SavedScore(folder, SampleScore());
    const DocumentOpening opened = OpenDocumentFile(path);
    ASSERT_TRUE(opened.m_document) << opened.m_strError;
    EXPECT_EQ(opened.m_document->m_origin, DocumentOrigin::ScoreFile);
    EXPECT_EQ(opened.m_document->m_strPath, path);
    ASSERT_TRUE(opened.m_document->m_ownText.has_value());
    EXPECT_EQ(CheckOverwrite(path, opened.m_document->m_ownText), OverwriteCase::Unchanged);

    // Saving an unchanged score writes the very same text.
    ScoreDocument document(*opened.m_document, 1);
    EXPECT_EQ(document.TextFor(path), ReadText(path));

    // Changed elsewhere in the studio's own layout, then by hand with a comment.
    std::string changed = ReadText(path);
    changed.replace(changed.find("volume = 50"), 11, "volume = 60");
    WriteText(path, changed);
    EXPECT_EQ(CheckOverwrite(path, opened.m_document->m_ownText), OverwriteCase::ChangedOnDisk);
    WriteText(path, "# my favourite\n" + changed);
    EXPECT_EQ(CheckOverwrite(path, opened.m_document->m_ownText), OverwriteCase::ForeignScore);
    WriteText(path, "not a score at all");
    EXPECT_EQ(CheckOverwrite(path, std::nullopt), OverwriteCase::OtherFile);
    EXPECT_EQ(CheckOverwrite(folder.File("new.toml"), std::nullopt), OverwriteCase::NoFile);
}

TEST(DocumentFiles, AScoreWrittenByHandAndSavedUnchangedRendersTheSameBytes)
{
    TempDir folder;
    std::filesystem::copy_file(SONNELITH_SAMPLE_PATH, folder.File("sample.wav"));
    // Comments, keys in an order of its own, every kind of value: what the
    // studio writes differs as text, not as a score.
    WriteText(folder.File("hand.toml"), "# an evening\nseed = 99\nlength = \"0:02\"   # short\nfade = 1\n"
                                        "volume = 70\n[[layer]]\ngrain_length = 120\ndensity = 700\n"
                                        "source = \"sample.wav\"\nsource_start = 0.25\nwindow = \"tukey\"\n"
                                        "pitch_set = [0, 7]\n[[layer.at]]\ntime = 1\ngain = -inf\ncurve = \"step\"\n"
                                        "[[layer.at]]\ntime = \"0:01.5\"\ngain = -3\ndensity = 900.5\n"
                                        "curve = \"smooth\"\n[layer.drift]\npitch = { depth = 0.5, period = 1 }\n");
    const DocumentOpening opened = OpenDocumentFile(folder.File("hand.toml"));
    ASSERT_TRUE(opened.m_document) << opened.m_strError;
    const ScoreDocument document(*opened.m_document, 1);
    WriteText(folder.File("saved.toml"), document.TextFor(folder.File("saved.toml")));
    EXPECT_NE(ReadText(folder.File("saved.toml")), ReadText(folder.File("hand.toml")));
    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {folder.File("hand.toml"), "-o", folder.File("hand.wav"), "-q"}), 0);
    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {folder.File("saved.toml"), "-o", folder.File("saved.wav"), "-q"}), 0);
    EXPECT_EQ(ReadText(folder.File("saved.wav")), ReadText(folder.File("hand.wav")));
}

TEST(DocumentFiles, ARefusedScoreIsNamedWithItsLine)
{
    TempDir folder;
    WriteText(folder.File("bad.toml"), "length = \"1:00\"\n\n[[layer]]\nsource = \"sample.wav\"\ndensty = 100\n");
    const DocumentOpening opened = OpenDocumentFile(folder.File("bad.toml"));
    EXPECT_FALSE(opened.m_document);
    EXPECT_NE(opened.m_strError.find("bad.toml:5: unknown key 'densty'"), std::string::npos) << opened.m_strError;
}

TEST(DocumentFiles, ASoundBecomesANewScoreAndARenderedFileGivesItsStoredScore)
{
    TempDir folder;
    const std::string path = SavedScore(folder, SampleScore(3));
    const DocumentOpening sound = OpenDocumentFile(folder.File("sample.wav"));
    ASSERT_TRUE(sound.m_document) << sound.m_strError;
    EXPECT_EQ(sound.m_document->m_origin, DocumentOrigin::Sound);
    EXPECT_TRUE(sound.m_document->m_strPath.empty());
    ASSERT_EQ(sound.m_document->m_score.m_layers.size(), 1u);
    EXPECT_EQ(sound.m_document->m_score.m_layers[0].m_values, ParameterValues());

    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {path, "-o", folder.File("out.flac"), "-q"}), 0);
    const DocumentOpening rendered = OpenDocumentFile(folder.File("out.flac"));
    ASSERT_TRUE(rendered.m_document) << rendered.m_strError;
    EXPECT_EQ(rendered.m_document->m_origin, DocumentOrigin::RenderedFile);
    EXPECT_EQ(rendered.m_document->m_score.m_seed, 7u);
    EXPECT_EQ(rendered.m_document->m_score.m_nLengthSeconds, 3);
    EXPECT_EQ(rendered.m_document->m_score.m_layers[0].m_strSourcePath, folder.File("sample.wav"));

    WriteText(folder.File("noise.wav"), "RIFF but nothing else");
    EXPECT_FALSE(OpenDocumentFile(folder.File("noise.wav")).m_document);
}

TEST(DocumentFiles, ASourceIsNamedFromTheFolderTheScoreIsSavedIn)
{
    TempDir folder;
    SavedScore(folder, SampleScore());
    Score score = OpenDocumentFile(folder.File("piece.toml")).m_document->m_score;
    std::filesystem::create_directory(folder.File("sub"));
    EXPECT_EQ(ScoreNamedFrom(score, folder.Path().string()).m_layers[0].m_strSource, "sample.wav");
    EXPECT_EQ(ScoreNamedFrom(score, folder.File("sub")).m_layers[0].m_strSource, folder.File("sample.wav"));
}

TEST(DocumentFiles, AReplacedFileKeepsItsPermissionsAndAFailedWriteLeavesNothing)
{
    TempDir folder;
    const std::string path = folder.File("kept.toml");
    WriteText(path, "old");
    chmod(path.c_str(), 0640);
    EXPECT_EQ(WriteFileReplacing(path, "new"), std::nullopt);
    EXPECT_EQ(ReadText(path), "new");
    struct stat status {};
    stat(path.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    const auto failure = WriteFileReplacing(folder.File("missing/there.toml"), "text");
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("there.toml"), std::string::npos);
    EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"kept.toml"}));
}
