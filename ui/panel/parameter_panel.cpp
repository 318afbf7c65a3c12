#include "parameter_panel.h"

#include <wx/stattext.h>

#include "bitmap_slider.h"
#include "control_ids.h"
#include "resource_ids.h"

namespace {

struct ControlPlace {
    int m_nId;
    DialogRect m_rect;
};

constexpr std::array<ControlPlace, 6> kSliderPlaces = {{
    {IDC_SCAN_RANGE, {134, 111, 47, 14}},
    {IDC_SEGMENT, {134, 129, 47, 14}},
    {IDC_DENSITY, {134, 155, 47, 14}},
    {IDC_GRAIN_LENGTH, {134, 174, 47, 14}},
    {IDC_VOLUME, {327, 71, 47, 14}},
    {IDC_FADE, {327, 89, 47, 14}},
}};

// The density and grain-length labels are wider: they show four digits.
constexpr std::array<ControlPlace, 6> kLabelPlaces = {{
    {IDC_SCAN_RANGE_VALUE, {119, 114, 14, 11}},
    {IDC_SEGMENT_VALUE, {119, 132, 14, 11}},
    {IDC_DENSITY_VALUE, {114, 158, 19, 11}},
    {IDC_GRAIN_LENGTH_VALUE, {114, 177, 19, 11}},
    {IDC_VOLUME_VALUE, {311, 74, 14, 11}},
    {IDC_FADE_VALUE, {311, 92, 14, 11}},
}};

// Every notification a slider sends while it moves or when a move ends.
const wxEventTypeTag<wxScrollEvent>* const kScrollEvents[] = {
    &wxEVT_SCROLL_TOP,      &wxEVT_SCROLL_BOTTOM,     &wxEVT_SCROLL_LINEUP,       &wxEVT_SCROLL_LINEDOWN,
    &wxEVT_SCROLL_PAGEUP,   &wxEVT_SCROLL_PAGEDOWN,   &wxEVT_SCROLL_THUMBTRACK,   &wxEVT_SCROLL_THUMBRELEASE,
    &wxEVT_SCROLL_CHANGED,
};

DialogRect PlaceOf(const std::array<ControlPlace, 6>& places, int id)
{
    for (const ControlPlace& place : places) {
        if (place.m_nId == id)
            return place.m_rect;
    }
    return {0, 0, 0, 0};
}

}  // namespace

DialogRect ParameterPanel::SliderPlace(int sliderId)
{
    return PlaceOf(kSliderPlaces, sliderId);
}

DialogRect ParameterPanel::LabelPlace(int labelId)
{
    return PlaceOf(kLabelPlaces, labelId);
}

void ParameterPanel::Create(wxWindow* parent, const DialogRectToPixels& toPixels)
{
    for (std::size_t i = 0; i < kSliderParameters.size(); ++i) {
        const SliderParameter& parameter = kSliderParameters[i];
        const wxRect sliderRect = toPixels(SliderPlace(parameter.m_nSliderId));
        auto* slider = new BitmapSlider(parent, parameter.m_nSliderId, sliderRect.GetPosition(), sliderRect.GetSize());
        slider->LoadPictures(IDB_SLIDER_CHANNEL, IDB_SLIDER_THUMB);
        for (const wxEventTypeTag<wxScrollEvent>* type : kScrollEvents)
            slider->Bind(*type, &ParameterPanel::OnSliderScroll, this);
        m_sliders[i] = slider;

        const wxRect labelRect = toPixels(LabelPlace(parameter.m_nLabelId));
        m_labels[i] = new wxStaticText(parent, parameter.m_nLabelId, wxEmptyString, labelRect.GetPosition(),
                                       labelRect.GetSize(), wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
    }
}

void ParameterPanel::RestoreSliders()
{
    for (int sliderId : kRestoreOrder) {
        const SliderParameter& parameter = *FindSliderParameter(sliderId);
        BitmapSlider* slider = m_sliders[IndexOf(sliderId)];
        StorePosition(parameter, parameter.m_nStartPos);
        slider->SetRange(parameter.m_nMinPos, parameter.m_nMaxPos, false);
        slider->SetPos(parameter.m_nStartPos);
    }
}

void ParameterPanel::WriteLabels()
{
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        const wxString text = wxString::FromUTF8(m_labelTexts[i]);
        // Only a changed text is set, so a label never flickers while a thumb is dragged.
        if (m_labels[i]->GetLabelText() != text)
            m_labels[i]->SetLabelText(text);
    }
}

void ParameterPanel::FillSettings(GenerationSettings& settings) const
{
    ::FillSettings(m_positions, settings);
}

BitmapSlider* ParameterPanel::GetSlider(int sliderId) const
{
    return FindSliderParameter(sliderId) ? m_sliders[IndexOf(sliderId)] : nullptr;
}

wxStaticText* ParameterPanel::GetLabel(int labelId) const
{
    for (std::size_t i = 0; i < kSliderParameters.size(); ++i) {
        if (kSliderParameters[i].m_nLabelId == labelId)
            return m_labels[i];
    }
    return nullptr;
}

const std::string& ParameterPanel::GetLabelText(int labelId) const
{
    static const std::string none;
    for (std::size_t i = 0; i < kSliderParameters.size(); ++i) {
        if (kSliderParameters[i].m_nLabelId == labelId)
            return m_labelTexts[i];
    }
    return none;
}

void ParameterPanel::OnSliderScroll(wxScrollEvent& event)
{
    const SliderParameter* parameter = FindSliderParameter(event.GetId());
    const BitmapSlider* slider = parameter ? m_sliders[IndexOf(parameter->m_nSliderId)] : nullptr;
    if (slider != nullptr && event.GetEventObject() == slider) {
        StorePosition(*parameter, slider->GetPos());
        WriteLabels();
    }
    // The notification goes on to the window as any slider's would.
    event.Skip();
}

void ParameterPanel::StorePosition(const SliderParameter& parameter, int position)
{
    m_positions.*parameter.m_pPosition = position;
    m_labelTexts[IndexOf(parameter.m_nSliderId)] = ValueLabelText(parameter, position);
}

std::size_t ParameterPanel::IndexOf(int sliderId) const
{
    for (std::size_t i = 0; i < kSliderParameters.size(); ++i) {
        if (kSliderParameters[i].m_nSliderId == sliderId)
            return i;
    }
    return 0;
}
