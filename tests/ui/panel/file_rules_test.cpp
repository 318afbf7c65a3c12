#include <gtest/gtest.h>

#include <wx/filedlg.h>

#include <fnmatch.h>

#include <filesystem>

#include "tests/support/temp_dir.h"
#include "ui/panel/file_chooser.h"
#include "ui/panel/generate_check.h"
#include "ui/panel/wav_file_names.h"
#include "resources/strings/resource_ids.h"

TEST(WavExtension, IsAppendedOnlyWhenNeitherSpellingAppearsAnywhere)
{
    EXPECT_EQ(WithWavExtension("/home/a/mix"), "/home/a/mix.wav");
    EXPECT_EQ(WithWavExtension("/home/a/mix.mp3"), "/home/a/mix.mp3.wav");
    EXPECT_EQ(WithWavExtension("/home/a/mix.WAV"), "/home/a/mix.WAV");
    EXPECT_EQ(WithWavExtension("/home/a/take.wav.old"), "/home/a/take.wav.old");
    EXPECT_EQ(WithWavExtension("/home/a/song.Wav"), "/home/a/song.Wav.wav");
    EXPECT_EQ(WithWavExtension("/home/a.wav/mix"), "/home/a.wav/mix");  // folders count too
}

TEST(WavExtension, AnExistingInputIsTakenAsChosen)
{
    TempDir dir;
    const std::string song = dir.File("song.Wav");
    WriteWholeFile(song, {0});
    EXPECT_EQ(InputPathFor(song), song);
    // A name that does not exist as chosen follows the rule; the output rule never looks at the disk.
    EXPECT_EQ(InputPathFor(dir.File("other.Wav")), dir.File("other.Wav.wav"));
    EXPECT_EQ(OutputPathFor(song), song + ".wav");
}

TEST(FileDialogs, ShareOneWavFilterAndOnlyTheSaveDialogAsksBeforeReplacing)
{
    const FileDialogSetup open = FileDialogSetupFor(FileRole::Input);
    const FileDialogSetup save = FileDialogSetupFor(FileRole::Output);
    for (const FileDialogSetup& setup : {open, save}) {
        EXPECT_EQ(setup.m_strWildcard.BeforeFirst('|'), "Windows PCM (*.wav)");
        EXPECT_EQ(setup.m_strDefaultExtension, "wav");
        EXPECT_TRUE(setup.m_nStyle & wxRESIZE_BORDER);
        EXPECT_FALSE(setup.m_nStyle & wxFD_CHANGE_DIR);
    }
    EXPECT_TRUE(open.m_nStyle & wxFD_OPEN);
    EXPECT_FALSE(open.m_nStyle & wxFD_OVERWRITE_PROMPT);
    EXPECT_TRUE(save.m_nStyle & wxFD_SAVE);
    EXPECT_TRUE(save.m_nStyle & wxFD_OVERWRITE_PROMPT);
}

TEST(FileDialogs, DefaultExtensionGoesOnlyOnNamesWithoutOne)
{
    EXPECT_EQ(WithDefaultExtension("/a/mix", "wav"), "/a/mix.wav");
    EXPECT_EQ(WithDefaultExtension("/a/mix.WAV", "wav"), "/a/mix.WAV");
    // Typed "mix.mp3" ends as mix.mp3.wav once the ".wav" rule follows the dialog.
    EXPECT_EQ(OutputPathFor(WithDefaultExtension("/a/mix.mp3", "wav")), "/a/mix.mp3.wav");
}

TEST(FileDialogs, TheWavFilterMatchesEveryCaseOfTheExtensionAndNothingElse)
{
    // The desktop's file chooser matches its patterns like fnmatch, case by case.
    const std::string pattern = FileDialogSetupFor(FileRole::Input).m_strWildcard.AfterFirst('|').utf8_string();
    for (const char* name : {"take.wav", "TAKE01.WAV", "Mix.Wav", "a.wAv", ".wav"})
        EXPECT_EQ(fnmatch(pattern.c_str(), name, 0), 0) << name;
    for (const char* name : {"notes.txt", "take.wav.txt", "takewav", "take.wave", "take.mp3"})
        EXPECT_NE(fnmatch(pattern.c_str(), name, 0), 0) << name;
}

TEST(FileDialogs, TheSavedNameIsTheConfirmedOneWithTheDefaultExtensionAndTheWavRule)
{
    EXPECT_EQ(SavedPathFor("/a/mix"), "/a/mix.wav");
    EXPECT_EQ(SavedPathFor("/a/mix.wav"), "/a/mix.wav");
    EXPECT_EQ(SavedPathFor("/a/mix.WAV"), "/a/mix.WAV");
    EXPECT_EQ(SavedPathFor("/a/mix.mp3"), "/a/mix.mp3.wav");
    EXPECT_EQ(SavedPathFor("/a/song.Wav"), "/a/song.Wav.wav");
}

TEST(FileDialogs, TheReplaceQuestionNamesTheFileAndItsFolderAsTheDesktopDoes)
{
    EXPECT_EQ(ReplaceQuestionText("/home/ann/takes/mix.wav"),
              "A file named \u201cmix.wav\u201d already exists.  Do you want to replace it?\n\n"
              "The file already exists in \u201ctakes\u201d.  Replacing it will overwrite its contents.");
}

TEST(GenerateCheck, RefusesAnOutputThatIsTheInputItselfThroughAnyName)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteWholeFile(input, {1, 2, 3});
    std::filesystem::create_hard_link(input, dir.File("hard.wav"));
    std::filesystem::create_symlink(input, dir.File("soft.wav"));
    std::filesystem::create_directory(dir.File("sub"));
    WriteWholeFile(dir.File("copy.wav"), {1, 2, 3});
    for (const std::string& same : {input, dir.File("hard.wav"), dir.File("soft.wav"), dir.File("sub/../in.wav")}) {
        EXPECT_TRUE(IsSameFile(input, same)) << same;
        EXPECT_EQ(GenerateRefusal({input, same, 1000, 2}), IDS_ERR_SAME_FILE) << same;
        // The same file is refused before the disk space is looked at.
        EXPECT_EQ(GenerateRefusal({input, same, 0, 2}), IDS_ERR_SAME_FILE) << same;
    }
    for (const std::string& other : {dir.File("copy.wav"), dir.File("new.wav"), std::string("/proc/none/x.wav")}) {
        EXPECT_FALSE(IsSameFile(input, other)) << other;
        EXPECT_EQ(GenerateRefusal({input, other, 1000, 2}), 0) << other;
    }
    // The checks before it still come first.
    EXPECT_EQ(GenerateRefusal({"", input, 1000, 2}), IDS_SELECT_INPUT);
    EXPECT_EQ(GenerateRefusal({input, "", 1000, 2}), IDS_SELECT_OUTPUT);
    EXPECT_EQ(GenerateRefusal({input, dir.File("new.wav"), 1, 2}), IDS_ERR_DISK_SPACE);
}
