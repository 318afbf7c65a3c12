#include "ui/panel/parameter_panel.h"

#include <wx/stattext.h>

#include "ui/controls/bitmap_slider.h"
#include "ui/panel/main_window_controls.h"

namespace {

std::size_t IndexOf(const SliderParameter& parameter)
{
    return SliderIndexOf(parameter);
}

}  // namespace

bool ParameterPanel::Attach(const MainWindowControls& controls)
{
    m_sliders = controls.m_sliders;
    m_labels = controls.m_valueLabels;
    bool complete = true;
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        complete = complete && m_sliders[i] && m_labels[i];
        if (m_sliders[i] == nullptr)
            continue;
        for (const auto& type : {wxEVT_SCROLL_TOP, wxEVT_SCROLL_BOTTOM, wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_LINEDOWN,
                                 wxEVT_SCROLL_PAGEUP, wxEVT_SCROLL_PAGEDOWN, wxEVT_SCROLL_THUMBTRACK,
                                 wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED})
            m_sliders[i]->Bind(type, &ParameterPanel::OnSliderScroll, this);
    }
    return complete;
}

void ParameterPanel::RestoreSliders()
{
    for (int sliderId : kRestoreOrder) {
        const SliderParameter& parameter = *FindSliderParameter(sliderId);
        StorePosition(parameter, parameter.m_nStartPos);
        if (BitmapSlider* slider = m_sliders[IndexOf(parameter)]) {
            slider->SetRange(parameter.m_nMinPos, parameter.m_nMaxPos, false);
            slider->SetPos(parameter.m_nStartPos);
        }
    }
}

void ParameterPanel::WriteLabels()
{
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        if (m_labels[i] == nullptr)
            continue;
        const wxString text = wxString::FromUTF8(m_labelTexts[i]);
        // Only a changed text is set, so a label never flickers while a thumb is dragged.
        if (m_labels[i]->GetLabelText() != text)
            m_labels[i]->SetLabelText(text);
    }
}

void ParameterPanel::OnSliderScroll(wxScrollEvent& event)
{
    event.Skip();
    const SliderParameter* parameter = FindSliderParameter(event.GetId());
    if (parameter == nullptr)
        return;
    const BitmapSlider* slider = m_sliders[IndexOf(*parameter)];
    if (slider == nullptr || event.GetEventObject() != slider)
        return;
    StorePosition(*parameter, slider->GetPos());
    WriteLabels();
}

void ParameterPanel::FillSettings(GenerationSettings& settings) const
{
    ::FillSettings(m_positions, settings);
}

BitmapSlider* ParameterPanel::GetSlider(int sliderId) const
{
    const SliderParameter* parameter = FindSliderParameter(sliderId);
    return parameter ? m_sliders[IndexOf(*parameter)] : nullptr;
}

void ParameterPanel::StorePosition(const SliderParameter& parameter, int position)
{
    m_positions[IndexOf(parameter)] = position;
    m_labelTexts[IndexOf(parameter)] = ValueLabelText(parameter, position);
}
