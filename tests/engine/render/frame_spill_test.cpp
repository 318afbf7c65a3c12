// Frames set aside on disk come back as they went in; the spill needs a real
// disk with room.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/render/frame_spill.h"
#include "tests/support/temp_dir.h"
#include "wav/file_exception.h"

TEST(FrameSpill, FramesComeBackFromAnyPlace)
{
    TempDir dir;
    std::unique_ptr<FrameSpill> spill = FrameSpill::Create(dir.Path().string());
    ASSERT_TRUE(spill);
    std::vector<StereoFrame> frames(100000);
    for (std::size_t j = 0; j < frames.size(); ++j)
        frames[j] = {static_cast<float>(j), -static_cast<float>(j) * 0.5f};
    spill->Append(std::span(frames).first(3));
    spill->Append(std::span(frames).subspan(3));
    EXPECT_EQ(spill->GetFrameCount(), frames.size());

    std::vector<StereoFrame> back(70000);
    spill->Read(back, 29999);
    for (std::size_t j = 0; j < back.size(); ++j) {
        ASSERT_EQ(back[j].left, frames[29999 + j].left);
        ASSERT_EQ(back[j].right, frames[29999 + j].right);
    }
    // The file has no name: the folder stays empty.
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    // Past what was stored is an error, not silence.
    EXPECT_THROW(spill->Read(back, 50000), FileException);
}

TEST(FrameSpill, NeedsAFolderThatCanBeWritten)
{
    TempDir dir;
    EXPECT_FALSE(FrameSpill::Create(dir.File("missing")));
}

TEST(FrameSpill, RoomMeansFreeSpaceOnARealDisk)
{
    TempDir dir;
    EXPECT_TRUE(IsRoomToSpill(dir.Path().string(), 1 << 20, 0));
    EXPECT_FALSE(IsRoomToSpill(dir.Path().string(), std::uint64_t{1} << 62, 0));
    EXPECT_FALSE(IsRoomToSpill(dir.Path().string(), 1 << 20, std::uint64_t{1} << 62));
    EXPECT_FALSE(IsRoomToSpill(dir.File("missing"), 1, 0));
    if (std::filesystem::is_directory("/dev/shm")) {
        EXPECT_FALSE(IsRoomToSpill("/dev/shm", 1, 0));  // kept in memory
    }
}
