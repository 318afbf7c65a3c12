#include "ui/panel/file_fields.h"

#include <wx/stattext.h>

#include "ui/main_window/main_window_ids.h"

namespace {

void ShowText(wxStaticText* text, const std::string& value)
{
    // File names may hold '&': shown as they are, never as mnemonics.
    if (text)
        text->SetLabelText(wxString::FromUTF8(value));
}

}  // namespace

bool FileFields::Attach(wxWindow& window)
{
    const auto find = [&window](int id) { return wxDynamicCast(window.FindWindow(id), wxStaticText); };
    m_pInputName = find(IDC_INPUT_NAME);
    m_pOutputName = find(IDC_OUTPUT_NAME);
    m_pTimeLine = find(IDC_INPUT_TIME_LINE);
    m_pFormatLine = find(IDC_INPUT_FORMAT_LINE);
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
