// Every sound parameter once: its name and score key, unit, allowed values,
// default, help text, where it lives in a score and what can move it, and the
// stable ids of its random streams. sonnelith-cli's options and help, the
// score files, the desktop program's sliders, the automation and the grain
// draws all read this table; nothing else defines a parameter.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "engine/parameters/parameter_id.h"
#include "engine/parameters/parameter_values.h"

enum class ParameterKind {
    Whole,     // minimum, minimum + step, ... up to maximum
    Real,      // any number from minimum to maximum
    RealList,  // one or more numbers, each from minimum to maximum
    Choice,    // one of the names in choices; the value is its index
};

// Where a parameter's value lives in a score.
enum class ParameterScope {
    Track,  // the score's own, at its top: one for the whole mix
    Layer,  // each layer's own
};

struct ParameterRow {
    ParameterId m_id;
    const char* m_szName;       // "scan-range": the option --scan-range
    const char* m_szScoreKey;   // "scan_range": its key in a score
    const char* m_szValueName;  // "PERCENT": what the help calls the value
    const char* m_szUnit;       // "%", "s", "ms": the unit of the value
    const char* m_szWhat;       // "Scanning range in %": the help's opening words
    const char* m_szRemark;     // what follows the allowed values in the help, from its ": " on
    ParameterKind m_kind;
    double m_dMinimum;
    double m_dMaximum;
    double m_dStep = 0;         // Whole: the step between allowed values
    double m_dDefault = 0;      // Choice: the index of the default name
    // Whole: every whole number from this up to m_dMinimum is allowed too,
    // except on the desktop, whose slider keeps m_dMinimum (0: none below).
    double m_dLowestOffDesktop = 0;
    bool m_bZeroIsOff = false;  // 0 stands for "off" and is allowed besides the range
    std::span<const char* const> m_choices = {};

    ParameterScope m_scope = ParameterScope::Layer;
    bool m_bMoves = false;          // keyframes move it over the track
    bool m_bDrifts = false;         // drift moves it around its line
    bool m_bOnDesktop = false;      // a slider of the desktop program, in the table's order
    bool m_bAlwaysWritten = false;  // a written score gives it whatever its value

    // The ids of its random streams. They are part of every seeded output
    // that uses them: never change one, and give a new row ids no other row
    // has (a test holds them).
    std::uint32_t m_nDriftLane = 0;    // its drift's lane among its layer's, 0 to kLastDriftLane
    std::uint32_t m_nGrainStream = 0;  // the stream its per-grain draws come from; 0: it draws none
};

// Drift lanes above this belong to what is no parameter (a layer's gain).
inline constexpr std::uint32_t kLastDriftLane = 62;

// The names of the window's shapes, in the order of WindowShape.
inline constexpr const char* kWindowChoices[] = {"hann", "tukey", "gaussian", "triangle", "decay", "swell"};



inline constexpr std::array<ParameterRow, kParameterCount> kParameterRows = {{
    {.m_id = ParameterId::ScanRange, .m_szName = "scan-range", .m_szScoreKey = "scan_range",
     .m_szValueName = "PERCENT", .m_szUnit = "%", .m_szWhat = "Scanning range in %",
     .m_szRemark = ": how far the reading wanders through the input",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 1, .m_dMaximum = 100, .m_dStep = 1, .m_dDefault = 50,
     .m_bMoves = true, .m_bDrifts = true, .m_bOnDesktop = true, .m_bAlwaysWritten = true, .m_nDriftLane = 0},
    {.m_id = ParameterId::Segment, .m_szName = "segment", .m_szScoreKey = "segment", .m_szValueName = "SECONDS",
     .m_szUnit = "s", .m_szWhat = "Average segment in seconds",
     .m_szRemark = ": how often the reading moves to a fresh place in the input",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 1, .m_dMaximum = 20, .m_dStep = 1, .m_dDefault = 6,
     .m_bMoves = true, .m_bDrifts = true, .m_bOnDesktop = true, .m_bAlwaysWritten = true, .m_nDriftLane = 1},
    {.m_id = ParameterId::Density, .m_szName = "density", .m_szScoreKey = "density", .m_szValueName = "GRAINS",
     .m_szUnit = "grains/s", .m_szWhat = "Grain density in grains per second",
     .m_szRemark = ": below 500 (the desktop program's lowest) grains stand apart, a few long ones each heard on its own",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 500, .m_dMaximum = 10000, .m_dStep = 50, .m_dDefault = 4000,
     .m_dLowestOffDesktop = 1,
     .m_bMoves = true, .m_bDrifts = true, .m_bOnDesktop = true, .m_bAlwaysWritten = true, .m_nDriftLane = 2},
    {.m_id = ParameterId::GrainLength, .m_szName = "grain-length", .m_szScoreKey = "grain_length",
     .m_szValueName = "MS", .m_szUnit = "ms", .m_szWhat = "Grain length in milliseconds", .m_szRemark = "",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 50, .m_dMaximum = 2000, .m_dStep = 25, .m_dDefault = 800,
     .m_bMoves = true, .m_bDrifts = true, .m_bOnDesktop = true, .m_bAlwaysWritten = true, .m_nDriftLane = 3},
    {.m_id = ParameterId::Volume, .m_szName = "volume", .m_szScoreKey = "volume", .m_szValueName = "PERCENT",
     .m_szUnit = "%", .m_szWhat = "Volume in % of full scale",
     .m_szRemark = ": the peak level, or with --loudness its ceiling",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 1, .m_dMaximum = 100, .m_dStep = 1, .m_dDefault = 50,
     .m_scope = ParameterScope::Track, .m_bOnDesktop = true, .m_nDriftLane = 4},
    {.m_id = ParameterId::Fade, .m_szName = "fade", .m_szScoreKey = "fade", .m_szValueName = "SECONDS",
     .m_szUnit = "s", .m_szWhat = "Fade in and out in seconds", .m_szRemark = "",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 0, .m_dMaximum = 10, .m_dStep = 1, .m_dDefault = 3,
     .m_scope = ParameterScope::Track, .m_bOnDesktop = true, .m_nDriftLane = 5},
    {.m_id = ParameterId::Pitch, .m_szName = "pitch", .m_szScoreKey = "pitch", .m_szValueName = "SEMITONES",
     .m_szUnit = "st", .m_szWhat = "Transposition of every grain in semitones",
     .m_szRemark = ", fractions allowed: 12 is an octave up, -7 a fifth down",
     .m_kind = ParameterKind::Real, .m_dMinimum = -24, .m_dMaximum = 24,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 6},
    {.m_id = ParameterId::PitchSpread, .m_szName = "pitch-spread", .m_szScoreKey = "pitch_spread",
     .m_szValueName = "SEMITONES", .m_szUnit = "st", .m_szWhat = "Random transposition in semitones",
     .m_szRemark = ": each grain is transposed by a random amount within plus or minus half of this around --pitch",
     .m_kind = ParameterKind::Real, .m_dMinimum = 0, .m_dMaximum = 24,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 7, .m_nGrainStream = 1},
    {.m_id = ParameterId::PitchSet, .m_szName = "pitch-set", .m_szScoreKey = "pitch_set", .m_szValueName = "LIST",
     .m_szUnit = "st", .m_szWhat = "Intervals in semitones",
     .m_szRemark = " each, separated by commas: each grain takes one of them at random, with equal chances, added "
                   "to --pitch (and spread by --pitch-spread); 0,7,12 gives the root, the fifth and the octave",
     .m_kind = ParameterKind::RealList, .m_dMinimum = -24, .m_dMaximum = 24,
     .m_bMoves = true, .m_nDriftLane = 8, .m_nGrainStream = 2},
    {.m_id = ParameterId::PanSpread, .m_szName = "pan-spread", .m_szScoreKey = "pan_spread",
     .m_szValueName = "PERCENT", .m_szUnit = "%", .m_szWhat = "Stereo spread in %",
     .m_szRemark = ": each grain is placed at a random position up to this far from the centre, with equal power; "
                   "0 keeps both channels as the input has them",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 0, .m_dMaximum = 100, .m_dStep = 1,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 9, .m_nGrainStream = 3},
    {.m_id = ParameterId::Reverse, .m_szName = "reverse", .m_szScoreKey = "reverse", .m_szValueName = "PERCENT",
     .m_szUnit = "%", .m_szWhat = "Reversed grains in %",
     .m_szRemark = ": this share of the grains, chosen at random, is read backwards",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 0, .m_dMaximum = 100, .m_dStep = 1,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 10, .m_nGrainStream = 4},
    {.m_id = ParameterId::Window, .m_szName = "window", .m_szScoreKey = "window", .m_szValueName = "SHAPE",
     .m_szUnit = "", .m_szWhat = "Envelope of every grain",
     .m_szRemark = ": hann rises and falls as a cosine (the desktop program's), tukey is flat in the middle, "
                   "gaussian a bell, triangle a straight rise and fall, decay a short attack and a long fall, swell "
                   "a long rise and a short release; the manual page gives their formulas",
     .m_kind = ParameterKind::Choice, .m_dMinimum = 0, .m_dMaximum = 0, .m_choices = kWindowChoices,
     .m_bMoves = true, .m_nDriftLane = 11},
    {.m_id = ParameterId::LowCut, .m_szName = "low-cut", .m_szScoreKey = "low_cut", .m_szValueName = "HZ",
     .m_szUnit = "Hz", .m_szWhat = "High-pass the input at this frequency in Hz",
     .m_szRemark = ", before synthesis and without shifting anything in time: takes out rumble and drift that "
                   "would otherwise build up below 20 Hz; off unless given",
     .m_kind = ParameterKind::Real, .m_dMinimum = 5, .m_dMaximum = 200, .m_bZeroIsOff = true, .m_nDriftLane = 12},
    {.m_id = ParameterId::Pan, .m_szName = "pan", .m_szScoreKey = "pan", .m_szValueName = "POSITION", .m_szUnit = "",
     .m_szWhat = "Place in the stereo field",
     .m_szRemark = ", -100 hard left, 0 the centre, 100 hard right, with equal power: the whole sound, after its "
                   "grains",
     .m_kind = ParameterKind::Real, .m_dMinimum = -100, .m_dMaximum = 100,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 13},
    {.m_id = ParameterId::HighCut, .m_szName = "high-cut", .m_szScoreKey = "high_cut", .m_szValueName = "HZ",
     .m_szUnit = "Hz", .m_szWhat = "Low-pass the sound at this frequency in Hz",
     .m_szRemark = ", after its grains, at the slope of --tone-slope: lower is darker; it may move without clicks; "
                   "20000 leaves the sound open",
     .m_kind = ParameterKind::Real, .m_dMinimum = 20, .m_dMaximum = 20000, .m_dDefault = 20000,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 14},
    {.m_id = ParameterId::ToneLowCut, .m_szName = "tone-low-cut", .m_szScoreKey = "tone_low_cut",
     .m_szValueName = "HZ", .m_szUnit = "Hz", .m_szWhat = "High-pass the sound at this frequency in Hz",
     .m_szRemark = ", after its grains, at the slope of --tone-slope: higher is thinner; unlike --low-cut it may "
                   "move, without clicks; 0 leaves the sound open",
     .m_kind = ParameterKind::Real, .m_dMinimum = 0, .m_dMaximum = 2000,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 15},
    {.m_id = ParameterId::ToneSlope, .m_szName = "tone-slope", .m_szScoreKey = "tone_slope", .m_szValueName = "DB",
     .m_szUnit = "dB/octave", .m_szWhat = "Slope of --high-cut and --tone-low-cut in dB per octave",
     .m_szRemark = ": 12 is gentle, 24 steep",
     .m_kind = ParameterKind::Whole, .m_dMinimum = 12, .m_dMaximum = 24, .m_dStep = 12, .m_dDefault = 12,
     .m_nDriftLane = 16},
    {.m_id = ParameterId::GainSpread, .m_szName = "gain-spread", .m_szScoreKey = "gain_spread",
     .m_szValueName = "DB", .m_szUnit = "dB", .m_szWhat = "Random level of each grain in dB",
     .m_szRemark = ": each grain is made quieter by a random amount up to this, drawn evenly in decibels; 0 gives "
                   "every grain the same level",
     .m_kind = ParameterKind::Real, .m_dMinimum = 0, .m_dMaximum = 40,
     .m_bMoves = true, .m_bDrifts = true, .m_nDriftLane = 17, .m_nGrainStream = 8},
}};

// Each row stands at its id's place, so that RowOf finds it.
constexpr bool RowsFollowTheirIds()
{
    for (std::size_t i = 0; i < kParameterRows.size(); ++i) {
        if (static_cast<std::size_t>(IndexOf(kParameterRows[i].m_id)) != i)
            return false;
    }
    return true;
}
static_assert(RowsFollowTheirIds(), "the parameter table's rows follow the order of ParameterId");

// The rows in the order of ParameterId.
constexpr std::span<const ParameterRow> ParameterTable()
{
    return kParameterRows;
}

constexpr const ParameterRow& RowOf(ParameterId id)
{
    return kParameterRows[static_cast<std::size_t>(IndexOf(id))];
}

// The row named name, written with '-' or '_' between words; null if none.
const ParameterRow* FindParameter(std::string_view name);

// How many rows the desktop program shows as sliders.
constexpr std::size_t DesktopParameterCount()
{
    std::size_t count = 0;
    for (const ParameterRow& row : kParameterRows)
        count += row.m_bOnDesktop ? 1 : 0;
    return count;
}

// The desktop program's sliders, from the top of its left column to the
// bottom of its right one: the rows it shows, in the table's order.
constexpr std::array<ParameterId, DesktopParameterCount()> DesktopParameters()
{
    std::array<ParameterId, DesktopParameterCount()> ids{};
    std::size_t next = 0;
    for (const ParameterRow& row : kParameterRows) {
        if (row.m_bOnDesktop)
            ids[next++] = row.m_id;
    }
    return ids;
}

// The lowest value the command line and scores allow.
double LowestOf(const ParameterRow& row);

// Whether the row allows value (a number, an index for a choice; each
// interval of a list alone).
bool IsAllowedValue(const ParameterRow& row, double value);
