// A file held open is the one file everything reads: its name given to
// another file changes nothing read through it, a file written in place is
// told, and anything but a regular file is refused without waiting.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "formats/held_file.h"
#include "formats/sound_file_opener.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

namespace {

std::vector<StereoFrame> SoundThrough(const std::string& path, const std::string& shownAs)
{
    InputRules rules;
    rules.m_strShownAs = shownAs;
    InputOpening opening = OpenSoundFile(path, rules);
    EXPECT_TRUE(opening.m_opening.m_pSource) << opening.m_opening.m_failure.m_strText;
    if (!opening.m_opening.m_pSource)
        return {};
    EXPECT_THAT(opening.m_strRoute, testing::StartsWith(shownAs + ": "));
    std::vector<StereoFrame> frames(opening.m_opening.m_pSource->GetFrameCount());
    opening.m_opening.m_pSource->Read(frames.data(), frames.size());
    return frames;
}

}  // namespace

TEST(HeldFile, ReadsTheFileItOpenedWhateverNowBearsItsName)
{
    TempDir dir;
    WriteToneWav(dir.File("a.wav"), 4410, 44100, 441.0);
    WriteToneWav(dir.File("b.wav"), 4410, 44100, 882.0);
    const std::vector<StereoFrame> before = SoundThrough(dir.File("a.wav"), dir.File("a.wav"));
    std::string reason;
    std::optional<HeldFile> held = HeldFile::Open(dir.File("a.wav"), reason);
    ASSERT_TRUE(held) << reason;
    std::filesystem::rename(dir.File("b.wav"), dir.File("a.wav"));
    const std::vector<StereoFrame> after = SoundThrough(held->ReadablePath(), dir.File("a.wav"));
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin(), [](StereoFrame x, StereoFrame y) {
        return x.left == y.left && x.right == y.right;
    }));
    EXPECT_TRUE(held->IsUnchanged()) << "a name given to another file changes nothing held";
    std::optional<HeldFile> other = HeldFile::Open(dir.File("a.wav"), reason);
    ASSERT_TRUE(other);
    EXPECT_FALSE(held->IsSameFileAs(*other));
    std::filesystem::create_symlink(dir.File("a.wav"), dir.File("link.wav"));
    EXPECT_TRUE(HeldFile::Open(dir.File("link.wav"), reason)->IsSameFileAs(*other));
}

TEST(HeldFile, AFileWrittenInPlaceIsToldChanged)
{
    TempDir dir;
    WriteWholeFile(dir.File("a.wav"), {1, 2, 3, 4});
    std::string reason;
    const std::optional<HeldFile> held = HeldFile::Open(dir.File("a.wav"), reason);
    ASSERT_TRUE(held) << reason;
    EXPECT_EQ(held->Size(), 4u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteWholeFile(dir.File("a.wav"), {5, 6, 7, 8});
    EXPECT_FALSE(held->IsUnchanged());
}

TEST(HeldFile, OnlyARegularFileIsHeldAndAFifoDoesNotWait)
{
    TempDir dir;
    std::string reason;
    EXPECT_FALSE(HeldFile::Open(dir.File("none.wav"), reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(HeldFile::Open(dir.Path().string(), reason));
    EXPECT_EQ(reason, "is a folder, not a sound file");
    ASSERT_EQ(mkfifo(dir.File("pipe.wav").c_str(), 0600), 0);
    EXPECT_FALSE(HeldFile::Open(dir.File("pipe.wav"), reason));
    EXPECT_EQ(reason, "is not a regular file");
}
