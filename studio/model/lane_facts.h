// The lines a layer can show over the track: one for each parameter of the
// parameter table that a keyframe can move, and one for the layer's gain.
// Everything a lane needs to know of its parameter (name, unit, range, step,
// kind, whether it drifts) comes from the table, so a parameter added there
// appears as a lane without any change here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/parameters/parameter_id.h"

namespace studio {

// A lane: a parameter of the table, or the layer's gain.
struct LaneKey {
    std::optional<ParameterId> m_parameter;  // none: the gain

    static LaneKey Gain() { return {}; }
    static LaneKey Of(ParameterId id) { return LaneKey{id}; }
    bool IsGain() const { return !m_parameter; }
    auto operator<=>(const LaneKey&) const = default;
};

enum class LaneKind {
    Number,  // a line through values in a unit (whole or real numbers, gain in dB)
    Choice,  // one of a few names, changing at keyframes (a window shape)
    List,    // a list of numbers, changing at keyframes (a pitch set)
};

struct LaneFacts {
    LaneKey m_key;
    std::string m_strLabel;   // "Grain length"
    std::string m_strUnit;    // "ms"; empty when the value has none
    std::string m_strWhat;    // the table's description, for a tooltip
    std::string m_strScoreKey;  // "grain_length"
    LaneKind m_kind = LaneKind::Number;
    double m_dLowest = 0.0;
    double m_dHighest = 0.0;
    double m_dStep = 0.0;      // > 0: only lowest + k × step, or from m_dStepFrom on
    // Above m_dLowest: the step counts from here, and below it every whole
    // number from m_dLowest is allowed (the density's sparse grains, off the
    // desktop's slider).
    double m_dStepFrom = 0.0;
    bool m_bSilentBelow = false;  // the gain: minus infinity (silent) besides the range
    bool m_bCanDrift = false;
    std::vector<std::string> m_choices;  // a choice's names
};

// Every lane a layer can show, the gain first, then the table's movable
// parameters in the table's order.
std::vector<LaneKey> AllLanes();
LaneFacts FactsOf(LaneKey key);

// The layer's parameters that are its own (not the whole score's), in the
// table's order: what the layer inspector shows. Includes those that cannot
// move, such as the low cut.
std::vector<ParameterId> LayerParameters();
bool IsMovable(ParameterId id);

// value kept to what the lane allows: inside its range (or minus infinity
// for a silent gain), on its step.
double KeepValue(const LaneFacts& facts, double value);

// The finest step a drag moves a value by: the table's step for whole
// numbers, else a round fraction of the range (a tenth of it with fine set).
double DragResolution(const LaneFacts& facts, bool fine);
// value rounded to resolution (a multiple of it from the range's low end for
// whole numbers), then kept.
double SnapValue(const LaneFacts& facts, double value, double resolution);

// "800 ms", "-6 dB", "silent", "tukey", "0, 7, 12 st".
std::string FormatLaneValue(const LaneFacts& facts, double value);
std::string FormatLaneList(const LaneFacts& facts, const std::vector<double>& values);
// Reads what a person types for a value ("800", "-6", "-inf", "tukey");
// nothing when it is not allowed. A number lane also takes its unit after
// the number ("800 ms").
std::optional<double> ParseLaneValue(const LaneFacts& facts, const std::string& text);
std::optional<std::vector<double>> ParseLaneList(const LaneFacts& facts, const std::string& text);
// What the lane allows, for a message: "50 to 2000 in steps of 25 ms".
std::string DescribeLaneRange(const LaneFacts& facts);

}  // namespace studio
