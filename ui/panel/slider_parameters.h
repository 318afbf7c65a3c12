// The parameter sliders of the desktop program: each is a row of the
// parameter table (its range, step, start value and formula), shown by a
// slider and a value label; the slider positions turned into the sound
// fields of a run.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "engine/run/generation_settings.h"
#include "engine/parameters/parameter_table.h"
#include "engine/parameters/parameter_values.h"

inline constexpr std::size_t kSliderCount = DesktopParameterCount();

// The positions of the sliders, in the order of kSliderParameters: the
// panel's truth, from which a run is built.
using PanelPositions = std::array<int, kSliderCount>;

// One slider of the parameter panel and the value label beside it. A row that
// steps by 1 has its values as positions; any other counts its steps from 0
// (grain density: position 0 is 500 grains per second, each step 50 more).
struct SliderParameter {
    int m_nSliderId;
    int m_nLabelId;
    ParameterId m_parameter;
    int m_nMinPos;
    int m_nMaxPos;
    int m_nStartPos;
    int m_nScale;  // shown value = scale × position + offset
    int m_nOffset;
};

// The sliders from the top of the left column to the bottom of the right one.
extern const std::array<SliderParameter, kSliderCount> kSliderParameters;
// The order in which the defaults are put back: volume, fade, scanning range,
// average segment, grain density, grain length.
extern const std::array<int, kSliderCount> kRestoreOrder;

// The slider with that control id, or nullptr.
const SliderParameter* FindSliderParameter(int sliderId);
// Where a slider stands in kSliderParameters (and in PanelPositions).
std::size_t SliderIndexOf(const SliderParameter& parameter);

int ShownValue(const SliderParameter& parameter, int position);
// The value label's text: the shown value as "%d".
std::string ValueLabelText(const SliderParameter& parameter, int position);

// Every slider at its start position.
PanelPositions StartPositions();

// The parameters as the labels show them for these positions (the others at
// their defaults).
ParameterValues ToParameterValues(const PanelPositions& positions);
// Sets the sound fields of settings from the positions (paths and duration
// are the caller's).
void FillSettings(const PanelPositions& positions, GenerationSettings& settings);
