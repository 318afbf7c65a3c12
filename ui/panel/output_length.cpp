#include "ui/panel/output_length.h"

#include <wx/choice.h>

#include <utility>

#include "ui/controls/compact_drop_down.h"
#include "ui/main_window/main_window_ids.h"
#include "ui/panel/minute_second_picker.h"

bool OutputLength::Attach(wxWindow& window, LengthChanged lengthChanged)
{
    m_lengthChanged = std::move(lengthChanged);
    m_pPicker = dynamic_cast<MinuteSecondPicker*>(window.FindWindow(IDC_LENGTH_PICKER));
    m_pPresets = wxDynamicCast(window.FindWindow(IDC_LENGTH_PRESETS), wxChoice);
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

void OutputLength::OnPresetChosen()
{
    const int index = m_pPresets ? m_pPresets->GetSelection() : wxNOT_FOUND;
    if (index >= 0 && index < static_cast<int>(kLengthPresets.size()) && m_pPicker)
        m_pPicker->SetLength(kLengthPresets[static_cast<std::size_t>(index)].m_length);
    if (m_lengthChanged)
        m_lengthChanged();
}

void OutputLength::OnPickerChanged()
{
    if (m_lengthChanged)
        m_lengthChanged();
    if (m_pPresets)
        m_pPresets->SetSelection(wxNOT_FOUND);
}
