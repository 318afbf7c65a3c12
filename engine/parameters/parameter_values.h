// One value for every sound parameter: what a run is asked for, in the units
// the user sees (percent, seconds, milliseconds, semitones, hertz).
#pragma once

#include <array>
#include <vector>

#include "engine/parameters/parameter_id.h"

// Every parameter starts at its default. A number parameter holds its value;
// the window holds the index of its shape's name; the pitch set holds its
// intervals in a list of its own (empty: no set). Nothing here checks the
// values: the parameter table says which are allowed.
class ParameterValues {
public:
    ParameterValues();

    double Get(ParameterId id) const { return m_values[IndexOf(id)]; }
    // The value of a parameter that only takes whole numbers.
    int Whole(ParameterId id) const { return static_cast<int>(Get(id)); }
    void Set(ParameterId id, double value) { m_values[IndexOf(id)] = value; }
    // These values with one of them changed.
    ParameterValues With(ParameterId id, double value) const
    {
        ParameterValues changed = *this;
        changed.Set(id, value);
        return changed;
    }

    const std::vector<double>& GetPitchSet() const { return m_pitchSet; }
    void SetPitchSet(std::vector<double> intervals) { m_pitchSet = std::move(intervals); }
    // The same by copying, into the memory the list already holds where it is
    // large enough: no allocation when a set is taken again and again.
    void AssignPitchSet(const std::vector<double>& intervals) { m_pitchSet = intervals; }

    bool operator==(const ParameterValues&) const = default;

private:
    std::array<double, kParameterCount> m_values;
    std::vector<double> m_pitchSet;
};
