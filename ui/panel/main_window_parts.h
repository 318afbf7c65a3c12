// The working parts of the main window: parameter panel, output length,
// resource figures, file fields and the eight commands, with the state the
// commands keep (chosen files, facts about the input).
#pragma once

#include <wx/window.h>
#include <wx/weakref.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "desktop_opener.h"
#include "dialog_rect.h"
#include "file_chooser.h"
#include "file_fields.h"
#include "generation_settings.h"
#include "input_facts.h"
#include "output_length.h"
#include "parameter_panel.h"
#include "resource_figures.h"

class CHoverButton;
class wxCommandEvent;

// Lives as long as the window it was given; every control it creates is a
// child of that window. What reaches outside the window goes through
// replaceable services: the message box, the file chooser, the desktop's
// opener, the about window and the start of a run.
class MainWindowParts {
public:
    // Shows the text of string stringId in a modal message box of style (MB_*); returns the answer.
    using MessageRoutine = std::function<int(int stringId, const std::string& text, unsigned style)>;
    // Runs a generation with these settings (modally, in the progress window).
    using RunStarter = std::function<void(const GenerationSettings& settings)>;
    using AboutShower = std::function<void()>;

    explicit MainWindowParts(wxWindow* window);
    ~MainWindowParts();
    MainWindowParts(const MainWindowParts&) = delete;
    MainWindowParts& operator=(const MainWindowParts&) = delete;

    // Creates the sliders and labels, the length controls, the figures and
    // the file fields at their places; the command buttons only when asked.
    void Create(const DialogRectToPixels& toPixels, bool createButtons);
    // Sends the eight buttons' clicks (wxEVT_BUTTON by id) to the command handlers.
    void BindCommands();

    void SetMessageRoutine(MessageRoutine routine) { m_showMessage = std::move(routine); }
    void SetFileChooser(std::unique_ptr<FileChooser> chooser) { m_pChooser = std::move(chooser); }
    void SetDesktopOpener(std::unique_ptr<DesktopOpener> opener) { m_pOpener = std::move(opener); }
    void SetRunStarter(RunStarter starter) { m_startRun = std::move(starter); }
    void SetAboutShower(AboutShower shower) { m_showAbout = std::move(shower); }
    // Where the user's-guide command looks for the install folder, and where it
    // looks when none is recorded (defaults: those of the running program).
    void SetInstallConfigFile(std::string path) { m_strInstallConfig = std::move(path); }
    void SetDataFolder(std::string folder) { m_strDataFolder = std::move(folder); }

    // No files chosen: empty names and paths, no input facts, empty lines.
    void ClearFiles();
    // Sliders, output length and presets back to their start values, labels
    // shown, the three figures recomputed. The chosen files stay.
    void RestoreDefaults();

    int GetDurationSeconds() const { return m_length.GetDurationSeconds(); }
    void FillSettings(GenerationSettings& settings) const { m_panel.FillSettings(settings); }

    void ChooseInputFile();
    void ChooseOutputFile();
    void ShowInputInfo();
    void UpdateRequiredDisk();
    void UpdateAvailableDisk();
    void UpdateRequiredMemory();
    // Nonzero (after showing why) when a run must not start.
    int CheckBeforeGenerate();

    // The eight commands.
    void OnGenerate();
    void OnPlay();
    void OnRestore();
    void OnUserGuide();
    void OnAbout();
    void OnWebSite();
    void OnInputFile();
    void OnOutputFile();

    // State, for the window and for tests.
    const std::string& GetInputPath() const { return m_strInPath; }
    const std::string& GetInputName() const { return m_strInName; }
    const std::string& GetOutputPath() const { return m_strOutPath; }
    const std::string& GetOutputName() const { return m_strOutName; }
    const InputFacts& GetInputFacts() const { return m_input; }
    const ParameterPanel& GetPanel() const { return m_panel; }
    const OutputLength& GetLength() const { return m_length; }
    const ResourceFigures& GetFigures() const { return m_figures; }
    const FileFields& GetFileFields() const { return m_fileFields; }
    const std::array<CHoverButton*, 8>& GetButtons() const { return m_buttons; }

private:
    void OnButton(wxCommandEvent& event);
    void OnLengthChanged();
    void ShowMessage(int stringId);
    // Opens target on the desktop; failureMessage (0 for none) is shown if that fails.
    void OpenOnDesktop(const std::string& target, int failureMessage);

    wxWindow* m_pWindow;
    wxWeakRef<wxWindow> m_windowRef;
    ParameterPanel m_panel;
    OutputLength m_length;
    ResourceFigures m_figures;
    FileFields m_fileFields;
    std::array<CHoverButton*, 8> m_buttons{};

    std::string m_strInPath;
    std::string m_strInName;
    std::string m_strOutPath;
    std::string m_strOutName;
    InputFacts m_input;

    MessageRoutine m_showMessage;
    std::unique_ptr<FileChooser> m_pChooser;
    std::unique_ptr<DesktopOpener> m_pOpener;
    RunStarter m_startRun;
    AboutShower m_showAbout;
    std::string m_strInstallConfig;
    std::string m_strDataFolder;
    // Outcomes of desktop requests can arrive after this object is gone; they
    // look at this token first.
    std::shared_ptr<bool> m_pAlive;
};
