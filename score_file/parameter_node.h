// A grain parameter's value, or a layer's gain, as a score gives it: any
// number in the parameter's range (fractions too, whatever the desktop's
// steps), a window by name, a pitch set as an array, the low cut as a number
// or "off".
#pragma once

#include <string>
#include <toml++/toml.h>
#include <vector>

#include "engine/parameters/parameter_table.h"

// "500 to 10000 grains per second", "5 to 200 Hz, or \"off\"", "hann,
// tukey, ... or swell".
std::string DescribeScoreRange(const ParameterRow& row);

// The value of a number or choice row (a choice's index).
double ReadParameterValue(const toml::node& node, const ParameterRow& row);
// The intervals of a list row; an empty array gives none.
std::vector<double> ReadParameterList(const toml::node& node, const ParameterRow& row);

// A gain in dB: -120 to 24, or -inf for silence.
double ReadGain(const toml::node& node);
