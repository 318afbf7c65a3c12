#include "window_test_support.h"

#include "message_box.h"
#include "x_screen_capture.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

void PumpEvents()
{
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
        loop->YieldFor(wxEVT_CATEGORY_ALL);
    else
        wxTheApp->Yield(true);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void PumpFor(int milliseconds)
{
    WaitUntil([] { return false; }, milliseconds);
}

int RunModalWithScript(wxDialog& dialog, std::function<void()> script)
{
    dialog.CallAfter([script = std::move(script)] { script(); });
    return dialog.ShowModal();
}

wxImage CaptureClient(wxWindow& window)
{
    const wxSize size = window.GetClientSize();
    const wxPoint origin = window.ClientToScreen(wxPoint(0, 0));
    // Drawing waiting in the toolkit goes out first.
    PumpEvents();
    std::vector<std::uint8_t> rgb = CaptureScreenRgb(origin.x, origin.y, size.x, size.y);
    wxImage image(size);
    if (rgb.size() == static_cast<std::size_t>(size.x) * static_cast<std::size_t>(size.y) * 3)
        std::copy(rgb.begin(), rgb.end(), image.GetData());
    return image;
}

wxColour PixelOf(const wxImage& image, wxPoint point)
{
    return wxColour(image.GetRed(point.x, point.y), image.GetGreen(point.x, point.y),
                    image.GetBlue(point.x, point.y));
}

wxImage WaitForScreen(wxWindow& window, const std::function<bool(const wxImage&)>& ready, int timeoutMs)
{
    wxImage image;
    WaitUntil(
        [&] {
            image = CaptureClient(window);
            return ready(image);
        },
        timeoutMs);
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
    wxUIActionSimulator simulator;
    simulator.MouseMove(window.ClientToScreen(clientPoint));
    PumpFor(50);
}

void PrintTo(const wxColour& colour, std::ostream* os)
{
    *os << "RGB(" << int(colour.Red()) << ", " << int(colour.Green()) << ", " << int(colour.Blue()) << ")";
}

void PrintTo(const wxRect& rect, std::ostream* os)
{
    *os << "(" << rect.x << ", " << rect.y << ", " << rect.width << " x " << rect.height << ")";
}

void PrintTo(const wxSize& size, std::ostream* os)
{
    *os << size.x << " x " << size.y;
}

KeyHookWatcher::KeyHookWatcher()
{
    wxEvtHandler::AddFilter(this);
}

KeyHookWatcher::~KeyHookWatcher()
{
    wxEvtHandler::RemoveFilter(this);
}

int KeyHookWatcher::FilterEvent(wxEvent& event)
{
    if (event.GetEventType() == wxEVT_CHAR_HOOK)
        m_keys.push_back(static_cast<wxKeyEvent&>(event).GetKeyCode());
    return Event_Skip;
}

bool KeyHookWatcher::Saw(int keyCode) const
{
    return std::find(m_keys.begin(), m_keys.end(), keyCode) != m_keys.end();
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

int MessageBoxRecorder::CountOf(const std::string& text) const
{
    int count = 0;
    for (const MessageBoxRequest& request : m_requests)
        count += request.m_strText == text ? 1 : 0;
    return count;
}

ModalDialogAnswerer::ModalDialogAnswerer(Answer answer)
    : m_answer(std::move(answer))
{
    Register();
}

ModalDialogAnswerer::~ModalDialogAnswerer()
{
    Unregister();
}

int ModalDialogAnswerer::Enter(wxDialog* dialog)
{
    ++m_nCount;
    return m_answer(dialog);
}

void ModalDialogAnswerer::Exit(wxDialog*) {}
