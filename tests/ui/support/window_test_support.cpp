#include "tests/ui/support/window_test_support.h"

#include "ui/message_box/message_box_codes.h"

#include <wx/uiaction.h>

#include <utility>

int RunModalWithScript(wxDialog& dialog, std::function<void()> script)
{
    dialog.CallAfter([script = std::move(script)] { script(); });
    return dialog.ShowModal();
}

wxImage WaitForScreen(wxWindow& window, const std::function<bool(const wxImage&)>& ready, int timeoutMs)
{
    wxImage image;
    WaitUntil([&] { return ready(image = CaptureClient(window)); }, timeoutMs);
    return image;
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
