// The six parameter sliders: identity, range, start position and shown value,
// and the slider positions turned into the sound fields of a run.
#pragma once

#include <array>
#include <string>

#include "engine/generation_settings.h"
#include "engine/panel_settings.h"

// The positions of the six sliders: the panel's truth, from which a run is built.
struct PanelPositions {
    int m_nScanRangePos = 0;    // percent
    int m_nSegmentPos = 0;      // seconds
    int m_nDensityPos = 0;      // density is 50 × position + 500 grains per second
    int m_nGrainLengthPos = 0;  // length is 25 × position + 50 milliseconds
    int m_nVolumePos = 0;       // percent
    int m_nFadePos = 0;         // seconds
};

// One slider of the parameter panel and the value label beside it.
struct SliderParameter {
    int m_nSliderId;
    int m_nLabelId;
    int m_nMinPos;
    int m_nMaxPos;
    int m_nStartPos;
    int m_nScale;  // shown value = scale × position + offset
    int m_nOffset;
    int PanelPositions::*m_pPosition;  // where the panel keeps this slider's position
};

// The six sliders from the top of the left column to the bottom of the right one.
extern const std::array<SliderParameter, 6> kSliderParameters;
// The order in which the defaults are put back: volume, fade, scanning range,
// average segment, grain density, grain length.
extern const std::array<int, 6> kRestoreOrder;

// The slider with that control id, or nullptr.
const SliderParameter* FindSliderParameter(int sliderId);

int ShownValue(const SliderParameter& parameter, int position);
// The value label's text: the shown value as "%d".
std::string ValueLabelText(const SliderParameter& parameter, int position);

// Every slider at its start position.
PanelPositions StartPositions();

// The values the labels show for these positions.
PanelValues ToPanelValues(const PanelPositions& positions);
// Sets the six sound fields of settings from the positions (paths and
// duration are the caller's).
void FillSettings(const PanelPositions& positions, GenerationSettings& settings);
