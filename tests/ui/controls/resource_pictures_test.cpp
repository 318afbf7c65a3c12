// The compiled-in pictures and icon: every one there, at its exact size.
#include "tests/ui/support/gui_test_support.h"
#include "ui/controls/picture_resources.h"
#include "resources/pictures/pictures.h"
#include "resources/strings/resource_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(ResourcePictures, EveryPictureIsAnUncompressed24BitBmpOfItsExactSize)
{
    for (const PictureSize& expected : kPictureSizes) {
        SCOPED_TRACE(expected.id);
        const wxBitmap picture = LoadBitmapResource(expected.id);
        ASSERT_TRUE(picture.IsOk());
        EXPECT_EQ(picture.GetSize(), wxSize(expected.width, expected.height));
        const ResourceBytes bytes = FindPicture(expected.id);
        ASSERT_GE(bytes.size, 54u);
        EXPECT_EQ(bytes.data[0], 'B');
        EXPECT_EQ(bytes.data[1], 'M');
        EXPECT_EQ(LittleEndian(bytes, 2, 4), bytes.size);  // file size field
        EXPECT_EQ(LittleEndian(bytes, 28, 2), 24u);        // bits per pixel
        EXPECT_EQ(LittleEndian(bytes, 30, 4), 0u);         // no compression
    }
}

TEST(ResourcePictures, EveryPictureHasATwinOfTwiceItsSizeAndTheBundleIsSizedInPoints)
{
    for (const PictureSize& expected : kPictureSizes) {
        SCOPED_TRACE(expected.id);
        const wxBitmapBundle bundle = LoadBitmapBundleResource(expected.id);
        ASSERT_TRUE(bundle.IsOk());
        EXPECT_EQ(bundle.GetDefaultSize(), wxSize(expected.width, expected.height));
        const wxBitmap doubled = bundle.GetBitmap(wxSize(2 * expected.width, 2 * expected.height));
        ASSERT_TRUE(doubled.IsOk());
        EXPECT_EQ(doubled.GetSize(), wxSize(2 * expected.width, 2 * expected.height));
        // At one pixel to the point the bundle gives the natural-size picture itself.
        const wxImage natural = bundle.GetBitmap(wxSize(expected.width, expected.height)).ConvertToImage();
        const wxImage loaded = LoadBitmapResource(expected.id).ConvertToImage();
        EXPECT_TRUE(std::equal(natural.GetData(), natural.GetData() + 3 * expected.width * expected.height,
                               loaded.GetData()));
    }
    EXPECT_TRUE(FindDoubleSizePicture(12345).IsEmpty());
    EXPECT_FALSE(LoadBitmapBundleResource(12345).IsOk());
}

TEST(ResourcePictures, ExactlyTheProgramsPicturesAreEmbeddedAndUnknownIdsGiveNothing)
{
    std::vector<int> expected;
    for (const PictureSize& picture : kPictureSizes)
        expected.push_back(picture.id);
    EXPECT_EQ(EmbeddedPictureIds(), expected);
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

// --- The strips' artwork -------------------------------------------------------------

// The main window's panel colour, under every button's place.
const wxColour kPanelColour(194, 200, 204);

const int kStripIds[] = {IDB_RESTORE, IDB_FOLDER, IDB_START, IDB_PLAY, IDB_GUIDE, IDB_ABOUT, IDB_WEB_SITE};

struct Face {
    int red, green, blue;
    int Brightness() const { return red + green + blue; }
    int Spread() const { return std::max({red, green, blue}) - std::min({red, green, blue}); }
};

// The face colour of a frame, taken at its left edge, halfway down: inside
// the rounded outline and clear of every icon and label.
Face FaceOf(const wxImage& strip, int frame)
{
    const int frameWidth = strip.GetWidth() / 3;
    const wxColour colour = PixelOf(strip, wxPoint(frame * frameWidth + 2, strip.GetHeight() / 2));
    return {colour.Red(), colour.Green(), colour.Blue()};
}

TEST(ResourcePictures, StripFramesAreOpaqueWithThePanelColourOutsideTheFace)
{
    for (int id : kStripIds) {
        SCOPED_TRACE(id);
        const wxImage strip = LoadBitmapResource(id).ConvertToImage();
        ASSERT_TRUE(strip.IsOk());
        EXPECT_FALSE(strip.HasAlpha());
        EXPECT_FALSE(strip.HasMask());
        const int width = strip.GetWidth() / 3;
        const int bottom = strip.GetHeight() - 1;
        for (int frame = 0; frame < 3; ++frame) {
            const int left = frame * width;
            for (const wxPoint corner : {wxPoint(left, 0), wxPoint(left + width - 1, 0), wxPoint(left, bottom),
                                         wxPoint(left + width - 1, bottom)})
                EXPECT_EQ(PixelOf(strip, corner), kPanelColour) << "frame " << frame << " at " << corner.x;
        }
    }
}

TEST(ResourcePictures, StripFacesArePaleTealGreyAndLighterTeal)
{
    // Teal: green and blue well above red. Grey: the three channels close.
    for (int id : kStripIds) {
        SCOPED_TRACE(id);
        const wxImage strip = LoadBitmapResource(id).ConvertToImage();
        const Face normal = FaceOf(strip, 0), pressed = FaceOf(strip, 1), hover = FaceOf(strip, 2);
        EXPECT_GT(normal.green - normal.red, 30);
        EXPECT_GT(normal.blue - normal.red, 30);
        EXPECT_LT(pressed.Spread(), 16);
        EXPECT_GT(hover.green - hover.red, 30);
        EXPECT_GT(hover.blue - hover.red, 30);
        EXPECT_GT(hover.Brightness(), normal.Brightness() + 30);
    }
}

TEST(ResourcePictures, BackgroundIsPlainPanelColourUnderEveryButton)
{
    // The main window's eight buttons: place and frame size.
    const wxRect places[] = {{15, 352, 72, 32},  {93, 352, 33, 32}, {133, 352, 33, 32}, {429, 352, 72, 32},
                             {506, 352, 33, 32}, {545, 352, 33, 32}, {232, 39, 33, 24},  {522, 39, 33, 24}};
    const wxImage background = LoadBitmapResource(IDB_BACKGROUND).ConvertToImage();
    for (const wxRect& place : places) {
        int others = 0;
        for (int y = place.GetTop(); y <= place.GetBottom(); ++y) {
            for (int x = place.GetLeft(); x <= place.GetRight(); ++x)
                others += PixelOf(background, wxPoint(x, y)) != kPanelColour;
        }
        EXPECT_EQ(others, 0) << "under the button at " << place.x << ", " << place.y;
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
