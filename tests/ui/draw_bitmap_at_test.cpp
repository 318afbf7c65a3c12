// DrawBitmapAt: the whole picture, unscaled, at the given point, nothing else.
#include "draw_bitmap_at.h"
#include "gui_test_support.h"

#include <wx/dcmemory.h>

#include <gtest/gtest.h>

namespace {

wxImage DrawOntoCanvas(wxPoint at, const wxBitmap& picture)
{
    wxBitmap canvas = SolidBitmap(wxSize(40, 30), *wxWHITE);
    {
        wxMemoryDC dc(canvas);
        DrawBitmapAt(dc, at, picture);
    }
    return canvas.ConvertToImage();
}

wxBitmap FourColourPicture()
{
    // 6 x 4: left half red, right half green, last row blue.
    wxImage image(6, 4);
    image.SetRGB(wxRect(0, 0, 3, 3), 255, 0, 0);
    image.SetRGB(wxRect(3, 0, 3, 3), 0, 255, 0);
    image.SetRGB(wxRect(0, 3, 6, 1), 0, 0, 255);
    return wxBitmap(image);
}

TEST(DrawBitmapAt, CopiesWholePictureAtNaturalSize)
{
    const wxImage canvas = DrawOntoCanvas(wxPoint(10, 5), FourColourPicture());
    EXPECT_EQ(PixelOf(canvas, wxPoint(10, 5)), *wxRED);
    EXPECT_EQ(PixelOf(canvas, wxPoint(12, 7)), *wxRED);
    EXPECT_EQ(PixelOf(canvas, wxPoint(13, 5)), *wxGREEN);
    EXPECT_EQ(PixelOf(canvas, wxPoint(15, 7)), *wxGREEN);
    EXPECT_EQ(PixelOf(canvas, wxPoint(10, 8)), *wxBLUE);
    EXPECT_EQ(PixelOf(canvas, wxPoint(15, 8)), *wxBLUE);
}

TEST(DrawBitmapAt, LeavesEverythingAroundThePictureAlone)
{
    const wxImage canvas = DrawOntoCanvas(wxPoint(10, 5), FourColourPicture());
    EXPECT_EQ(PixelOf(canvas, wxPoint(9, 5)), *wxWHITE);
    EXPECT_EQ(PixelOf(canvas, wxPoint(16, 5)), *wxWHITE);
    EXPECT_EQ(PixelOf(canvas, wxPoint(10, 4)), *wxWHITE);
    EXPECT_EQ(PixelOf(canvas, wxPoint(10, 9)), *wxWHITE);
}

TEST(DrawBitmapAt, DropsWhatFallsOutsideTheTarget)
{
    const wxImage canvas = DrawOntoCanvas(wxPoint(-3, 27), FourColourPicture());
    EXPECT_EQ(PixelOf(canvas, wxPoint(0, 27)), *wxGREEN);
    EXPECT_EQ(PixelOf(canvas, wxPoint(2, 29)), *wxGREEN);
    EXPECT_EQ(PixelOf(canvas, wxPoint(3, 27)), *wxWHITE);
}

TEST(DrawBitmapAt, InvalidPictureDrawsNothing)
{
    const wxImage canvas = DrawOntoCanvas(wxPoint(0, 0), wxBitmap());
    EXPECT_EQ(PixelOf(canvas, wxPoint(0, 0)), *wxWHITE);
}

}  // namespace
