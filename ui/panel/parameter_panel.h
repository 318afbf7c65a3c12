// The parameter panel: six bitmap sliders, each with a value label beside it,
// and the slider positions they stand for.
#pragma once

#include <wx/event.h>

#include <array>
#include <string>

#include "engine/run/generation_settings.h"
#include "ui/panel/slider_parameters.h"

class BitmapSlider;
class wxStaticText;
struct MainWindowControls;

// The positions kept here are what a run is built from; they change only
// through the sliders' notifications and RestoreSliders.
class ParameterPanel {
public:
    ParameterPanel() = default;
    ParameterPanel(const ParameterPanel&) = delete;
    ParameterPanel& operator=(const ParameterPanel&) = delete;

    // Takes the six sliders and their labels and listens to every scroll
    // notification of the sliders (dragging included); false if one is missing.
    bool Attach(const MainWindowControls& controls);

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

private:
    // A slider moved: its position is stored and its new value shown at once;
    // the notification then goes on to the window as usual.
    void OnSliderScroll(wxScrollEvent& event);
    void StorePosition(const SliderParameter& parameter, int position);

    std::array<BitmapSlider*, kSliderCount> m_sliders{};
    std::array<wxStaticText*, kSliderCount> m_labels{};
    std::array<std::string, kSliderCount> m_labelTexts;
    PanelPositions m_positions{};
};
