// Helpers for the main window parts' GUI tests: event pumping, the main window
// with stand-ins for the services its parts reach outside the window through.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop_opener.h"
#include "file_chooser.h"
#include "generation_settings.h"
#include "generator_dialog.h"
#include "main_window_parts.h"

class wxWindow;

// Dispatches everything waiting without waiting.
void PumpEvents();
// Pumps until condition holds or timeoutMs has passed; the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

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

// The real main window, opened (not modally), with the outside services of
// its parts replaced: files come from FakeFileChooser, the desktop is
// FakeOpener; unless realRuns is set, messages are recorded here and runs are
// recorded instead of started.
class PartsHost {
public:
    explicit PartsHost(bool realRuns = false);
    ~PartsHost();
    PartsHost(const PartsHost&) = delete;
    PartsHost& operator=(const PartsHost&) = delete;

    MainWindowParts& Parts();
    GeneratorDialog& Window() { return *m_pDialog; }
    FakeFileChooser& Chooser() { return *m_pChooser; }
    FakeOpener& Opener() { return *m_pOpener; }

    // Message ids shown so far, emptied.
    std::vector<int> TakeMessages();
    const std::vector<GenerationSettings>& Runs() const { return m_runs; }

    // Clicks a command button as the user would, through its wxEVT_BUTTON.
    void Click(int buttonId);
    // Chooses a file through the button, answering the dialog with path.
    void ChooseInput(const std::optional<std::string>& path);
    void ChooseOutput(const std::optional<std::string>& path);

    // The text a static control shows, by id.
    std::string TextOf(int id);

private:
    GeneratorDialog* m_pDialog;
    FakeFileChooser* m_pChooser;
    FakeOpener* m_pOpener;
    std::vector<int> m_messages;
    std::vector<GenerationSettings> m_runs;
};

// Saves the window's client area as test-artifacts/<name>.png in the build tree.
void SaveScreenshot(wxWindow& window, const std::string& name);

// Synthetic key presses, delivered straight to the window's handlers.
void SendKey(wxWindow& window, int keyCode);
