// One number of a layer that moves over the track: its keyframe line, its
// drift around that line, and how each value is kept to what the number
// allows.
#pragma once

#include <optional>
#include <vector>

#include "engine/automation/drift_noise.h"
#include "engine/automation/keyframe_curves.h"
#include "engine/automation/steady_value.h"

// The lowest and highest value a number parameter takes anywhere in the track.
struct ValueBounds {
    double m_dLowest = 0.0;
    double m_dHighest = 0.0;
};

// What values a number may take.
struct NumberLimits {
    double m_dLowest;
    double m_dHighest;
    double m_dStep;               // > 0: only m_dStepsFrom + k × m_dStep; 0: any number
    double m_dStepsFrom;          // with a step: below this, the whole numbers from m_dLowest
    std::optional<double> m_off;  // the value that stands for "off" (0 Hz, -inf dB), besides the range
};

class MovingNumber {
public:
    // drift: none, or the noise and its depth in the number's unit.
    MovingNumber(KeyframeLine line, NumberLimits limits, std::optional<DriftNoise> drift, double driftDepth);

    // The line plus the drift, kept inside the range and rounded to the step.
    // A number that can be off stays off where its line is below the range;
    // drift neither turns it on nor takes it below the range when on.
    double At(double seconds) const;
    // At's limit from the left: where the line jumps at seconds, the value
    // just before the jump (see KeyframeLine::Before).
    double Before(double seconds) const;
    // When the line jumps (see KeyframeLine::JumpTimes).
    std::vector<double> JumpTimes() const { return m_line.JumpTimes(); }
    // The time up to which (not included) At answers what it answers at
    // seconds, as far as can be vouched for; seconds itself where nothing
    // can, infinity where it holds for good.
    double SteadyUntil(double seconds) const;
    // Nothing moves, and the value is value throughout.
    bool HoldsOnly(double value) const;
    // Covers every value At gives: the line's extremes pushed by the drift's
    // full depth, kept as At keeps them (keeping never lowers the value for
    // a higher line or drift, so the extremes stay extremes).
    ValueBounds Bounds() const;
    // The same from seconds from up to seconds to alone (as
    // KeyframeLine::VisitValuesBetween takes them): the line's extremes
    // there, pushed by the drift's full depth and kept.
    ValueBounds BoundsBetween(double from, double to) const;

private:
    double Kept(double line, double drift) const;
    NumberParts PartsAt(double seconds) const;

    KeyframeLine m_line;
    NumberLimits m_limits;
    std::optional<DriftNoise> m_drift;
    double m_dDriftDepth;
};
