// The parameter panel: six bitmap sliders, each with a value label beside it,
// and the slider positions they stand for.
#pragma once

#include <wx/event.h>

#include <array>
#include <string>

#include "dialog_rect.h"
#include "generation_settings.h"
#include "slider_parameters.h"

class BitmapSlider;
class wxStaticText;
class wxWindow;

// The positions kept here are what a run is built from; they change only
// through the sliders' notifications and RestoreSliders. Every notification
// of a slider (while dragging too) stores its position and shows the new value
// at once; the notification then goes on to the parent as usual.
class ParameterPanel {
public:
    ParameterPanel() = default;
    ParameterPanel(const ParameterPanel&) = delete;
    ParameterPanel& operator=(const ParameterPanel&) = delete;

    // Creates the sliders (channel picture 133, thumb picture 135, no ticks)
    // and their value labels on parent at their places.
    void Create(wxWindow* parent, const DialogRectToPixels& toPixels);

    // Every slider back to its start: position stored, range and position set,
    // label text made, in the order volume, fade, scanning range, average
    // segment, grain density, grain length. The labels show the texts after WriteLabels.
    void RestoreSliders();
    // Shows the six label texts in their labels.
    void WriteLabels();

    // The six sound fields of a run, from the positions.
    void FillSettings(GenerationSettings& settings) const;

    const PanelPositions& GetPositions() const { return m_positions; }
    BitmapSlider* GetSlider(int sliderId) const;
    wxStaticText* GetLabel(int labelId) const;
    const std::string& GetLabelText(int labelId) const;

    // The places of the sliders and labels in dialog units, by control id.
    static DialogRect SliderPlace(int sliderId);
    static DialogRect LabelPlace(int labelId);

private:
    void OnSliderScroll(wxScrollEvent& event);
    void StorePosition(const SliderParameter& parameter, int position);
    std::size_t IndexOf(int sliderId) const;

    std::array<BitmapSlider*, 6> m_sliders{};
    std::array<wxStaticText*, 6> m_labels{};
    std::array<std::string, 6> m_labelTexts;
    PanelPositions m_positions;
};
