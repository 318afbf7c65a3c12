#include "file_fields.h"

#include <wx/stattext.h>

#include "control_ids.h"

namespace {

wxStaticText* CreateText(wxWindow* parent, int id, const wxRect& rect, long style)
{
    return new wxStaticText(parent, id, wxEmptyString, rect.GetPosition(), rect.GetSize(),
                            style | wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
}

void ShowText(wxStaticText* text, const std::string& value)
{
    // File names may hold '&': shown as they are, never as mnemonics.
    text->SetLabelText(wxString::FromUTF8(value));
}

}  // namespace

void FileFields::Create(wxWindow* parent, const DialogRectToPixels& toPixels)
{
    m_pInputName = CreateText(parent, IDC_INPUT_NAME, toPixels(kInputNamePlace), wxALIGN_LEFT | wxBORDER_SUNKEN);
    m_pOutputName = CreateText(parent, IDC_OUTPUT_NAME, toPixels(kOutputNamePlace), wxALIGN_LEFT | wxBORDER_SUNKEN);
    m_pTimeLine = CreateText(parent, IDC_INPUT_TIME_LINE, toPixels(kTimeLinePlace), wxALIGN_CENTRE_HORIZONTAL);
    m_pFormatLine = CreateText(parent, IDC_INPUT_FORMAT_LINE, toPixels(kFormatLinePlace), wxALIGN_CENTRE_HORIZONTAL);
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
