// Slow seeded random movement between -1 and 1: the shape of a drift, before
// its depth scales it.
#pragma once

#include <cstdint>

#include "engine/random/random_stream.h"

// Knots a period apart from 0:00, each a draw uniform in [-1, 1] (the knot's
// index is its draw index in the stream), joined by a cubic that is smooth
// (continuous slope) and never leaves the range of the two knots it joins.
// The slope at a knot is 0 where the knot is a peak or a trough, and the
// harmonic mean of the neighbouring slopes where the movement carries on in
// one direction, which keeps every stretch between its knots (no overshoot
// past ±1, so the depth is the true reach) without stopping the movement at
// every knot. The first knot of an open track starts with slope 0.
// In a loop the period is adjusted so that a whole number of periods fills the
// track and the knots repeat with it: the end meets the start with its value
// and its slope. Only + − × ÷ and floor: the same seed gives the same bits on
// any machine.
class DriftNoise {
public:
    DriftNoise(RandomStream stream, double periodSeconds, double lengthSeconds, bool loop);

    // In [-1, 1]; seconds from 0 to the track's length.
    double At(double seconds) const;
    // A time up to which the noise moves one way only from seconds: the end
    // of its period, pulled in a little so that no time before it rounds
    // into the next. Between two knots the cubic never turns back: the
    // slopes at the knots are at most twice the slope between them, short
    // of the three times that would let it (Fritsch and Carlson).
    double MonotoneUntil(double seconds) const;

private:
    double Knot(std::int64_t index) const;
    // The slope at knot index, in value per period.
    double Slope(double before, double at, double after, std::int64_t index) const;

    RandomStream m_stream;
    double m_dPeriodSeconds;
    std::int64_t m_nLoopKnots;  // the knots that fill one loop; 0 for an open track
};
