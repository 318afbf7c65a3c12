// The main window on a screen with two pixels to the point (GDK_SCALE=2): every
// picture is its double-size twin, pixel for pixel, where the natural-size
// picture stands at natural size. Run with GDK_SCALE=2 (see CMakeLists.txt).
#include "resources/pictures/pictures.h"
#include "resources/strings/resource_ids.h"
#include "tests/ui/support/window_test_support.h"
#include "ui/controls/picture_resources.h"
#include "ui/dialog_template/dialog_units.h"
#include "ui/main_window/command_button_places.h"
#include "ui/main_window/generator_dialog.h"
#include "ui/main_window/main_window_template.h"

#include <gtest/gtest.h>

#include <wx/mstream.h>

namespace {

constexpr int kScale = 2;

// The double-size picture id as the program carries it.
wxImage DoubleSizePicture(int id)
{
    const ResourceBytes bytes = FindDoubleSizePicture(id);
    wxMemoryInputStream stream(bytes.data, bytes.size);
    wxImage image;
    image.LoadFile(stream, wxBITMAP_TYPE_PNG);
    return image;
}

// Screen pixels of a rectangle given in points.
wxRect InPixels(const wxRect& points)
{
    return wxRect(points.x * kScale, points.y * kScale, points.width * kScale, points.height * kScale);
}

// Whether a screen pixel lies under (or next to) a control of the window.
bool UnderAControl(wxWindow& window, wxPoint pixel)
{
    const wxPoint point(pixel.x / kScale, pixel.y / kScale);
    for (wxWindow* child : window.GetChildren()) {
        if (!child->IsTopLevel() && child->GetRect().Inflate(2).Contains(point))
            return true;
    }
    for (const TemplateControl& control : kMainWindowControls) {
        if (DialogUnitsToPixels(control.m_rect).Inflate(2).Contains(point))
            return true;
    }
    return false;
}

// Pixels of frame 0 of a double-size strip whose frames are frameWidth points wide.
wxImage NormalFrame(const wxImage& strip, int frameWidth)
{
    return strip.GetSubImage(wxRect(0, 0, frameWidth * kScale, strip.GetHeight()));
}

int PixelsDiffering(const wxImage& a, const wxImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.GetHeight(); ++y) {
        for (int x = 0; x < a.GetWidth(); ++x)
            differing += PixelOf(a, {x, y}) != PixelOf(b, {x, y}) ? 1 : 0;
    }
    return differing;
}

class MainWindowHiDpi : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        m_pWindow->Show();
        ASSERT_TRUE(WaitUntil([this] { return m_pWindow->IsShownOnScreen(); }));
        PumpFor(200);
        ASSERT_EQ(m_pWindow->GetContentScaleFactor(), kScale) << "run with GDK_SCALE=2";
    }
    void TearDown() override { delete m_pWindow; }

    GeneratorDialog* m_pWindow = new GeneratorDialog;
};

}  // namespace

TEST_F(MainWindowHiDpi, TheBackgroundIsTheDoubleSizePicturePixelForPixel)
{
    const wxImage picture = DoubleSizePicture(IDB_BACKGROUND);
    ASSERT_EQ(picture.GetSize(), wxSize(594 * kScale, 410 * kScale));
    // Same place and size in points as at natural size.
    EXPECT_EQ(m_pWindow->GetClientSize(), wxSize(594, 397));
    const wxImage screen = WaitForScreen(*m_pWindow, [&](const wxImage& image) {
        return image.GetSize() == wxSize(594, 397) * kScale &&
               PixelOf(image, wxPoint(600, 660)) == PixelOf(picture, wxPoint(600, 660));
    });
    SaveScreenshot(*m_pWindow, "main-window-scale-2");
    ASSERT_EQ(screen.GetSize(), wxSize(594, 397) * kScale);
    int compared = 0;
    int differing = 0;
    for (int y = 1; y < screen.GetHeight(); y += 7) {
        for (int x = 1; x < screen.GetWidth(); x += 5) {
            if (UnderAControl(*m_pWindow, {x, y}))
                continue;
            ++compared;
            differing += PixelOf(screen, {x, y}) != PixelOf(picture, {x, y}) ? 1 : 0;
        }
    }
    EXPECT_GT(compared, 15000);
    EXPECT_EQ(differing, 0);
}

TEST_F(MainWindowHiDpi, EveryCommandButtonShowsItsDoubleSizeStrip)
{
    const wxImage screen = WaitForScreen(*m_pWindow, [&](const wxImage& image) {
        return image.GetSize() == wxSize(594, 397) * kScale;
    });
    for (const CommandButtonPlace& place : kCommandButtonPlaces) {
        SCOPED_TRACE(place.m_nId);
        const wxRect points(place.m_nLeft, place.m_nTop, place.m_nWidth, place.m_nHeight);
        EXPECT_EQ(m_pWindow->FindWindow(place.m_nId)->GetRect(), points);
        const wxImage expected = NormalFrame(DoubleSizePicture(place.m_nStripId), place.m_nWidth);
        EXPECT_EQ(PixelsDiffering(screen.GetSubImage(InPixels(points)), expected), 0);
    }
}

TEST_F(MainWindowHiDpi, TheDoubleSizePicturesAreDrawnFinerThanTheirTwinsEnlarged)
{
    // Enlarged pixel for pixel, the natural-size background's captions would
    // show stair-stepped edges; the double-size picture has its own.
    const wxImage doubled = LoadBitmapResource(IDB_BACKGROUND).ConvertToImage().Scale(594 * kScale, 410 * kScale,
                                                                                      wxIMAGE_QUALITY_NEAREST);
    const wxImage picture = DoubleSizePicture(IDB_BACKGROUND);
    const wxRect captions = InPixels(wxRect(38, 46, 60, 11));  // "Input file"
    const int differing = PixelsDiffering(picture.GetSubImage(captions), doubled.GetSubImage(captions));
    EXPECT_GT(differing, captions.width * captions.height / 10);
}
