// The sound parameters a run can be given, by name in the code.
#pragma once

// In the order of the parameter table. The first six are the desktop
// program's sliders.
enum class ParameterId {
    ScanRange,
    Segment,
    Density,
    GrainLength,
    Volume,
    Fade,
    Pitch,
    PitchSpread,
    PitchSet,
    PanSpread,
    Reverse,
    Window,
    LowCut,
    Pan,
    HighCut,
    ToneLowCut,
    ToneSlope,
    GainSpread,
};

inline constexpr int kParameterCount = static_cast<int>(ParameterId::GainSpread) + 1;

constexpr int IndexOf(ParameterId id)
{
    return static_cast<int>(id);
}
