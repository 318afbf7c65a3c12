// Every sound parameter once: its name, unit, allowed values, default, help
// text and how its value turns into the settings of a run. The engine's
// settings, sonnelith-cli's options and help and the desktop program's
// sliders are all made from this table.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "engine/generation_settings.h"
#include "engine/parameters/parameter_id.h"
#include "engine/parameters/parameter_values.h"

enum class ParameterKind {
    Whole,     // minimum, minimum + step, ... up to maximum
    Real,      // any number from minimum to maximum
    RealList,  // one or more numbers, each from minimum to maximum
    Choice,    // one of the names in choices; the value is its index
};

struct ParameterRow {
    ParameterId m_id;
    const char* m_szName;       // "scan-range": the option --scan-range, the score key scan_range
    const char* m_szValueName;  // "PERCENT": what the help calls the value
    const char* m_szUnit;       // "%", "s", "ms": the unit of the value
    const char* m_szWhat;       // "Scanning range in %": the help's opening words
    const char* m_szRemark;     // what follows the allowed values in the help, from its ": " on
    ParameterKind m_kind;
    double m_dMinimum;
    double m_dMaximum;
    double m_dStep;             // Whole: the step between allowed values
    double m_dDefault;          // Choice: the index of the default name
    // Whole: every whole number from this up to m_dMinimum is allowed too,
    // except on the desktop, whose slider keeps m_dMinimum (0: none below).
    double m_dLowestOffDesktop;
    bool m_bZeroIsOff;          // 0 stands for "off" and is allowed besides the range
    bool m_bOnDesktop;          // one of the desktop program's sliders
    std::span<const char* const> m_choices;
    // Sets the fields of settings that this parameter decides. Reads only
    // values, so the rows can be applied in any order.
    void (*m_apply)(const ParameterValues& values, GenerationSettings& settings);
};

// The rows in the order of ParameterId.
std::span<const ParameterRow> ParameterTable();
const ParameterRow& RowOf(ParameterId id);
// The row named name, written with '-' or '_' between words; null if none.
const ParameterRow* FindParameter(std::string_view name);

// The desktop program's sliders, from the top of its left column to the
// bottom of its right one.
inline constexpr std::array<ParameterId, 6> kDesktopParameters = {
    ParameterId::ScanRange, ParameterId::Segment, ParameterId::Density,
    ParameterId::GrainLength, ParameterId::Volume, ParameterId::Fade};

// The lowest value the command line and scores allow.
double LowestOf(const ParameterRow& row);

// Whether the row allows value (a number, an index for a choice; each
// interval of a list alone).
bool IsAllowedValue(const ParameterRow& row, double value);

// Sets the sound fields of settings (not the paths, not the duration) from
// allowed values.
void ApplyParameters(const ParameterValues& values, GenerationSettings& settings);
