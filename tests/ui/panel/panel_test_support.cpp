#include "tests/ui/panel/panel_test_support.h"

#include <wx/app.h>
#include <wx/event.h>
#include <wx/evtloop.h>
#include <wx/stattext.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <utility>

#include <gtest/gtest.h>

#include "ui/dialog_template/main_window_ids.h"
#include "ui/panel/slider_parameters.h"

void SendKey(wxWindow& window, int keyCode)
{
    for (wxEventType type : {wxEVT_KEY_DOWN, wxEVT_KEY_UP}) {
        wxKeyEvent key(type);
        key.m_keyCode = keyCode;
        key.SetEventObject(&window);
        window.ProcessWindowEvent(key);
    }
}

namespace {

wxKeyEvent KeyEvent(wxWindow& window, wxEventType type, int keyCode, wxChar character, int modifiers)
{
    wxKeyEvent key(type);
    key.m_keyCode = keyCode;
    key.m_uniChar = character;
    key.SetShiftDown((modifiers & wxMOD_SHIFT) != 0);
    key.SetControlDown((modifiers & wxMOD_CONTROL) != 0);
    key.SetAltDown((modifiers & wxMOD_ALT) != 0);
    key.SetEventObject(&window);
    return key;
}

}  // namespace

void PressKey(wxWindow& window, int keyCode, wxChar character, int modifiers)
{
    wxKeyEvent down = KeyEvent(window, wxEVT_KEY_DOWN, keyCode, character, modifiers);
    if (!window.ProcessWindowEvent(down)) {
        wxKeyEvent typed = KeyEvent(window, wxEVT_CHAR, character, character, modifiers);
        window.ProcessWindowEvent(typed);
    }
    wxKeyEvent up = KeyEvent(window, wxEVT_KEY_UP, keyCode, character, modifiers);
    window.ProcessWindowEvent(up);
}

void TypeText(wxWindow& window, const std::string& text)
{
    for (char character : text) {
        if (character == ':')
            PressKey(window, ';', ':', wxMOD_SHIFT);
        else
            PressKey(window, character, character);
    }
}

std::optional<std::string> FakeFileChooser::Choose(FileRole role, const std::string& startFolder)
{
    m_startFolders[Index(role)].push_back(startFolder);
    auto& answers = m_answers[Index(role)];
    if (answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

PartsHost::PartsHost(bool realRuns) : m_pDialog(new GeneratorDialog())
{
    // Showing the window opens it: controls set up, files cleared, defaults restored.
    m_pDialog->Show();
    WaitUntil([this] { return m_pDialog->IsShownOnScreen(); });
    PumpEvents();

    auto chooser = std::make_unique<FakeFileChooser>();
    m_pChooser = chooser.get();
    Parts().SetFileChooser(std::move(chooser));
    auto opener = std::make_unique<FakeOpener>();
    m_pOpener = opener.get();
    Parts().SetDesktopOpener(std::move(opener));
    if (realRuns)
        return;
    Parts().SetMessageRoutine([this](int stringId, const std::string&, unsigned) {
        m_messages.push_back(stringId);
        return 1;
    });
    Parts().SetRunStarter([this](const GenerationSettings& settings) { m_runs.push_back(settings); });
}

PartsHost::~PartsHost()
{
    m_pDialog->Destroy();
    PumpEvents();
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

std::vector<std::string> PartsHost::ValueLabels()
{
    std::vector<std::string> labels;
    for (const SliderParameter& parameter : kSliderParameters)
        labels.push_back(TextOf(parameter.m_nLabelId));
    return labels;
}
