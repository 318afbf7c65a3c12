#include "ui/panel/slider_parameters.h"

#include "ui/dialog_template/main_window_ids.h"

const std::array<SliderParameter, 6> kSliderParameters = {{
    {IDC_SCAN_RANGE, IDC_SCAN_RANGE_VALUE, 1, 100, 50, 1, 0, &PanelPositions::m_nScanRangePos},
    {IDC_SEGMENT, IDC_SEGMENT_VALUE, 1, 20, 6, 1, 0, &PanelPositions::m_nSegmentPos},
    {IDC_DENSITY, IDC_DENSITY_VALUE, 0, 190, 70, 50, 500, &PanelPositions::m_nDensityPos},
    {IDC_GRAIN_LENGTH, IDC_GRAIN_LENGTH_VALUE, 0, 78, 30, 25, 50, &PanelPositions::m_nGrainLengthPos},
    {IDC_VOLUME, IDC_VOLUME_VALUE, 1, 100, 50, 1, 0, &PanelPositions::m_nVolumePos},
    {IDC_FADE, IDC_FADE_VALUE, 0, 10, 3, 1, 0, &PanelPositions::m_nFadePos},
}};

const std::array<int, 6> kRestoreOrder = {IDC_VOLUME, IDC_FADE, IDC_SCAN_RANGE, IDC_SEGMENT, IDC_DENSITY,
                                          IDC_GRAIN_LENGTH};

const SliderParameter* FindSliderParameter(int sliderId)
{
    for (const SliderParameter& parameter : kSliderParameters) {
        if (parameter.m_nSliderId == sliderId)
            return &parameter;
    }
    return nullptr;
}

int ShownValue(const SliderParameter& parameter, int position)
{
    return parameter.m_nScale * position + parameter.m_nOffset;
}

std::string ValueLabelText(const SliderParameter& parameter, int position)
{
    return std::to_string(ShownValue(parameter, position));
}

PanelPositions StartPositions()
{
    PanelPositions positions;
    for (const SliderParameter& parameter : kSliderParameters)
        positions.*parameter.m_pPosition = parameter.m_nStartPos;
    return positions;
}

PanelValues ToPanelValues(const PanelPositions& positions)
{
    const auto shown = [&](int sliderId) {
        const SliderParameter& parameter = *FindSliderParameter(sliderId);
        return ShownValue(parameter, positions.*parameter.m_pPosition);
    };
    PanelValues values;
    values.m_nScanRange = shown(IDC_SCAN_RANGE);
    values.m_nSegment = shown(IDC_SEGMENT);
    values.m_nDensity = shown(IDC_DENSITY);
    values.m_nGrainLength = shown(IDC_GRAIN_LENGTH);
    values.m_nVolume = shown(IDC_VOLUME);
    values.m_nFade = shown(IDC_FADE);
    return values;
}

void FillSettings(const PanelPositions& positions, GenerationSettings& settings)
{
    // The engine's mapping works on the shown values: milliseconds, grains per
    // second, percent and seconds.
    FillSettings(ToPanelValues(positions), settings);
}
