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

#include <cmath>
#include <utility>

#include "draw_bitmap_at.h"
#include "picture_resources.h"
#include "resource_ids.h"

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

wxRect TestDialogRectToPixels(const DialogRect& rect)
{
    const auto x = [](int units) { return static_cast<int>(std::lround(units * 1.5)); };
    const auto y = [](int units) { return static_cast<int>(std::lround(units * 13 / 8.0)); };
    return wxRect(x(rect.m_nLeft), y(rect.m_nTop), x(rect.m_nWidth), y(rect.m_nHeight));
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

BackgroundPanel::BackgroundPanel(wxWindow* parent)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY);
    Bind(wxEVT_PAINT, &BackgroundPanel::OnPaint, this);
}

void BackgroundPanel::PaintBackground(wxDC& dc)
{
    static const wxBitmap background = LoadBitmapResource(IDB_BACKGROUND);
    DrawBitmapAt(dc, wxPoint(0, 0), background);
}

void BackgroundPanel::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    PaintBackground(dc);
}

PartsHost::PartsHost()
{
    m_pFrame = new wxFrame(nullptr, wxID_ANY, "Sonnelith parts", wxPoint(60, 60), wxDefaultSize,
                           wxCAPTION | wxCLOSE_BOX);
    m_pFrame->SetClientSize(594, 397);
    m_pPanel = new BackgroundPanel(m_pFrame);
    m_pPanel->SetSize(m_pFrame->GetClientSize());
    m_pParts = std::make_unique<MainWindowParts>(m_pPanel);

    auto chooser = std::make_unique<FakeFileChooser>();
    m_pChooser = chooser.get();
    m_pParts->SetFileChooser(std::move(chooser));
    auto opener = std::make_unique<FakeOpener>();
    m_pOpener = opener.get();
    m_pParts->SetDesktopOpener(std::move(opener));
    m_pParts->SetMessageRoutine([this](int stringId, const std::string&, unsigned) {
        m_messages.push_back(stringId);
        return 1;
    });
    m_pParts->SetRunStarter([this](const GenerationSettings& settings) { m_runs.push_back(settings); });
    m_pParts->SetAboutShower([this] { ++m_nAboutShown; });

    m_pParts->Create(TestDialogRectToPixels, true);
    m_pParts->BindCommands();
    m_pParts->ClearFiles();
    m_pParts->RestoreDefaults();
}

PartsHost::~PartsHost()
{
    // The controls go first: their handlers belong to the parts.
    m_pFrame->Destroy();
    PumpEvents();
    m_pParts.reset();
}

std::vector<int> PartsHost::TakeMessages()
{
    return std::exchange(m_messages, {});
}

void PartsHost::Click(int buttonId)
{
    wxWindow* button = m_pPanel->FindWindow(buttonId);
    wxCommandEvent click(wxEVT_BUTTON, buttonId);
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

void PartsHost::ChooseInput(const std::optional<std::string>& path)
{
    m_pChooser->Answer(FileRole::Input, path);
    Click(10007);
}

void PartsHost::ChooseOutput(const std::optional<std::string>& path)
{
    m_pChooser->Answer(FileRole::Output, path);
    Click(10008);
}

std::string PartsHost::TextOf(int id)
{
    auto* text = dynamic_cast<wxStaticText*>(m_pPanel->FindWindow(id));
    return text ? text->GetLabelText().utf8_string() : std::string("<no text control>");
}

void PartsHost::ShowAndWait()
{
    m_pFrame->Show();
    m_pFrame->Raise();
    WaitUntil([this] { return m_pFrame->IsShownOnScreen(); });
    PumpEvents();
    wxMilliSleep(50);
    PumpEvents();
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
