#include <gtest/gtest.h>

#include <wx/filedlg.h>

#include "ui/panel/file_chooser.h"
#include "tests/support/temp_dir.h"
#include "ui/panel/wav_file_names.h"

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
        EXPECT_EQ(setup.m_strWildcard, "Windows PCM (*.wav)|*.wav");
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
