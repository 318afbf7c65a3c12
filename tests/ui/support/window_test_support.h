// Helpers for the tests of whole windows: running a modal window with a
// script, waiting for the screen, and replacements for the message box
// routine and modal dialogs that record and answer.
#pragma once

#include "tests/ui/support/gui_test_support.h"
#include "ui/message_box/message_box_routine.h"

#include <wx/dialog.h>
#include <wx/eventfilter.h>
#include <wx/image.h>
#include <wx/modalhook.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Shows dialog modally and runs script inside its modal loop; returns
// ShowModal's result. The script must end the dialog (or leave that to it).
int RunModalWithScript(wxDialog& dialog, std::function<void()> script);

// Captures the client area until ready accepts it (a busy machine can be slow
// to repaint) or timeoutMs has passed; returns the last capture.
wxImage WaitForScreen(wxWindow& window, const std::function<bool(const wxImage&)>& ready, int timeoutMs = 5000);
// Moves the real pointer onto a client point of window.
void MovePointerTo(wxWindow& window, wxPoint clientPoint);

// Records the keys that reach the key hooks of windows (the first stop of a
// key press in a top-level window).
class KeyHookWatcher : public wxEventFilter {
public:
    KeyHookWatcher() { wxEvtHandler::AddFilter(this); }
    ~KeyHookWatcher() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override
    {
        if (event.GetEventType() == wxEVT_CHAR_HOOK)
            m_keys.push_back(static_cast<wxKeyEvent&>(event).GetKeyCode());
        return Event_Skip;
    }
    bool Saw(int keyCode) const { return std::find(m_keys.begin(), m_keys.end(), keyCode) != m_keys.end(); }

private:
    std::vector<int> m_keys;
};

// Replaces the message box routine for its lifetime: every box is recorded
// and answered by answer (IDOK by default).
class MessageBoxRecorder {
public:
    using Answer = std::function<int(const MessageBoxRequest& request)>;
    explicit MessageBoxRecorder(Answer answer = nullptr);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<MessageBoxRequest>& Requests() const { return m_requests; }
    int CountOf(const std::string& text) const
    {
        return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(),
                                              [&](const MessageBoxRequest& r) { return r.m_strText == text; }));
    }

private:
    std::vector<MessageBoxRequest> m_requests;
    Answer m_answer;
    MessageBoxRoutine m_previous;
};

// Answers every modal dialog without showing it, after counting it.
class ModalDialogAnswerer : public wxModalDialogHook {
public:
    using Answer = std::function<int(wxDialog* dialog)>;
    explicit ModalDialogAnswerer(Answer answer) : m_answer(std::move(answer)) { Register(); }
    ~ModalDialogAnswerer() override { Unregister(); }
    int Count() const { return m_nCount; }

protected:
    int Enter(wxDialog* dialog) override { return ++m_nCount, m_answer(dialog); }
    void Exit(wxDialog*) override {}

private:
    Answer m_answer;
    int m_nCount = 0;
};
