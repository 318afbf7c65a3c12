#include "main_window_parts.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/window.h>

#include "about_dialog.h"
#include "command_buttons.h"
#include "control_ids.h"
#include "generate_check.h"
#include "install_location.h"
#include "message_box.h"
#include "string_table.h"
#include "wav_file_names.h"

namespace {

// Until the window gives its own routine: a plain exclamation box captioned
// with the application's name.
int DefaultMessageBox(wxWindow* parent, const std::string& text)
{
    const wxString caption = wxTheApp ? wxTheApp->GetAppName() : wxString();
    wxMessageDialog box(parent, wxString::FromUTF8(text), caption, wxOK | wxICON_EXCLAMATION);
    box.ShowModal();
    return IDOK;
}

}  // namespace

MainWindowParts::MainWindowParts(wxWindow* window)
    : m_pWindow(window),
      m_windowRef(window),
      m_pChooser(std::make_unique<DialogFileChooser>(window)),
      m_pOpener(std::make_unique<XdgOpener>()),
      m_strInstallConfig(InstallConfigPath()),
      m_strDataFolder(ProgramDataFolder()),
      m_pAlive(std::make_shared<bool>(true))
{
    m_showMessage = [window](int, const std::string& text, unsigned) { return DefaultMessageBox(window, text); };
    m_showAbout = [window] {
        AboutDialog about(window);
        about.ShowModal();
    };
}

MainWindowParts::~MainWindowParts()
{
    *m_pAlive = false;
    // The window may be gone already (it owns the controls, this object the handlers).
    if (wxWindow* window = m_windowRef.get())
        window->Unbind(wxEVT_BUTTON, &MainWindowParts::OnButton, this, IDC_GENERATE, IDC_OUTPUT_FILE);
}

void MainWindowParts::Create(const DialogRectToPixels& toPixels, bool createButtons)
{
    if (createButtons)
        m_buttons = CreateCommandButtons(m_pWindow);
    m_panel.Create(m_pWindow, toPixels);
    m_length.Create(m_pWindow, toPixels, [this] { OnLengthChanged(); });
    m_figures.Create(m_pWindow, toPixels);
    m_fileFields.Create(m_pWindow, toPixels);
}

void MainWindowParts::BindCommands()
{
    m_pWindow->Bind(wxEVT_BUTTON, &MainWindowParts::OnButton, this, IDC_GENERATE, IDC_OUTPUT_FILE);
}

void MainWindowParts::OnButton(wxCommandEvent& event)
{
    switch (event.GetId()) {
    case IDC_GENERATE: OnGenerate(); break;
    case IDC_PLAY: OnPlay(); break;
    case IDC_RESTORE: OnRestore(); break;
    case IDC_USER_GUIDE: OnUserGuide(); break;
    case IDC_ABOUT: OnAbout(); break;
    case IDC_WEB_SITE: OnWebSite(); break;
    case IDC_INPUT_FILE: OnInputFile(); break;
    case IDC_OUTPUT_FILE: OnOutputFile(); break;
    default: event.Skip(); break;
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
    // The output length has changed, so all three figures are recomputed.
    UpdateAvailableDisk();
    UpdateRequiredDisk();
    UpdateRequiredMemory();
}

void MainWindowParts::OnLengthChanged()
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
    const std::optional<std::string> chosen = m_pChooser->Choose(FileRole::Input);
    if (!chosen)
        return;
    m_input.m_nInputFileSize = 0;
    m_strInPath = InputPathFor(*chosen);
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
    const std::optional<std::string> chosen = m_pChooser->Choose(FileRole::Output);
    if (!chosen)
        return;
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

void MainWindowParts::OnRestore()
{
    RestoreDefaults();
}

void MainWindowParts::OnUserGuide()
{
    OpenOnDesktop(UserGuidePath(ReadInstallPath(m_strInstallConfig), m_strDataFolder), IDS_ERR_USER_GUIDE);
}

void MainWindowParts::OnAbout()
{
    if (m_showAbout)
        m_showAbout();
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

void MainWindowParts::OnOutputFile()
{
    ChooseOutputFile();
    UpdateAvailableDisk();
    UpdateRequiredDisk();
    UpdateRequiredMemory();
}

void MainWindowParts::ShowMessage(int stringId)
{
    const char* text = LoadResourceString(stringId);
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
