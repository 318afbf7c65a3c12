#include "tests/ui/support/gui_test_support.h"

#include "ui/controls/draw_bitmap_at.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/stopwatch.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

const wxImage& PatternImage()
{
    static const wxImage pattern = [] {  // made once: it takes a while
        wxImage image(800, 600);
        for (int y = 0; y < image.GetHeight(); ++y) {
            for (int x = 0; x < image.GetWidth(); ++x)
                image.SetRGB(x, y, x * 7 % 256, y * 11 % 256, 90 + (x + y) % 64);
        }
        return image;
    }();
    return pattern;
}

PatternPanel::PatternPanel(wxWindow* parent, const wxBitmap& picture)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY);
    m_pattern = picture.IsOk() ? picture : wxBitmap(PatternImage());
    Bind(wxEVT_PAINT, &PatternPanel::OnPaint, this);
}

void PatternPanel::PaintBackground(wxDC& dc)
{
    DrawBitmapAt(dc, wxPoint(0, 0), m_pattern);
}

void PatternPanel::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    PaintBackground(dc);
    ++m_nPaints;
}

TestHost::TestHost(wxSize clientSize, wxPoint screenPlace, const wxBitmap& background)
    : m_pFrame(new wxFrame(nullptr, wxID_ANY, "Sonnelith test host", screenPlace, wxDefaultSize,
                           wxDEFAULT_FRAME_STYLE & ~wxRESIZE_BORDER))
    , m_pPanel(new PatternPanel(m_pFrame, background))
{
    m_pFrame->SetClientSize(clientSize);
    m_pFrame->SetMinClientSize(clientSize);
    m_pFrame->SetMaxClientSize(clientSize);
}

TestHost::~TestHost()
{
    // Hidden at once: Destroy() leaves the last shown top-level window on the
    // screen until the event loop is idle, which is after the last test.
    m_pFrame->Hide();
    m_pFrame->Destroy();
    PumpEvents();
}

void TestHost::ShowAndWait()
{
    m_pFrame->Show();
    m_pFrame->Raise();
    // GTK paints a window only once the X server has mapped it, so the first
    // paint says the window can take real input and be read back.
    EXPECT_TRUE(WaitUntil([this] { return m_pPanel->PaintCount() > 0; })) << "the test window never painted";
}

namespace {

// A connection of our own to the X server, for reading the screen back.
// wxScreenDC is no use for that on GTK 3: the root window's cairo surface
// keeps handing out the first image it read, so later paints never show.
Display* ScreenReader()
{
    static Display* const display = XOpenDisplay(nullptr);
    return display;
}

wxImage FromXImage(XImage& shot, wxSize size)
{
    // A TrueColor visual: the masks say where each channel's 8 bits lie.
    const auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        const unsigned long value = (pixel >> shift) & mask;
        return static_cast<unsigned char>(mask >= 255 ? value : value * 255 / std::max(1UL, mask));
    };
    wxImage image(size);
    for (int y = 0; y < size.y; ++y) {
        for (int x = 0; x < size.x; ++x) {
            const unsigned long pixel = XGetPixel(&shot, x, y);
            image.SetRGB(x, y, channel(pixel, shot.red_mask), channel(pixel, shot.green_mask),
                         channel(pixel, shot.blue_mask));
        }
    }
    return image;
}

}  // namespace

wxImage CaptureClient(wxWindow& window)
{
    // The toolkit counts in points; the screen has scale x scale pixels to
    // the point (GDK_SCALE).
    const int scale = static_cast<int>(window.GetContentScaleFactor());
    const wxSize size = window.GetClientSize() * scale;
    const wxPoint origin = window.ClientToScreen(wxPoint(0, 0)) * scale;
    PumpEvents();  // drawing waiting in the toolkit goes out first
    Display* display = ScreenReader();
    if (!display || size.x <= 0 || size.y <= 0)
        return wxImage();
    XImage* shot = XGetImage(display, DefaultRootWindow(display), origin.x, origin.y,
                             static_cast<unsigned>(size.x), static_cast<unsigned>(size.y), AllPlanes, ZPixmap);
    if (!shot)
        return wxImage();  // the window lies partly off the screen
    wxImage image = FromXImage(*shot, size);
    XDestroyImage(shot);
    return image;
}

std::vector<wxRect> ShownTopLevelWindows()
{
    std::vector<wxRect> shown;
    Display* display = ScreenReader();
    if (!display)
        return shown;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return shown;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
            shown.emplace_back(attributes.x, attributes.y, attributes.width, attributes.height);
    }
    XFree(children);
    return shown;
}

wxColour PixelOf(const wxImage& image, wxPoint point)
{
    if (!image.IsOk() || !wxRect(image.GetSize()).Contains(point))
        return wxColour();
    return wxColour(image.GetRed(point.x, point.y), image.GetGreen(point.x, point.y), image.GetBlue(point.x, point.y));
}

wxColour WaitForPixel(wxWindow& window, wxPoint point, const wxColour& colour, int timeoutMs)
{
    wxColour seen;
    window.Update();
    WaitUntil(
        [&] {
            seen = PixelOf(CaptureClient(window), point);
            return seen == colour;
        },
        timeoutMs);
    return seen;
}

namespace {

// Pixels where a and b differ outside ignore; -1 when their sizes differ.
int PixelsDiffering(const wxImage& a, const wxImage& b, const wxRect& ignore)
{
    if (!a.IsOk() || a.GetSize() != b.GetSize())
        return -1;
    int differing = 0;
    for (int y = 0; y < a.GetHeight(); ++y) {
        for (int x = 0; x < a.GetWidth(); ++x)
            differing += !ignore.Contains(x, y) && PixelOf(a, {x, y}) != PixelOf(b, {x, y});
    }
    return differing;
}

}  // namespace

int WaitForImage(wxWindow& window, const wxImage& expected, const wxRect& ignore)
{
    int differing = -1;
    window.Update();
    WaitUntil([&] { return (differing = PixelsDiffering(CaptureClient(window), expected, ignore)) == 0; });
    return differing;
}

void SaveScreenshot(wxWindow& window, const std::string& name)
{
    const wxString folder = SONNELITH_TEST_ARTIFACT_DIR;
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    const wxString path = folder + "/" + wxString::FromUTF8(name) + ".png";
    EXPECT_TRUE(CaptureClient(window).SaveFile(path, wxBITMAP_TYPE_PNG)) << path.utf8_string();
}

wxBitmap SolidBitmap(wxSize size, const wxColour& colour)
{
    wxImage image(size);
    image.SetRGB(wxRect(size), colour.Red(), colour.Green(), colour.Blue());
    return wxBitmap(image);
}

wxBitmap ColourStrip(int frameWidth, int height, const wxColour& normal, const wxColour& pressed,
                     const wxColour& hover, int extraColumns, const wxColour& extra)
{
    wxImage image(3 * frameWidth + extraColumns, height);
    const wxColour colours[] = {normal, pressed, hover};
    for (int frame = 0; frame < 3; ++frame) {
        const wxColour& colour = colours[frame];
        image.SetRGB(wxRect(frame * frameWidth, 0, frameWidth, height), colour.Red(), colour.Green(), colour.Blue());
    }
    if (extraColumns > 0)
        image.SetRGB(wxRect(3 * frameWidth, 0, extraColumns, height), extra.Red(), extra.Green(), extra.Blue());
    return wxBitmap(image);
}

void ParkPointer()
{
    // Near the screen's bottom-right corner, in points; the X server counts
    // in pixels, scale to the point.
    const wxDisplay screen;
    const wxPoint park = screen.GetGeometry().GetBottomRight() - wxPoint(9, 13);
    if (wxGetMousePosition() == park)
        return;
    const int scale = static_cast<int>(screen.GetScaleFactor());
    if (Display* display = ScreenReader()) {
        XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, park.x * scale, park.y * scale);
        XSync(display, False);
    }
    WaitUntil([&] { return wxGetMousePosition() == park; });
    PumpEvents();  // the leave notices of the windows it left
}

void MoveRealPointer(wxUIActionSimulator& simulator, wxPoint screenPoint)
{
    simulator.MouseMove(screenPoint);
    EXPECT_TRUE(WaitUntil([&] { return wxGetMousePosition() == screenPoint; }))
        << "the pointer did not arrive at (" << screenPoint.x << ", " << screenPoint.y << ")";
    PumpEvents();
}

void PrintTo(const wxColour& c, std::ostream* os)
{
    *os << "RGB(" << int(c.Red()) << ", " << int(c.Green()) << ", " << int(c.Blue()) << ")";
}
void PrintTo(const wxPoint& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
void PrintTo(const wxSize& s, std::ostream* os) { *os << s.x << " x " << s.y; }
void PrintTo(const wxRect& r, std::ostream* os) { *os << "(" << r.x << ", " << r.y << ") " << r.width << " x " << r.height; }

void SendMouse(wxWindow& window, wxEventType type, wxPoint clientPoint)
{
    wxMouseEvent event(type);
    event.SetPosition(clientPoint);
    event.SetEventObject(&window);
    event.SetId(window.GetId());
    event.SetLeftDown(type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK);
    window.ProcessWindowEvent(event);
}

void SendKey(wxWindow& window, wxEventType type, int keyCode)
{
    wxKeyEvent event(type);
    event.m_keyCode = keyCode;
    event.SetEventObject(&window);
    event.SetId(window.GetId());
    window.ProcessWindowEvent(event);
}

void SendWheel(wxWindow& window, int rotation, wxPoint clientPoint)
{
    wxMouseEvent event(wxEVT_MOUSEWHEEL);
    event.SetPosition(clientPoint);
    event.m_wheelRotation = rotation;
    event.m_wheelDelta = 120;
    event.m_linesPerAction = 3;
    event.m_wheelAxis = wxMOUSE_WHEEL_VERTICAL;
    event.SetEventObject(&window);
    event.SetId(window.GetId());
    window.ProcessWindowEvent(event);
}
