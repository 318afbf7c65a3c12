#include "ui/panel/file_fields.h"

#include <wx/stattext.h>

#include "ui/panel/main_window_controls.h"

namespace {

void ShowText(wxStaticText* text, const std::string& value)
{
    // File names may hold '&': shown as they are, never as mnemonics.
    if (text)
        text->SetLabelText(wxString::FromUTF8(value));
}

}  // namespace

bool FileFields::Attach(const MainWindowControls& controls)
{
    m_pInputName = controls.m_pInputName;
    m_pOutputName = controls.m_pOutputName;
    m_pTimeLine = controls.m_pInputTimeLine;
    m_pFormatLine = controls.m_pInputFormatLine;
    return m_pInputName && m_pOutputName && m_pTimeLine && m_pFormatLine;
}

void FileFields::ShowInputName(const std::string& name)
{
    ShowText(m_pInputName, name);
}

void FileFields::ShowOutputName(const std::string& name)
{
    ShowText(m_pOutputName, name);
}

void FileFields::ShowInputInfo(const InputFacts& facts)
{
    ShowText(m_pFormatLine, FormatLine(facts));
    ShowText(m_pTimeLine, TimeSizeLine(facts));
}
