// Helpers for the main window parts' GUI tests: event pumping, a host window
// with the window's background picture, and stand-ins for the services the
// parts reach outside the window through.
#pragma once

#include <wx/frame.h>
#include <wx/panel.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "background_painter.h"
#include "desktop_opener.h"
#include "dialog_rect.h"
#include "file_chooser.h"
#include "generation_settings.h"
#include "main_window_parts.h"

class wxWindow;

// Dispatches everything waiting without waiting.
void PumpEvents();
// Pumps until condition holds or timeoutMs has passed; the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// The main window's conversion: 1.5 pixels per horizontal unit, 13/8 per
// vertical one, rounded to the nearest pixel.
wxRect TestDialogRectToPixels(const DialogRect& rect);

// Answers the file dialogs from a list given by the test.
class FakeFileChooser : public FileChooser {
public:
    std::optional<std::string> Choose(FileRole role) override;
    // The next answer for role; nothing (std::nullopt) stands for Cancel.
    void Answer(FileRole role, std::optional<std::string> path);
    int Asked(FileRole role) const { return role == FileRole::Input ? m_nInputAsked : m_nOutputAsked; }

private:
    std::deque<std::optional<std::string>> m_inputAnswers;
    std::deque<std::optional<std::string>> m_outputAnswers;
    int m_nInputAsked = 0;
    int m_nOutputAsked = 0;
};

// Records what would be opened and answers with a given outcome, at once.
class FakeOpener : public DesktopOpener {
public:
    void Open(const std::string& target, Finished finished) override;
    bool m_bSucceed = true;
    std::vector<std::string> m_targets;
};

// A panel that paints the main window's background picture and lends it to
// the skinned children.
class BackgroundPanel : public wxPanel, public BackgroundPainter {
public:
    explicit BackgroundPanel(wxWindow* parent);
    void PaintBackground(wxDC& dc) override;

private:
    void OnPaint(wxPaintEvent& event);
};

// A window of the main window's client size holding the working parts, with
// every outside service replaced: messages are recorded, files come from
// FakeFileChooser, the desktop is FakeOpener, runs and the about window are
// recorded. It is set up as the window opens: files cleared, defaults restored.
class PartsHost {
public:
    PartsHost();
    ~PartsHost();
    PartsHost(const PartsHost&) = delete;
    PartsHost& operator=(const PartsHost&) = delete;

    MainWindowParts& Parts() { return *m_pParts; }
    wxWindow& Window() { return *m_pPanel; }
    wxFrame& Frame() { return *m_pFrame; }
    FakeFileChooser& Chooser() { return *m_pChooser; }
    FakeOpener& Opener() { return *m_pOpener; }

    // Message ids shown so far, emptied.
    std::vector<int> TakeMessages();
    const std::vector<GenerationSettings>& Runs() const { return m_runs; }
    int AboutShown() const { return m_nAboutShown; }

    // Clicks a command button as the user would, through its wxEVT_BUTTON.
    void Click(int buttonId);
    // Chooses a file through the button, answering the dialog with path.
    void ChooseInput(const std::optional<std::string>& path);
    void ChooseOutput(const std::optional<std::string>& path);

    // The texts of the controls, by id.
    std::string TextOf(int id);

    void ShowAndWait();

private:
    wxFrame* m_pFrame;
    BackgroundPanel* m_pPanel;
    std::unique_ptr<MainWindowParts> m_pParts;
    FakeFileChooser* m_pChooser;
    FakeOpener* m_pOpener;
    std::vector<int> m_messages;
    std::vector<GenerationSettings> m_runs;
    int m_nAboutShown = 0;
};

// Saves the window's client area as test-artifacts/<name>.png in the build tree.
void SaveScreenshot(wxWindow& window, const std::string& name);

// Synthetic key presses, delivered straight to the window's handlers.
void SendKey(wxWindow& window, int keyCode);
