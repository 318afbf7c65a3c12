// The compiled-in pictures and icon: every one there, at its exact size.
#include "gui_test_support.h"
#include "picture_resources.h"
#include "pictures.h"
#include "resource_ids.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct PictureSize {
    int id;
    int width;
    int height;
};

const PictureSize kPictureSizes[] = {
    {IDB_SLIDER_CHANNEL, 63, 20}, {IDB_SLIDER_THUMB, 8, 16},  {IDB_RESTORE, 99, 32},
    {IDB_FOLDER, 99, 24},         {IDB_START, 216, 32},       {IDB_PLAY, 99, 32},
    {IDB_GUIDE, 216, 32},         {IDB_ABOUT, 99, 32},        {IDB_WEB_SITE, 99, 32},
    {IDB_BACKGROUND, 594, 410},   {IDB_ABOUT_PICTURE, 582, 221},
};

std::uint32_t LittleEndian(const ResourceBytes& bytes, std::size_t offset, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes.data[offset + static_cast<std::size_t>(i)];
    return value;
}

TEST(ResourcePictures, EveryPictureHasItsExactSize)
{
    for (const PictureSize& expected : kPictureSizes) {
        SCOPED_TRACE(expected.id);
        const wxBitmap picture = LoadBitmapResource(expected.id);
        ASSERT_TRUE(picture.IsOk());
        EXPECT_EQ(picture.GetSize(), wxSize(expected.width, expected.height));
    }
}

TEST(ResourcePictures, EveryPictureIsAnUncompressed24BitBmp)
{
    for (const PictureSize& expected : kPictureSizes) {
        SCOPED_TRACE(expected.id);
        const ResourceBytes bytes = FindPicture(expected.id);
        ASSERT_GE(bytes.size, 54u);
        EXPECT_EQ(bytes.data[0], 'B');
        EXPECT_EQ(bytes.data[1], 'M');
        EXPECT_EQ(LittleEndian(bytes, 2, 4), bytes.size);  // file size field
        EXPECT_EQ(LittleEndian(bytes, 28, 2), 24u);        // bits per pixel
        EXPECT_EQ(LittleEndian(bytes, 30, 4), 0u);         // no compression
    }
}

TEST(ResourcePictures, ExactlyTheProgramsPicturesAreEmbedded)
{
    std::vector<int> expected;
    for (const PictureSize& picture : kPictureSizes)
        expected.push_back(picture.id);
    EXPECT_EQ(EmbeddedPictureIds(), expected);
}

TEST(ResourcePictures, UnknownIdsGiveNothing)
{
    EXPECT_TRUE(FindPicture(134).IsEmpty());
    EXPECT_TRUE(FindPicture(0).IsEmpty());
    EXPECT_FALSE(LoadBitmapResource(146).IsOk());
    EXPECT_TRUE(FindIconImages(IDB_START).empty());
    EXPECT_TRUE(LoadIconResource(999).IsEmpty());
}

TEST(ResourcePictures, ProgramIconHasSmallAndLargeImages)
{
    const wxIconBundle icons = LoadIconResource(IDI_MAINFRAME);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const wxIcon icon = icons.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
        ASSERT_TRUE(icon.IsOk());
        EXPECT_EQ(icon.GetSize(), wxSize(size, size));
    }
}

TEST(ResourcePictures, PictureKeepsItsPixelsExactly)
{
    // The channel picture's field is the control-background colour of the
    // main window; loading must not alter it.
    const wxImage channel = LoadBitmapResource(IDB_SLIDER_CHANNEL).ConvertToImage();
    EXPECT_EQ(PixelOf(channel, wxPoint(0, 0)), wxColour(195, 201, 205));
}

}  // namespace
