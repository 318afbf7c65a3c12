// What level evening may do at each point of a sound's loudness series: the
// median it evens around, what counts as silence, and at each point the
// least change that brings the point into range and the most gain it may have.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

// Points more than this far below the sound's mean loudness (the power mean of
// its 3 s windows) count as silence: left out of the median, never lifted. The
// absolute gate of EBU R128 (-70 LUFS) lies 47 LU under its -23 LUFS target;
// here the gate is relative, because the sound is not scaled yet.
constexpr double kSilenceBelowMeanLu = 40.0;

// No point is lifted by more than this, nor by more than its own height above
// the silence gate: a quiet passage may come up by 20 dB, a noise floor just
// above the gate by no more than its distance to it, so the lift fades in
// from nothing at the gate and nothing jumps there.
constexpr double kMostLiftDb = 20.0;

// Changes in dB at one point.
struct GainBounds {
    float m_fLeast;  // the change nearest 0 that brings the point into range (a lift only as far as allowed)
    float m_fMost;   // the highest gain that keeps it from rising above the range or being lifted too far
};

// The range around a sound's median loudness, in LUFS as the sound is
// synthesised (before it is scaled).
struct EveningRule {
    double m_dRangeLu = 0.0;
    double m_dMedianLufs = 0.0;
    double m_dGateLufs = 0.0;

    // Silence (at or below the gate, or minus infinity) gets 0 for both: it is
    // left where it is and never lifted.
    GainBounds BoundsAt(float loudness) const;
};

// The rule for a series with range rangeLu, from its points [first, end) (the
// points whose windows lie outside the fades): the gate kSilenceBelowMeanLu
// under their mean loudness, the median of those above it (the upper middle
// value for an even count). Nothing when none is above it.
std::optional<EveningRule> RuleFor(std::span<const float> series, std::size_t first, std::size_t end, double rangeLu);
