#include "ui/panel/main_window_parts.h"

#include <wx/window.h>

#include <array>

#include "ui/message_box/message_box_codes.h"
#include "resources/strings/resource_ids.h"
#include "resources/strings/string_table.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/panel/generate_check.h"
#include "ui/panel/install_location.h"
#include "ui/panel/wav_file_names.h"

namespace {

// The command buttons handled here and the command each runs.
struct CommandButton {
    int m_nId;
    void (MainWindowParts::*m_pCommand)();
};
constexpr std::array<CommandButton, 7> kCommandButtons = {{
    {IDC_GENERATE, &MainWindowParts::OnGenerate},
    {IDC_PLAY, &MainWindowParts::OnPlay},
    {IDC_RESTORE, &MainWindowParts::RestoreDefaults},
    {IDC_USER_GUIDE, &MainWindowParts::OnUserGuide},
    {IDC_WEB_SITE, &MainWindowParts::OnWebSite},
    {IDC_INPUT_FILE, &MainWindowParts::OnInputFile},
    {IDC_OUTPUT_FILE, &MainWindowParts::OnOutputFile},
}};

}  // namespace

MainWindowParts::MainWindowParts(wxWindow& window, MessageRoutine showMessage)
    : m_window(window),
      m_showMessage(std::move(showMessage)),
      m_pChooser(std::make_unique<DialogFileChooser>(&window)),
      m_pOpener(std::make_unique<XdgOpener>()),
      m_strInstallConfig(InstallConfigPath()),
      m_strDataFolder(ProgramDataFolder()),
      m_pAlive(std::make_shared<bool>(true))
{
}

MainWindowParts::~MainWindowParts()
{
    *m_pAlive = false;
    for (const CommandButton& button : kCommandButtons)
        m_window.Unbind(wxEVT_BUTTON, &MainWindowParts::OnCommandButton, this, button.m_nId);
}

bool MainWindowParts::Attach(const MainWindowControls& controls)
{
    const bool panel = m_panel.Attach(controls);
    const bool length = m_length.Attach(controls, [this] { RecomputeFigures(); });
    const bool figures = m_figures.Attach(controls);
    const bool files = m_fileFields.Attach(controls);
    // The buttons come into being when the window opens; their clicks reach
    // the window by id.
    for (const CommandButton& button : kCommandButtons)
        m_window.Bind(wxEVT_BUTTON, &MainWindowParts::OnCommandButton, this, button.m_nId);
    return panel && length && figures && files;
}

void MainWindowParts::OnCommandButton(wxCommandEvent& event)
{
    for (const CommandButton& button : kCommandButtons) {
        if (button.m_nId == event.GetId())
            (this->*button.m_pCommand)();
    }
}

void MainWindowParts::ClearFiles()
{
    m_strInPath.clear();
    m_strInName.clear();
    m_strOutPath.clear();
    m_strOutName.clear();
    m_input = InputFacts{};
    m_fileFields.ShowInputName(m_strInName);
    m_fileFields.ShowOutputName(m_strOutName);
    ShowInputInfo();
}

void MainWindowParts::RestoreDefaults()
{
    m_length.RestorePicker();
    m_panel.RestoreSliders();
    m_length.RestorePresets();
    m_panel.WriteLabels();
    // The output length has changed.
    RecomputeFigures();
}

void MainWindowParts::RecomputeFigures()
{
    UpdateAvailableDisk();
    UpdateRequiredDisk();
    UpdateRequiredMemory();
}

void MainWindowParts::UpdateRequiredDisk()
{
    m_figures.UpdateRequiredDisk(GetDurationSeconds());
}

void MainWindowParts::UpdateAvailableDisk()
{
    m_figures.UpdateAvailableDisk(m_strOutPath);
}

void MainWindowParts::UpdateRequiredMemory()
{
    m_figures.UpdateRequiredMemory(GetDurationSeconds(), m_input);
}

void MainWindowParts::ChooseInputFile()
{
    const std::optional<std::string> chosen = m_pChooser->Choose(FileRole::Input, m_strLastFolder);
    if (chosen)
        TakeInputFile(*chosen);
}

void MainWindowParts::TakeInputFile(const std::string& chosen)
{
    m_strLastFolder = FolderOf(chosen);
    m_input.m_nInputFileSize = 0;
    m_strInPath = InputPathFor(chosen);
    m_strInName = BareFileName(m_strInPath);
    m_fileFields.ShowInputName(m_strInName);
    InputFacts facts;
    if (InspectInputFile(m_strInPath, facts) != 0) {
        ShowMessage(IDS_ERR_OPEN_INPUT);
        m_strInName.clear();
        m_strInPath.clear();
        m_input = InputFacts{};
        m_fileFields.ShowInputName(m_strInName);
        UpdateRequiredMemory();
        return;
    }
    m_input = facts;
    UpdateRequiredMemory();
}

void MainWindowParts::ChooseOutputFile()
{
    const std::optional<std::string> chosen = m_pChooser->Choose(FileRole::Output, m_strLastFolder);
    if (!chosen)
        return;
    m_strLastFolder = FolderOf(*chosen);
    m_strOutPath = OutputPathFor(*chosen);
    m_strOutName = BareFileName(m_strOutPath);
    m_fileFields.ShowOutputName(m_strOutName);
}

void MainWindowParts::ShowInputInfo()
{
    m_fileFields.ShowInputInfo(m_input);
}

int MainWindowParts::CheckBeforeGenerate()
{
    // The disk fills and empties while the window stands open: the free
    // space is read again at the moment it matters.
    UpdateAvailableDisk();
    const int refusal = GenerateRefusal(
        {m_strInPath, m_strOutPath, m_figures.GetAvailableDiskMB(), m_figures.GetRequiredDiskMB()});
    if (refusal != 0)
        ShowMessage(refusal);
    return refusal;
}

void MainWindowParts::OnGenerate()
{
    if (CheckBeforeGenerate() != 0)
        return;
    GenerationSettings settings;
    settings.m_strInputPath = m_strInPath;
    settings.m_strOutputPath = m_strOutPath;
    settings.m_nDurationSeconds = GetDurationSeconds();
    FillSettings(settings);
    if (m_startRun)
        m_startRun(settings);
}

void MainWindowParts::OnPlay()
{
    if (m_strOutPath.empty()) {
        ShowMessage(IDS_SELECT_OUTPUT);
        return;
    }
    // A missing file is the opener's failure like any other.
    OpenOnDesktop(m_strOutPath, IDS_ERR_PLAY);
}

void MainWindowParts::OnUserGuide()
{
    OpenOnDesktop(UserGuidePath(GetInstallPath(m_strInstallConfig), m_strDataFolder), IDS_ERR_USER_GUIDE);
}

void MainWindowParts::OnWebSite()
{
    OpenOnDesktop(kWebSiteAddress, 0);
}

void MainWindowParts::OnInputFile()
{
    ChooseInputFile();
    ShowInputInfo();
    UpdateRequiredMemory();
}

void MainWindowParts::SelectInputFile(const std::string& path)
{
    TakeInputFile(path);
    ShowInputInfo();
    UpdateRequiredMemory();
}

void MainWindowParts::OnOutputFile()
{
    ChooseOutputFile();
    RecomputeFigures();
}

void MainWindowParts::ShowMessage(int stringId)
{
    const char* text = LoadResourceString(stringId);
    if (m_showMessage)
        m_showMessage(stringId, text ? text : "", MB_OK | MB_ICONEXCLAMATION);
}

void MainWindowParts::OpenOnDesktop(const std::string& target, int failureMessage)
{
    std::weak_ptr<bool> alive = m_pAlive;
    m_pOpener->Open(target, [this, alive, failureMessage](bool opened) {
        const auto token = alive.lock();
        if (opened || failureMessage == 0 || !token || !*token)
            return;
        ShowMessage(failureMessage);
    });
}
