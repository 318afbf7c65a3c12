// Choosing the input and output files: names, extension rules, inspection of
// the input and the information lines.
#include <gtest/gtest.h>

#include <wx/dnd.h>

#include <filesystem>

#include "ui/dialog_template/main_window_ids.h"
#include "tests/ui/panel/panel_test_support.h"
#include "resources/strings/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/ui/panel/wav_sparse_file.h"

TEST(InputFile, AValidInputShowsItsNameAndBothLinesAndCountsInTheMemoryFigure)
{
    TempDir dir;
    const std::string path = dir.File("voice.wav");
    WriteSilentWav(path, 22050 * 7, 22050, 1, 8);
    PartsHost host;
    host.ChooseInput(path);
    EXPECT_TRUE(host.TakeMessages().empty());
    EXPECT_EQ(host.Parts().GetInputPath(), path);
    EXPECT_EQ(host.TextOf(IDC_INPUT_NAME), "voice.wav");
    EXPECT_EQ(host.TextOf(IDC_INPUT_FORMAT_LINE), "Format  22050 8 bits mono");
    EXPECT_EQ(host.TextOf(IDC_INPUT_TIME_LINE), "Time  00:07     Size  0 MB");
    // 15 s of output, 7 s of input brought up to 44100 Hz, the window table.
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "7 MB");
}

TEST(InputFile, AnUnusableInputIsRefusedAndForgotten)
{
    TempDir dir;
    const std::string good = dir.File("good.wav");
    WriteToneWav(good, 44100 * 2, 44100);
    const std::string bad = dir.File("bad.wav");
    WriteWholeFile(bad, std::vector<unsigned char>(100, 'x'));
    PartsHost host;
    host.ChooseInput(good);
    ASSERT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "6 MB");

    host.ChooseInput(bad);
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_ERR_OPEN_INPUT});
    EXPECT_EQ(host.Parts().GetInputPath(), "");
    for (int id : {IDC_INPUT_NAME, IDC_INPUT_FORMAT_LINE, IDC_INPUT_TIME_LINE})
        EXPECT_EQ(host.TextOf(id), "") << id;
    EXPECT_FALSE(host.Parts().GetInputFacts().IsValid());
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "5 MB");  // the output's share alone
}

TEST(InputFile, AnExistingInputOpensUnderItsOwnNameAndCancelChangesNothing)
{
    TempDir dir;
    const std::string song = dir.File("song.Wav");
    WriteToneWav(song, 44100, 44100);
    PartsHost host;
    host.ChooseInput(song);
    host.ChooseOutput(dir.File("out.wav"));
    host.ChooseInput(std::nullopt);
    host.ChooseOutput(std::nullopt);
    EXPECT_EQ(host.Chooser().Asked(FileRole::Input), 2);
    EXPECT_EQ(host.Chooser().Asked(FileRole::Output), 2);
    EXPECT_TRUE(host.TakeMessages().empty());
    EXPECT_EQ(host.Parts().GetInputPath(), song);
    EXPECT_EQ(host.Parts().GetOutputPath(), dir.File("out.wav"));
    EXPECT_EQ(host.TextOf(IDC_INPUT_NAME), "song.Wav");
    EXPECT_EQ(host.TextOf(IDC_INPUT_FORMAT_LINE), "Format  44100 16 bits stereo");
}

TEST(OutputFile, NamesGetTheWavExtensionUnlessTheyHaveIt)
{
    TempDir dir;
    PartsHost host;
    for (auto [name, shown] : {std::pair{"mix", "mix.wav"}, {"mix.WAV", "mix.WAV"}, {"mix.mp3", "mix.mp3.wav"}}) {
        host.ChooseOutput(dir.File(name));
        EXPECT_EQ(host.Parts().GetOutputPath(), dir.File(shown));
        EXPECT_EQ(host.TextOf(IDC_OUTPUT_NAME), shown);
    }
    // Choosing an output neither creates nor examines it.
    EXPECT_FALSE(std::filesystem::exists(dir.File("mix.wav")));
}

TEST(OutputFile, AvailableSpaceIsThatOfTheOutputFoldersDisk)
{
    PartsHost host;
    host.ChooseOutput("/proc/sonnelith-test/out.wav");
    // No free space can be found for a folder that does not exist.
    EXPECT_EQ(host.TextOf(IDC_AVAILABLE_DISK), "0 MB");
    TempDir dir;
    host.ChooseOutput(dir.File("out.wav"));
    EXPECT_GT(host.Parts().GetFigures().GetAvailableDiskMB(), 0);
}

TEST(InputFile, BothDialogsOpenInTheFolderLastUsedSinceTheStart)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("takes"));
    std::filesystem::create_directories(dir.File("mixes"));
    const std::string take = dir.File("takes/a.wav");
    WriteToneWav(take, 44100, 44100);
    PartsHost host;
    host.ChooseInput(take);
    host.ChooseOutput(dir.File("mixes/out"));
    host.ChooseInput(std::nullopt);  // a cancelled dialog leaves the folder as it was
    host.ChooseOutput(std::nullopt);
    EXPECT_EQ(host.Chooser().StartFolders(FileRole::Input),
              (std::vector<std::string>{"", dir.File("mixes")}));
    EXPECT_EQ(host.Chooser().StartFolders(FileRole::Output),
              (std::vector<std::string>{dir.File("takes"), dir.File("mixes")}));
}

TEST(InputFile, AFileDroppedOnTheWindowIsTakenAsIfChosenInTheOpenDialog)
{
    TempDir dir;
    const std::string take = dir.File("TAKE01.WAV");
    WriteToneWav(take, 44100 * 2, 44100);
    const std::string notSound = dir.File("notes.txt");
    WriteWholeFile(notSound, std::vector<unsigned char>(100, 'x'));
    PartsHost host;
    auto* target = dynamic_cast<wxFileDropTarget*>(host.Window().GetDropTarget());
    ASSERT_NE(target, nullptr);

    wxArrayString files;
    files.Add(wxString::FromUTF8(take));
    files.Add(wxString::FromUTF8(notSound));  // of several, the first is taken
    EXPECT_TRUE(target->OnDropFiles(10, 10, files));
    ASSERT_TRUE(WaitUntil([&] { return host.Parts().GetInputPath() == take; }, 3000));
    EXPECT_EQ(host.TextOf(IDC_INPUT_NAME), "TAKE01.WAV");
    EXPECT_EQ(host.TextOf(IDC_INPUT_FORMAT_LINE), "Format  44100 16 bits stereo");
    EXPECT_TRUE(host.TakeMessages().empty());
    // The next dialog opens where the dropped file lies.
    host.ChooseOutput(std::nullopt);
    EXPECT_EQ(host.Chooser().StartFolders(FileRole::Output), std::vector<std::string>{dir.Path().string()});

    EXPECT_TRUE(target->OnDropFiles(10, 10, wxArrayString(1, wxString::FromUTF8(notSound))));
    ASSERT_TRUE(WaitUntil([&] { return host.Parts().GetInputPath().empty(); }, 3000));
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_ERR_OPEN_INPUT});
    EXPECT_EQ(host.TextOf(IDC_INPUT_NAME), "");
}
