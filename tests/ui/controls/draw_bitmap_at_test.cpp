// DrawBitmapAt: the whole picture, unscaled, at the given point, nothing else.
#include "ui/controls/draw_bitmap_at.h"
#include "tests/ui/support/gui_test_support.h"

#include <wx/dcmemory.h>

#include <utility>

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

// 6 x 4: left half red, right half green, last row blue.
wxBitmap FourColourPicture()
{
    wxImage image(6, 4);
    image.SetRGB(wxRect(0, 0, 3, 3), 255, 0, 0);
    image.SetRGB(wxRect(3, 0, 3, 3), 0, 255, 0);
    image.SetRGB(wxRect(0, 3, 6, 1), 0, 0, 255);
    return wxBitmap(image);
}

TEST(DrawBitmapAt, CopiesWholePictureAtNaturalSizeAndNothingAround)
{
    const wxImage canvas = DrawOntoCanvas(wxPoint(10, 5), FourColourPicture());
    const std::pair<wxPoint, wxColour> expected[] = {
        {{10, 5}, *wxRED},   {{12, 7}, *wxRED},   {{13, 5}, *wxGREEN}, {{15, 7}, *wxGREEN}, {{10, 8}, *wxBLUE},
        {{15, 8}, *wxBLUE},  {{9, 5}, *wxWHITE},  {{16, 5}, *wxWHITE}, {{10, 4}, *wxWHITE}, {{10, 9}, *wxWHITE},
    };
    for (const auto& [point, colour] : expected)
        EXPECT_EQ(PixelOf(canvas, point), colour) << point.x << ", " << point.y;
}

TEST(DrawBitmapAt, DropsWhatFallsOutsideTheTargetAndDrawsNothingForNoPicture)
{
    const wxImage clipped = DrawOntoCanvas(wxPoint(-3, 27), FourColourPicture());
    EXPECT_EQ(PixelOf(clipped, wxPoint(0, 27)), *wxGREEN);
    EXPECT_EQ(PixelOf(clipped, wxPoint(2, 29)), *wxGREEN);
    EXPECT_EQ(PixelOf(clipped, wxPoint(3, 27)), *wxWHITE);
    EXPECT_EQ(PixelOf(DrawOntoCanvas(wxPoint(0, 0), wxBitmap()), wxPoint(0, 0)), *wxWHITE);
}

}  // namespace
