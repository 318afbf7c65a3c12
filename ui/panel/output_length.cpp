#include "output_length.h"

#include <wx/choice.h>

#include <utility>

#include "control_ids.h"
#include "minute_second_picker.h"

void OutputLength::Create(wxWindow* parent, const DialogRectToPixels& toPixels, LengthChanged lengthChanged)
{
    m_lengthChanged = std::move(lengthChanged);
    const wxRect pickerRect = toPixels(kPickerPlace);
    m_pPicker = new MinuteSecondPicker(parent, IDC_LENGTH_PICKER, pickerRect.GetPosition(), pickerRect.GetSize());
    m_pPicker->Bind(EVT_LENGTH_PICKER_CHANGED, &OutputLength::OnPickerChanged, this);

    const wxRect listRect = toPixels(kPresetListPlace);
    m_pPresets = new wxChoice(parent, IDC_LENGTH_PRESETS, listRect.GetPosition(),
                              wxSize(listRect.GetWidth(), pickerRect.GetHeight()));
    m_pPresets->Bind(wxEVT_CHOICE, &OutputLength::OnPresetChosen, this);
}

void OutputLength::RestorePicker()
{
    m_pPicker->SetLength(kDefaultLength);
}

void OutputLength::RestorePresets()
{
    m_pPresets->Clear();
    for (const LengthPreset& preset : kLengthPresets)
        m_pPresets->Append(wxString::FromUTF8(preset.m_pszText));
    m_pPresets->SetSelection(0);
}

int OutputLength::GetDurationSeconds() const
{
    return m_pPicker->GetLength().TotalSeconds();
}

void OutputLength::OnPresetChosen(wxCommandEvent&)
{
    const int index = m_pPresets->GetSelection();
    if (index >= 0 && index < static_cast<int>(kLengthPresets.size()))
        m_pPicker->SetLength(kLengthPresets[static_cast<std::size_t>(index)].m_length);
    if (m_lengthChanged)
        m_lengthChanged();
}

void OutputLength::OnPickerChanged(wxCommandEvent&)
{
    if (m_lengthChanged)
        m_lengthChanged();
    m_pPresets->SetSelection(wxNOT_FOUND);
}
