// Up to when a number of the track keeps the value it has now: from its
// slopes and its distance to the nearest value where its rounding changes.
#pragma once

#include "engine/score/slope_bound.h"

struct NumberLimits;

// A number at a time of the track: its line's value, the value before it is
// kept to its limits (the line plus the drift), and the slopes of the line
// alone and of both together.
struct NumberMotion {
    double m_dSeconds = 0.0;
    double m_dLine = 0.0;
    double m_dRaw = 0.0;
    SlopeBound m_line;
    SlopeBound m_total;
};

// The time up to which (not included) a number kept to limits answers what
// it answers at motion.m_dSeconds; that time itself where nothing can be
// said. A number rounded to steps holds while the raw value stays inside its
// step's half-way marks, a margin of error away; any other number holds only
// while nothing moves.
double SteadyValueUntil(const NumberMotion& motion, const NumberLimits& limits);
