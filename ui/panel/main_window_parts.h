// The working parts of the main window: parameter panel, output length,
// resource figures, file fields and the commands, with the state the commands
// keep (chosen files, facts about the input).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "ui/panel/desktop_opener.h"
#include "ui/panel/file_chooser.h"
#include "ui/panel/file_fields.h"
#include "engine/run/generation_settings.h"
#include "ui/panel/input_facts.h"
#include "ui/panel/output_length.h"
#include "ui/panel/parameter_panel.h"
#include "ui/panel/resource_figures.h"

class wxCommandEvent;
class wxWindow;
struct MainWindowControls;

// Works on the controls of the window it is given and lives no longer than
// that window. Each part listens to its own controls; the command buttons
// (all but About, which is the window's) come straight to the commands here.
// What reaches outside the window goes through replaceable services: the
// message box, the file chooser, the desktop's opener and the start of a run.
//
// The three resource figures are recomputed together (available disk,
// required disk, required memory) by RestoreDefaults, a preset chosen, the
// picker changed by the user and an output file chosen; the required memory
// alone by an input file chosen or refused. Slider moves recompute nothing.
class MainWindowParts {
public:
    // Shows the text of string stringId in a modal message box of style (MB_*); returns the answer.
    using MessageRoutine = std::function<int(int stringId, const std::string& text, unsigned style)>;
    // Runs a generation with these settings (modally, in the progress window).
    using RunStarter = std::function<void(const GenerationSettings& settings)>;

    MainWindowParts(wxWindow& window, MessageRoutine showMessage);
    ~MainWindowParts();
    MainWindowParts(const MainWindowParts&) = delete;
    MainWindowParts& operator=(const MainWindowParts&) = delete;

    // Gives each part its controls and binds the command buttons; false if
    // a control is missing.
    bool Attach(const MainWindowControls& controls);

    void SetMessageRoutine(MessageRoutine routine) { m_showMessage = std::move(routine); }
    void SetFileChooser(std::unique_ptr<FileChooser> chooser) { m_pChooser = std::move(chooser); }
    void SetDesktopOpener(std::unique_ptr<DesktopOpener> opener) { m_pOpener = std::move(opener); }
    void SetRunStarter(RunStarter starter) { m_startRun = std::move(starter); }
    // Where the user's-guide command finds the install folder, and where it
    // looks when none is recorded (by default those of the running program).
    void SetInstallConfigFile(std::string path) { m_strInstallConfig = std::move(path); }
    void SetDataFolder(std::string folder) { m_strDataFolder = std::move(folder); }

    // No files chosen: empty names and paths, no input facts, empty lines.
    void ClearFiles();
    // Sliders, output length and presets back to their start values, labels
    // shown, the three figures recomputed. The chosen files stay.
    void RestoreDefaults();
    // The six value-label texts into their labels.
    void WriteLabels() { m_panel.WriteLabels(); }

    int GetDurationSeconds() const { return m_length.GetDurationSeconds(); }
    void FillSettings(GenerationSettings& settings) const { m_panel.FillSettings(settings); }

    void ChooseInputFile();
    void ChooseOutputFile();
    // Takes path as the input exactly as if it had been chosen in the open
    // dialog: inspected, refused with 61575 when unusable, its facts shown.
    // For a file named on the command line or dropped on the window.
    void SelectInputFile(const std::string& path);
    void ShowInputInfo();
    void UpdateRequiredDisk();
    void UpdateAvailableDisk();
    void UpdateRequiredMemory();
    // Nonzero (after showing why) when a run must not start. The available
    // disk space is read again first.
    int CheckBeforeGenerate();

    // The commands (Restore is RestoreDefaults; About belongs to the window).
    void OnGenerate();
    void OnPlay();
    void OnUserGuide();
    void OnWebSite();
    void OnInputFile();
    void OnOutputFile();

    // State, for the window and for tests.
    const std::string& GetInputPath() const { return m_strInPath; }
    const std::string& GetOutputPath() const { return m_strOutPath; }
    // Where the next file dialog opens: the folder of the file last chosen
    // since the program started (empty before that: the dialog's own choice).
    const std::string& GetLastFolder() const { return m_strLastFolder; }
    const InputFacts& GetInputFacts() const { return m_input; }
    const ParameterPanel& GetPanel() const { return m_panel; }
    const OutputLength& GetLength() const { return m_length; }
    const ResourceFigures& GetFigures() const { return m_figures; }

private:
    // A click on one of the command buttons.
    void OnCommandButton(wxCommandEvent& event);
    // The input part of choosing a file: steps after the dialog.
    void TakeInputFile(const std::string& chosen);
    void RecomputeFigures();
    void ShowMessage(int stringId);
    // Opens target on the desktop; failureMessage (0 for none) is shown if that fails.
    void OpenOnDesktop(const std::string& target, int failureMessage);

    wxWindow& m_window;
    ParameterPanel m_panel;
    OutputLength m_length;
    ResourceFigures m_figures;
    FileFields m_fileFields;

    std::string m_strInPath;
    std::string m_strInName;
    std::string m_strOutPath;
    std::string m_strOutName;
    InputFacts m_input;
    std::string m_strLastFolder;

    MessageRoutine m_showMessage;
    std::unique_ptr<FileChooser> m_pChooser;
    std::unique_ptr<DesktopOpener> m_pOpener;
    RunStarter m_startRun;
    std::string m_strInstallConfig;
    std::string m_strDataFolder;
    // The outcome of a desktop request can arrive after this object is gone;
    // it looks at this token first.
    std::shared_ptr<bool> m_pAlive;
};
