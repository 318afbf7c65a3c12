// Plans the gain of level evening from the K-weighted energy of each 100 ms
// block of a sound: a slow, smooth curve that keeps the sound's short-term
// loudness within a range of its median.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/finishing/evening/gain_curve.h"

// The gain turns by at most this, frame by frame, between the points too.
// The slowest grain (2 s, Hann window) rises from half its height to its top
// in a quarter of its length, 6 dB in 0.5 s: 12 dB/s, twice this. So the
// gain moves more slowly than any grain's own envelope, and a 20 dB change
// takes over 3 s.
constexpr double kSteepestDbPerSecond = 6.0;

// The corners left by the slope limit are rounded over this many points on
// either side (0.5 s): the gain's slope changes over a second, not at once.
constexpr std::size_t kRoundingPoints = 5;

// What a plan did, for a report.
struct EveningSummary {
    bool m_bEvened = false;      // false: the sound had nothing to measure (silence, or under 3 s)
    double m_dMedianLufs = 0.0;  // the median short-term loudness, as synthesised
    double m_dGateLufs = 0.0;    // at or below: silence
    double m_dLowestDb = 0.0;    // the lowest and highest gain of the curve
    double m_dHighestDb = 0.0;
};

struct EveningPlan {
    GainCurve m_curve;
    EveningSummary m_summary;
};

// blockEnergies[b] is the K-weighted mean square (summed over the channels)
// of the b-th whole 100 ms block from the placement's origin; a last partial
// block has none. fadeFrames frames at each end of an open sound fade in and
// out: points whose 3 s window reaches into them do not count towards the
// median (the gain there is planned as anywhere else). rangeLu is the range
// either side of the median.
EveningPlan PlanEvening(std::vector<float> blockEnergies, const CurvePlacement& placement,
                        std::uint64_t fadeFrames, double rangeLu);
