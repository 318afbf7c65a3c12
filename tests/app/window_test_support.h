// Helpers for the window tests: pumping events, running a modal window with
// a script, reading pixels back from the X server, screenshots, and a
// replacement for the message box routine that records and answers.
#pragma once

#include "message_box_routine.h"

#include <wx/colour.h>
#include <wx/dialog.h>
#include <wx/eventfilter.h>
#include <wx/image.h>
#include <wx/modalhook.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Dispatches everything waiting, without waiting.
void PumpEvents();
// Pumps until condition holds or timeoutMs has passed; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
void PumpFor(int milliseconds);

// Shows dialog modally and runs script inside its modal loop as soon as the
// loop runs; returns ShowModal's result. The script must end the dialog (or
// leave that to the dialog itself).
int RunModalWithScript(wxDialog& dialog, std::function<void()> script);

// The window's client area as the X server shows it now.
wxImage CaptureClient(wxWindow& window);
wxColour PixelOf(const wxImage& image, wxPoint point);
// Captures the client area until ready says the screen shows what the test
// waits for (a busy machine can be slow to repaint) or timeoutMs has passed;
// returns the last capture.
wxImage WaitForScreen(wxWindow& window, const std::function<bool(const wxImage&)>& ready, int timeoutMs = 5000);
// Saves the client area as test-artifacts/<name>.png in the build tree.
void SaveScreenshot(wxWindow& window, const std::string& name);
// Moves the real pointer onto a client point of window.
void MovePointerTo(wxWindow& window, wxPoint clientPoint);

void PrintTo(const wxColour& colour, std::ostream* os);
void PrintTo(const wxRect& rect, std::ostream* os);
void PrintTo(const wxSize& size, std::ostream* os);

// Watches the keys that reach the key hooks of windows (the first stop of a
// key press in a top-level window).
class KeyHookWatcher : public wxEventFilter {
public:
    KeyHookWatcher();
    ~KeyHookWatcher() override;
    int FilterEvent(wxEvent& event) override;
    bool Saw(int keyCode) const;

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
    // How many boxes showed exactly text.
    int CountOf(const std::string& text) const;

private:
    std::vector<MessageBoxRequest> m_requests;
    Answer m_answer;
    MessageBoxRoutine m_previous;
};

// Answers every modal dialog without showing it, after recording it.
class ModalDialogAnswerer : public wxModalDialogHook {
public:
    using Answer = std::function<int(wxDialog* dialog)>;
    explicit ModalDialogAnswerer(Answer answer);
    ~ModalDialogAnswerer() override;

    int Count() const { return m_nCount; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    Answer m_answer;
    int m_nCount = 0;
};
