#include "tests/app/window_test_support.h"

#include "engine/message_box.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/uiaction.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <utility>

// x_screen_capture.cpp (kept apart: Xlib's macros clash with the toolkit's
// headers): the screen's pixels in the rectangle, row by row, three bytes
// (red, green, blue) each; empty when the display can't be read.
std::vector<std::uint8_t> CaptureScreenRgb(int left, int top, int width, int height);

int RunModalWithScript(wxDialog& dialog, std::function<void()> script)
{
    dialog.CallAfter([script = std::move(script)] { script(); });
    return dialog.ShowModal();
}

wxImage CaptureClient(wxWindow& window)
{
    const wxSize size = window.GetClientSize();
    const wxPoint origin = window.ClientToScreen(wxPoint(0, 0));
    PumpEvents();  // drawing waiting in the toolkit goes out first
    const std::vector<std::uint8_t> rgb = CaptureScreenRgb(origin.x, origin.y, size.x, size.y);
    wxImage image(size);
    if (rgb.size() == static_cast<std::size_t>(size.x) * static_cast<std::size_t>(size.y) * 3)
        std::copy(rgb.begin(), rgb.end(), image.GetData());
    return image;
}

wxImage WaitForScreen(wxWindow& window, const std::function<bool(const wxImage&)>& ready, int timeoutMs)
{
    wxImage image;
    WaitUntil([&] { return ready(image = CaptureClient(window)); }, timeoutMs);
    return image;
}

void SaveScreenshot(wxWindow& window, const std::string& name)
{
    const wxString folder = wxString::FromUTF8(SONNELITH_TEST_ARTIFACT_DIR);
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    CaptureClient(window).SaveFile(folder + "/" + wxString::FromUTF8(name) + ".png", wxBITMAP_TYPE_PNG);
}

void MovePointerTo(wxWindow& window, wxPoint clientPoint)
{
    wxUIActionSimulator().MouseMove(window.ClientToScreen(clientPoint));
    PumpFor(50);
}

MessageBoxRecorder::MessageBoxRecorder(Answer answer)
    : m_answer(std::move(answer))
{
    m_previous = SetMessageBoxRoutine([this](const MessageBoxRequest& request) {
        m_requests.push_back(request);
        return m_answer ? m_answer(request) : IDOK;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    SetMessageBoxRoutine(std::move(m_previous));
}
