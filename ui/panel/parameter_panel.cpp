#include "ui/panel/parameter_panel.h"

#include <wx/stattext.h>

#include "ui/controls/bitmap_slider.h"

namespace {

std::size_t IndexOf(const SliderParameter& parameter)
{
    return static_cast<std::size_t>(&parameter - kSliderParameters.data());
}

}  // namespace

bool ParameterPanel::Attach(wxWindow& window)
{
    bool complete = true;
    for (const SliderParameter& parameter : kSliderParameters) {
        const std::size_t i = IndexOf(parameter);
        m_sliders[i] = dynamic_cast<BitmapSlider*>(window.FindWindow(parameter.m_nSliderId));
        m_labels[i] = wxDynamicCast(window.FindWindow(parameter.m_nLabelId), wxStaticText);
        complete = complete && m_sliders[i] && m_labels[i];
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

void ParameterPanel::OnSliderScroll(const wxScrollEvent& event)
{
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

const std::string& ParameterPanel::GetLabelText(int labelId) const
{
    static const std::string none;
    for (const SliderParameter& parameter : kSliderParameters) {
        if (parameter.m_nLabelId == labelId)
            return m_labelTexts[IndexOf(parameter)];
    }
    return none;
}

void ParameterPanel::StorePosition(const SliderParameter& parameter, int position)
{
    m_positions.*parameter.m_pPosition = position;
    m_labelTexts[IndexOf(parameter)] = ValueLabelText(parameter, position);
}
