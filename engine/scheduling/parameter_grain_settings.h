// The grain settings that parameter values ask for: the formulas of the
// desktop program's sliders, in integer arithmetic rounding down, and the
// variation of the rows that make grains differ.
#pragma once

#include "engine/parameters/parameter_values.h"
#include "engine/scheduling/grain_settings.h"

// Every grain field from values; volume (a fraction of full scale) is every
// grain's gain, the track's, which a layer's values do not hold.
GrainSettings GrainSettingsOfValues(const ParameterValues& values, double volume);

// Only the fields the scan walk and the grain clock read (the density, the
// scan step and the segment length), by the same formulas.
void SetWalkSettings(const ParameterValues& values, GrainSettings& settings);

// How the grains of values differ from one another.
GrainVariation VariationOf(const ParameterValues& values);
