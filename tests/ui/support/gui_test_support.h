// Helpers for the GUI tests: event pumping, a host window with a known
// background, pixels read back from the screen, screenshots, test pictures.
#pragma once

#include "ui/controls/background_painter.h"

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/uiaction.h>

#include <functional>

#include "tests/support/wx_event_wait.h"
#include <ostream>
#include <string>
#include <vector>


// The host's background pattern, 800 x 600: every pixel differs from its
// neighbours, so a misplaced copy shows.
const wxImage& PatternImage();

// A panel that paints picture (by default the pattern) and offers the same
// painting to its children.
class PatternPanel : public wxPanel, public BackgroundPainter {
public:
    explicit PatternPanel(wxWindow* parent, const wxBitmap& picture = wxBitmap());
    void PaintBackground(wxDC& dc) override;
    int PaintCount() const { return m_nPaints; }

private:
    void OnPaint(wxPaintEvent& event);
    wxBitmap m_pattern;
    int m_nPaints = 0;
};

// A top-level window at a fixed screen place whose client area is a
// PatternPanel; it destroys itself when the test's object goes.
class TestHost {
public:
    explicit TestHost(wxSize clientSize = wxSize(320, 200), wxPoint screenPlace = wxPoint(100, 100),
                      const wxBitmap& background = wxBitmap());
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    wxFrame& Frame() { return *m_pFrame; }
    PatternPanel& Panel() { return *m_pPanel; }
    // Shows the window and waits until it has painted on the screen.
    void ShowAndWait();

private:
    wxFrame* m_pFrame;
    PatternPanel* m_pPanel;
};

// The window's client area as it is on the screen now, in screen pixels
// (twice its size in points on a screen with two pixels to the point).
wxImage CaptureClient(wxWindow& window);
wxColour PixelOf(const wxImage& image, wxPoint point);
// Waits until the screen shows colour at the window's client point; the
// result is the colour seen last.
wxColour WaitForPixel(wxWindow& window, wxPoint point, const wxColour& colour, int timeoutMs = kPatienceMs);
// Waits until the window's client area shows expected outside ignore; the
// result is the count of differing pixels seen last.
int WaitForImage(wxWindow& window, const wxImage& expected, const wxRect& ignore = wxRect());

// Screen rectangles of the top-level windows the X server shows now, tooltips
// and other popups included.
std::vector<wxRect> ShownTopLevelWindows();

// Saves the window's client area as test-artifacts/<name>.png in the build tree.
void SaveScreenshot(wxWindow& window, const std::string& name);

// A picture of one colour.
wxBitmap SolidBitmap(wxSize size, const wxColour& colour);
// A strip of three frames of frameWidth x height in the given colours, plus
// extraColumns columns of a fourth colour after them.
wxBitmap ColourStrip(int frameWidth, int height, const wxColour& normal, const wxColour& pressed,
                     const wxColour& hover, int extraColumns = 0, const wxColour& extra = *wxBLACK);

// Moves the real pointer far away from every test window.
void ParkPointer();
// Moves the real pointer with simulator and waits until it is there.
void MoveRealPointer(wxUIActionSimulator& simulator, wxPoint screenPoint);

// Readable values in test failure messages.
void PrintTo(const wxColour& colour, std::ostream* os);
void PrintTo(const wxPoint& point, std::ostream* os);
void PrintTo(const wxSize& size, std::ostream* os);
void PrintTo(const wxRect& rect, std::ostream* os);

// Synthetic input, delivered straight to the window's handlers.
void SendMouse(wxWindow& window, wxEventType type, wxPoint clientPoint);
void SendKey(wxWindow& window, wxEventType type, int keyCode);
void SendWheel(wxWindow& window, int rotation, wxPoint clientPoint = wxPoint(0, 0));
