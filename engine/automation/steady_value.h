// Up to when a number of the track keeps the value it has now: found from the
// stretches where its line and its drift each move one way only, and the
// nearest values where its rounding would change.
#pragma once

#include <cmath>
#include <functional>
#include <optional>

struct NumberLimits;

// A number's two parts at a time: its line, and its drift times the depth.
// The raw value, before it is kept to its limits, is their sum.
struct NumberParts {
    double m_dLine = 0.0;
    double m_dDrift = 0.0;
};

// The raw values and line values a number may take while it keeps the value
// it has: inside the half-way marks of its step, a margin of rounding error
// away (for a number without steps, its raw value alone); for a number that
// can be off, on the same side of its range's low end.
struct SteadyBand {
    double m_dLowRaw = -INFINITY;
    double m_dHighRaw = INFINITY;
    double m_dLowLine = -INFINITY;
    double m_dHighLine = INFINITY;
};
// None when the number sits within rounding error of a change.
std::optional<SteadyBand> SteadyBandOf(const NumberParts& parts, const NumberLimits& limits);

// A number whose parts are at at seconds and each move one way only up to
// end (partsAt gives them at any time in between) keeps its value up to a
// time t when every sum of a part at seconds or at t with the other part at
// seconds or at t stays in band. Answers the time up to which (not included)
// that is found to hold, searched to well within a frame: end when it holds
// all the way.
double SteadyWithin(double seconds, double end, const SteadyBand& band, const NumberParts& at,
                    const std::function<NumberParts(double)>& partsAt);
