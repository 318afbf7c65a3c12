#include "engine/parameters/parameter_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/synthesis/window_shape.h"

namespace {

// The read position's step reaches this many frames at a scanning range of 100 %.
constexpr int kWidestScanFrames = 500;

// The formulas of the desktop program's sliders, in integer arithmetic
// rounding down.

void ApplyScanRange(const ParameterValues& values, GenerationSettings& settings)
{
    // The step never falls below the gap between two grain starts, and grows
    // with the square of the scanning range up to 500 frames. Below 89 grains
    // a second the gap is wider than that: the step is the gap at every
    // range, so the reading moves on about as fast as the output.
    const int gap = kRunSampleRate / values.Whole(ParameterId::Density);
    const int range = values.Whole(ParameterId::ScanRange);
    const int widest = std::max(kWidestScanFrames, gap);
    settings.m_nScanFrames = gap + (widest - gap) * range * range / 10000;
}

void ApplySegment(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_nSegmentGrains = values.Whole(ParameterId::Segment) * values.Whole(ParameterId::Density);
}

void ApplyDensity(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_nGrainsPerSecond = values.Whole(ParameterId::Density);
}

void ApplyGrainLength(const ParameterValues& values, GenerationSettings& settings)
{
    // Milliseconds × 44.1, rounded down: 75 ms is 3307 frames.
    settings.m_nGrainFrames = values.Whole(ParameterId::GrainLength) * 441 / 10;
}

void ApplyVolume(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_dVolume = values.Whole(ParameterId::Volume) * 0.01;
}

void ApplyFade(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_nFadeSeconds = values.Whole(ParameterId::Fade);
}

void ApplyPitch(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_variation.m_dPitch = values.Get(ParameterId::Pitch);
}

void ApplyPitchSpread(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_variation.m_dPitchSpread = values.Get(ParameterId::PitchSpread);
}

void ApplyPitchSet(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_variation.m_pitchSet = values.GetPitchSet();
}

void ApplyPanSpread(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_variation.m_dPanSpread = values.Get(ParameterId::PanSpread) * 0.01;
}

void ApplyReverse(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_variation.m_dReverse = values.Get(ParameterId::Reverse) * 0.01;
}

void ApplyGainSpread(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_variation.m_dGainSpreadDb = values.Get(ParameterId::GainSpread);
}

void ApplyWindow(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_variation.m_window = AllWindowShapes()[static_cast<std::size_t>(values.Whole(ParameterId::Window))];
}

void ApplyLowCut(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_dLowCutHz = values.Get(ParameterId::LowCut);
}

void ApplyPan(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_shaping.m_dPan = values.Get(ParameterId::Pan);
}

void ApplyHighCut(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_shaping.m_dHighCutHz = values.Get(ParameterId::HighCut);
}

void ApplyToneLowCut(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_shaping.m_dToneLowCutHz = values.Get(ParameterId::ToneLowCut);
}

void ApplyToneSlope(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_shaping.m_nToneSlopeDb = values.Whole(ParameterId::ToneSlope);
}

std::span<const char* const> WindowNames()
{
    static const auto names = [] {
        std::vector<const char*> list;
        for (const WindowShape shape : AllWindowShapes())
            list.push_back(WindowShapeName(shape));
        return list;
    }();
    return names;
}

using Kind = ParameterKind;

std::array<ParameterRow, kParameterCount> MakeTable()
{
    return {{
        {ParameterId::ScanRange, "scan-range", "PERCENT", "%", "Scanning range in %",
         ": how far the reading wanders through the input", Kind::Whole, 1, 100, 1, 50, 0, false, true, {},
         ApplyScanRange},
        {ParameterId::Segment, "segment", "SECONDS", "s", "Average segment in seconds",
         ": how often the reading moves to a fresh place in the input", Kind::Whole, 1, 20, 1, 6, 0, false, true, {},
         ApplySegment},
        {ParameterId::Density, "density", "GRAINS", "grains/s", "Grain density in grains per second",
         ": below 500 (the desktop program's lowest) grains stand apart, a few long ones each heard on its own",
         Kind::Whole, 500, 10000, 50, 4000, 1, false, true, {}, ApplyDensity},
        {ParameterId::GrainLength, "grain-length", "MS", "ms", "Grain length in milliseconds", "", Kind::Whole, 50,
         2000, 25, 800, 0, false, true, {}, ApplyGrainLength},
        {ParameterId::Volume, "volume", "PERCENT", "%", "Volume in % of full scale",
         ": the peak level, or with --loudness its ceiling", Kind::Whole, 1, 100, 1, 50, 0, false, true, {},
         ApplyVolume},
        {ParameterId::Fade, "fade", "SECONDS", "s", "Fade in and out in seconds", "", Kind::Whole, 0, 10, 1, 3, 0,
         false, true, {}, ApplyFade},
        {ParameterId::Pitch, "pitch", "SEMITONES", "st", "Transposition of every grain in semitones",
         ", fractions allowed: 12 is an octave up, -7 a fifth down", Kind::Real, -24, 24, 0, 0, 0, false, false, {},
         ApplyPitch},
        {ParameterId::PitchSpread, "pitch-spread", "SEMITONES", "st", "Random transposition in semitones",
         ": each grain is transposed by a random amount within plus or minus half of this around --pitch",
         Kind::Real, 0, 24, 0, 0, 0, false, false, {}, ApplyPitchSpread},
        {ParameterId::PitchSet, "pitch-set", "LIST", "st", "Intervals in semitones",
         " each, separated by commas: each grain takes one of them at random, with equal chances, added to --pitch "
         "(and spread by --pitch-spread); 0,7,12 gives the root, the fifth and the octave",
         Kind::RealList, -24, 24, 0, 0, 0, false, false, {}, ApplyPitchSet},
        {ParameterId::PanSpread, "pan-spread", "PERCENT", "%", "Stereo spread in %",
         ": each grain is placed at a random position up to this far from the centre, with equal power; 0 keeps "
         "both channels as the input has them",
         Kind::Whole, 0, 100, 1, 0, 0, false, false, {}, ApplyPanSpread},
        {ParameterId::Reverse, "reverse", "PERCENT", "%", "Reversed grains in %",
         ": this share of the grains, chosen at random, is read backwards", Kind::Whole, 0, 100, 1, 0, 0, false,
         false, {}, ApplyReverse},
        {ParameterId::Window, "window", "SHAPE", "", "Envelope of every grain",
         ": hann rises and falls as a cosine (the desktop program's), tukey is flat in the middle, gaussian a "
         "bell, triangle a straight rise and fall, decay a short attack and a long fall, swell a long rise and a "
         "short release; the manual page gives their formulas",
         Kind::Choice, 0, 0, 0, 0, 0, false, false, WindowNames(), ApplyWindow},
        {ParameterId::LowCut, "low-cut", "HZ", "Hz", "High-pass the input at this frequency in Hz",
         ", before synthesis and without shifting anything in time: takes out rumble and drift that would "
         "otherwise build up below 20 Hz; off unless given",
         Kind::Real, 5, 200, 0, 0, 0, true, false, {}, ApplyLowCut},
        {ParameterId::Pan, "pan", "POSITION", "", "Place in the stereo field",
         ", -100 hard left, 0 the centre, 100 hard right, with equal power: the whole sound, after its grains",
         Kind::Real, -100, 100, 0, 0, 0, false, false, {}, ApplyPan},
        {ParameterId::HighCut, "high-cut", "HZ", "Hz", "Low-pass the sound at this frequency in Hz",
         ", after its grains, at the slope of --tone-slope: lower is darker; it may move without clicks; 20000 "
         "leaves the sound open",
         Kind::Real, 20, 20000, 0, 20000, 0, false, false, {}, ApplyHighCut},
        {ParameterId::ToneLowCut, "tone-low-cut", "HZ", "Hz", "High-pass the sound at this frequency in Hz",
         ", after its grains, at the slope of --tone-slope: higher is thinner; unlike --low-cut it may move, "
         "without clicks; 0 leaves the sound open",
         Kind::Real, 0, 2000, 0, 0, 0, false, false, {}, ApplyToneLowCut},
        {ParameterId::ToneSlope, "tone-slope", "DB", "dB/octave",
         "Slope of --high-cut and --tone-low-cut in dB per octave", ": 12 is gentle, 24 steep", Kind::Whole, 12, 24, 12, 12, 0, false, false, {},
         ApplyToneSlope},
        {ParameterId::GainSpread, "gain-spread", "DB", "dB", "Random level of each grain in dB",
         ": each grain is made quieter by a random amount up to this, drawn evenly in decibels; 0 gives every "
         "grain the same level",
         Kind::Real, 0, 40, 0, 0, 0, false, false, {}, ApplyGainSpread},
    }};
}

}  // namespace

std::span<const ParameterRow> ParameterTable()
{
    static const std::array<ParameterRow, kParameterCount> table = MakeTable();
    return table;
}

const ParameterRow& RowOf(ParameterId id)
{
    return ParameterTable()[static_cast<std::size_t>(IndexOf(id))];
}

const ParameterRow* FindParameter(std::string_view name)
{
    for (const ParameterRow& row : ParameterTable()) {
        const std::string_view rowName = row.m_szName;
        const bool same = rowName.size() == name.size() &&
                          std::equal(rowName.begin(), rowName.end(), name.begin(), [](char a, char b) {
                              return a == b || (a == '-' && b == '_');
                          });
        if (same)
            return &row;
    }
    return nullptr;
}

double LowestOf(const ParameterRow& row)
{
    return row.m_dLowestOffDesktop > 0.0 ? row.m_dLowestOffDesktop : row.m_dMinimum;
}

bool IsAllowedValue(const ParameterRow& row, double value)
{
    if (!std::isfinite(value))
        return false;
    if (row.m_bZeroIsOff && value == 0.0)
        return true;
    switch (row.m_kind) {
    case ParameterKind::Choice:
        return value >= 0 && value < static_cast<double>(row.m_choices.size()) && value == std::trunc(value);
    case ParameterKind::Whole:
        if (value >= LowestOf(row) && value < row.m_dMinimum)
            return value == std::trunc(value);
        return value >= row.m_dMinimum && value <= row.m_dMaximum &&
               std::fmod(value - row.m_dMinimum, row.m_dStep) == 0.0;
    case ParameterKind::Real:
    case ParameterKind::RealList:
        break;
    }
    return value >= row.m_dMinimum && value <= row.m_dMaximum;
}

void ApplyParameters(const ParameterValues& values, GenerationSettings& settings)
{
    for (const ParameterRow& row : ParameterTable())
        row.m_apply(values, settings);
}
