#include "ui/panel/slider_parameters.h"

#include "ui/dialog_template/main_window_ids.h"

namespace {

// The controls that show each of the desktop's parameters.
struct SliderControls {
    ParameterId m_parameter;
    int m_nSliderId;
    int m_nLabelId;
};

constexpr SliderControls kControls[] = {
    {ParameterId::ScanRange, IDC_SCAN_RANGE, IDC_SCAN_RANGE_VALUE},
    {ParameterId::Segment, IDC_SEGMENT, IDC_SEGMENT_VALUE},
    {ParameterId::Density, IDC_DENSITY, IDC_DENSITY_VALUE},
    {ParameterId::GrainLength, IDC_GRAIN_LENGTH, IDC_GRAIN_LENGTH_VALUE},
    {ParameterId::Volume, IDC_VOLUME, IDC_VOLUME_VALUE},
    {ParameterId::Fade, IDC_FADE, IDC_FADE_VALUE},
};

const SliderControls& ControlsOf(ParameterId id)
{
    for (const SliderControls& controls : kControls) {
        if (controls.m_parameter == id)
            return controls;
    }
    return kControls[0];
}

SliderParameter SliderOf(ParameterId id)
{
    const ParameterRow& row = RowOf(id);
    const SliderControls& controls = ControlsOf(id);
    const auto minimum = static_cast<int>(row.m_dMinimum);
    const auto maximum = static_cast<int>(row.m_dMaximum);
    const auto step = static_cast<int>(row.m_dStep);
    const auto start = static_cast<int>(row.m_dDefault);
    if (step == 1)
        return {controls.m_nSliderId, controls.m_nLabelId, id, minimum, maximum, start, 1, 0};
    return {controls.m_nSliderId, controls.m_nLabelId, id, 0, (maximum - minimum) / step, (start - minimum) / step,
            step, minimum};
}

std::array<SliderParameter, kSliderCount> MakeSliders()
{
    std::array<SliderParameter, kSliderCount> sliders{};
    const auto shown = DesktopParameters();
    for (std::size_t i = 0; i < kSliderCount; ++i)
        sliders[i] = SliderOf(shown[i]);
    return sliders;
}

}  // namespace

const std::array<SliderParameter, kSliderCount> kSliderParameters = MakeSliders();

const std::array<int, kSliderCount> kRestoreOrder = {IDC_VOLUME, IDC_FADE, IDC_SCAN_RANGE, IDC_SEGMENT, IDC_DENSITY,
                                                     IDC_GRAIN_LENGTH};

const SliderParameter* FindSliderParameter(int sliderId)
{
    for (const SliderParameter& parameter : kSliderParameters) {
        if (parameter.m_nSliderId == sliderId)
            return &parameter;
    }
    return nullptr;
}

std::size_t SliderIndexOf(const SliderParameter& parameter)
{
    return static_cast<std::size_t>(&parameter - kSliderParameters.data());
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
    PanelPositions positions{};
    for (std::size_t i = 0; i < kSliderCount; ++i)
        positions[i] = kSliderParameters[i].m_nStartPos;
    return positions;
}

ParameterValues ToParameterValues(const PanelPositions& positions)
{
    ParameterValues values;
    for (std::size_t i = 0; i < kSliderCount; ++i)
        values.Set(kSliderParameters[i].m_parameter, ShownValue(kSliderParameters[i], positions[i]));
    return values;
}

void FillSettings(const PanelPositions& positions, GenerationSettings& settings)
{
    // The formulas work on the shown values: milliseconds, grains per second,
    // percent and seconds.
    ApplyParameters(ToParameterValues(positions), settings);
}
