// The parameter panel: six bitmap sliders, each with a value label beside it,
// and the slider positions they stand for.
#pragma once

#include <wx/event.h>

#include <array>
#include <string>

#include "engine/generation_settings.h"
#include "ui/panel/slider_parameters.h"

class BitmapSlider;
class wxStaticText;
class wxWindow;

// Works on the window's sliders and value labels, found by control id. The
// positions kept here are what a run is built from; they change only through
// the sliders' notifications and RestoreSliders.
class ParameterPanel {
public:
    ParameterPanel() = default;
    ParameterPanel(const ParameterPanel&) = delete;
    ParameterPanel& operator=(const ParameterPanel&) = delete;

    // Finds the six sliders and their labels in window; false if one is missing.
    bool Attach(wxWindow& window);

    // Every slider back to its start: position stored, range and position set,
    // label text made, in the order volume, fade, scanning range, average
    // segment, grain density, grain length. The labels show the texts after WriteLabels.
    void RestoreSliders();
    // Shows the six label texts in their labels.
    void WriteLabels();

    // Any scroll notification of any child of the window (dragging included):
    // from one of the six sliders it stores the position and shows the new
    // value at once; from anything else it changes nothing.
    void OnSliderScroll(const wxScrollEvent& event);

    // The six sound fields of a run, from the positions.
    void FillSettings(GenerationSettings& settings) const;

    const PanelPositions& GetPositions() const { return m_positions; }
    BitmapSlider* GetSlider(int sliderId) const;
    const std::string& GetLabelText(int labelId) const;

private:
    void StorePosition(const SliderParameter& parameter, int position);

    std::array<BitmapSlider*, 6> m_sliders{};
    std::array<wxStaticText*, 6> m_labels{};
    std::array<std::string, 6> m_labelTexts;
    PanelPositions m_positions;
};
