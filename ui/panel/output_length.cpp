#include "ui/panel/output_length.h"

#include <wx/choice.h>

#include <utility>

#include "ui/controls/compact_drop_down.h"
#include "ui/panel/main_window_controls.h"
#include "ui/panel/minute_second_picker.h"

bool OutputLength::Attach(const MainWindowControls& controls, LengthChanged lengthChanged)
{
    m_lengthChanged = std::move(lengthChanged);
    m_pPicker = controls.m_pLengthPicker;
    m_pPresets = controls.m_pPresetList;
    if (m_pPicker)
        m_pPicker->Bind(EVT_LENGTH_PICKER_CHANGED, &OutputLength::OnPickerChanged, this);
    if (m_pPresets)
        m_pPresets->Bind(wxEVT_CHOICE, &OutputLength::OnPresetChosen, this);
    return m_pPicker && m_pPresets;
}

void OutputLength::RestorePicker()
{
    if (m_pPicker)
        m_pPicker->SetLength(kDefaultLength);
}

void OutputLength::RestorePresets()
{
    if (m_pPresets == nullptr)
        return;
    m_pPresets->Clear();
    for (const LengthPreset& preset : kLengthPresets)
        m_pPresets->Append(wxString::FromUTF8(preset.m_pszText));
    FitDropDownFont(m_pPresets);
    m_pPresets->SetSelection(0);
}

int OutputLength::GetDurationSeconds() const
{
    return m_pPicker ? m_pPicker->GetLength().TotalSeconds() : 0;
}

void OutputLength::OnPresetChosen(wxCommandEvent&)
{
    const int index = m_pPresets ? m_pPresets->GetSelection() : wxNOT_FOUND;
    if (index >= 0 && index < static_cast<int>(kLengthPresets.size()) && m_pPicker)
        m_pPicker->SetLength(kLengthPresets[static_cast<std::size_t>(index)].m_length);
    if (m_lengthChanged)
        m_lengthChanged();
}

void OutputLength::OnPickerChanged(wxCommandEvent&)
{
    if (m_lengthChanged)
        m_lengthChanged();
    if (m_pPresets)
        m_pPresets->SetSelection(wxNOT_FOUND);
}
