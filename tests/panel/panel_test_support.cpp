#include "panel_test_support.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/stattext.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <utility>

#include <gtest/gtest.h>

#include "main_window_ids.h"

void PumpEvents()
{
    if (auto* loop = wxEventLoopBase::GetActive())
        loop->YieldFor(wxEVT_CATEGORY_ALL);
    else if (wxTheApp)
        wxTheApp->Yield(true);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    wxStopWatch watch;
    while (!condition()) {
        if (watch.Time() > timeoutMs)
            return condition();
        PumpEvents();
        wxMilliSleep(1);
    }
    return true;
}

std::optional<std::string> FakeFileChooser::Choose(FileRole role)
{
    std::deque<std::optional<std::string>>& answers = role == FileRole::Input ? m_inputAnswers : m_outputAnswers;
    ++(role == FileRole::Input ? m_nInputAsked : m_nOutputAsked);
    if (answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeFileChooser::Answer(FileRole role, std::optional<std::string> path)
{
    (role == FileRole::Input ? m_inputAnswers : m_outputAnswers).push_back(std::move(path));
}

void FakeOpener::Open(const std::string& target, Finished finished)
{
    m_targets.push_back(target);
    finished(m_bSucceed);
}

PartsHost::PartsHost(bool realRuns) : m_pDialog(new GeneratorDialog())
{
    // Showing the window opens it: controls set up, files cleared, defaults restored.
    m_pDialog->Show();
    WaitUntil([this] { return m_pDialog->IsShownOnScreen(); });
    PumpEvents();

    MainWindowParts& parts = Parts();
    auto chooser = std::make_unique<FakeFileChooser>();
    m_pChooser = chooser.get();
    parts.SetFileChooser(std::move(chooser));
    auto opener = std::make_unique<FakeOpener>();
    m_pOpener = opener.get();
    parts.SetDesktopOpener(std::move(opener));
    if (realRuns)
        return;
    parts.SetMessageRoutine([this](int stringId, const std::string&, unsigned) {
        m_messages.push_back(stringId);
        return 1;
    });
    parts.SetRunStarter([this](const GenerationSettings& settings) { m_runs.push_back(settings); });
}

PartsHost::~PartsHost()
{
    m_pDialog->Destroy();
    PumpEvents();
}

MainWindowParts& PartsHost::Parts()
{
    return m_pDialog->GetParts();
}

std::vector<int> PartsHost::TakeMessages()
{
    return std::exchange(m_messages, {});
}

void PartsHost::Click(int buttonId)
{
    wxWindow* button = m_pDialog->FindWindow(buttonId);
    ASSERT_NE(button, nullptr) << buttonId;
    wxCommandEvent click(wxEVT_BUTTON, buttonId);
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

void PartsHost::ChooseInput(const std::optional<std::string>& path)
{
    m_pChooser->Answer(FileRole::Input, path);
    Click(IDC_INPUT_FILE);
}

void PartsHost::ChooseOutput(const std::optional<std::string>& path)
{
    m_pChooser->Answer(FileRole::Output, path);
    Click(IDC_OUTPUT_FILE);
}

std::string PartsHost::TextOf(int id)
{
    auto* text = dynamic_cast<wxStaticText*>(m_pDialog->FindWindow(id));
    return text ? text->GetLabelText().utf8_string() : std::string("<no text control>");
}

void SaveScreenshot(wxWindow& window, const std::string& name)
{
    const wxSize size = window.GetClientSize();
    wxBitmap shot(size);
    {
        wxMemoryDC memory(shot);
        wxClientDC client(&window);
        memory.Blit(0, 0, size.x, size.y, &client, 0, 0);
    }
    const wxString folder = SONNELITH_TEST_ARTIFACT_DIR;
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    shot.SaveFile(folder + "/" + wxString::FromUTF8(name) + ".png", wxBITMAP_TYPE_PNG);
}

void SendKey(wxWindow& window, int keyCode)
{
    wxKeyEvent down(wxEVT_KEY_DOWN);
    down.m_keyCode = keyCode;
    down.SetEventObject(&window);
    window.ProcessWindowEvent(down);
    wxKeyEvent up(wxEVT_KEY_UP);
    up.m_keyCode = keyCode;
    up.SetEventObject(&window);
    window.ProcessWindowEvent(up);
}
