// The real main window with stand-ins for the services its parts reach
// outside the window through, and event pumping for the GUI tests.
#pragma once

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/panel/desktop_opener.h"
#include "ui/panel/file_chooser.h"
#include "engine/run/generation_settings.h"
#include "ui/main_window/generator_dialog.h"
#include "ui/panel/main_window_parts.h"
#include "tests/support/wx_event_wait.h"

#include <wx/defs.h>

class wxWindow;

// Synthetic key down and up, delivered straight to the window's handlers.
void SendKey(wxWindow& window, int keyCode);
// A key pressed as wxGTK delivers it: key down with the key's own code, then,
// unless a handler took that, the character it types; then key up.
void PressKey(wxWindow& window, int keyCode, wxChar character, int modifiers = wxMOD_NONE);
// Text typed on a US keyboard, a key at a time (':' is Shift with ';').
void TypeText(wxWindow& window, const std::string& text);

// Answers the file dialogs from queued answers; nothing (std::nullopt) stands for Cancel.
class FakeFileChooser : public FileChooser {
public:
    std::optional<std::string> Choose(FileRole role, const std::string& startFolder) override;
    void Answer(FileRole role, std::optional<std::string> path) { m_answers[Index(role)].push_back(std::move(path)); }
    int Asked(FileRole role) const { return static_cast<int>(m_startFolders[Index(role)].size()); }
    // The folder each dialog of that role was to open in, in order.
    const std::vector<std::string>& StartFolders(FileRole role) const { return m_startFolders[Index(role)]; }

private:
    static int Index(FileRole role) { return role == FileRole::Input ? 0 : 1; }
    std::array<std::deque<std::optional<std::string>>, 2> m_answers;
    std::array<std::vector<std::string>, 2> m_startFolders;
};

// Records what would be opened and answers with m_bSucceed at once.
struct FakeOpener : DesktopOpener {
    void Open(const std::string& target, Finished finished) override
    {
        m_targets.push_back(target);
        finished(m_bSucceed);
    }
    bool m_bSucceed = true;
    std::vector<std::string> m_targets;
};

// The main window, shown (not modally), with files from FakeFileChooser and
// the desktop FakeOpener; unless realRuns is set, messages and runs are
// recorded here instead of shown and started.
class PartsHost {
public:
    explicit PartsHost(bool realRuns = false);
    ~PartsHost();
    PartsHost(const PartsHost&) = delete;
    PartsHost& operator=(const PartsHost&) = delete;

    MainWindowParts& Parts() { return m_pDialog->GetParts(); }
    GeneratorDialog& Window() { return *m_pDialog; }
    FakeFileChooser& Chooser() { return *m_pChooser; }
    FakeOpener& Opener() { return *m_pOpener; }

    // Message ids shown so far, emptied.
    std::vector<int> TakeMessages() { return std::exchange(m_messages, {}); }
    const std::vector<GenerationSettings>& Runs() const { return m_runs; }

    // Clicks a button through its wxEVT_BUTTON, as the user would; the file
    // buttons with their dialog's answer queued first.
    void Click(int buttonId);
    void ChooseInput(const std::optional<std::string>& path);
    void ChooseOutput(const std::optional<std::string>& path);
    // The text a static control shows by id; the six value labels in the slider table's order.
    std::string TextOf(int id);
    std::vector<std::string> ValueLabels();

private:
    GeneratorDialog* m_pDialog;
    FakeFileChooser* m_pChooser;
    FakeOpener* m_pOpener;
    std::vector<int> m_messages;
    std::vector<GenerationSettings> m_runs;
};

// The value labels as the window opens and after Restore.
inline const std::vector<std::string> kStartLabels{"50", "6", "4000", "800", "50", "3"};
