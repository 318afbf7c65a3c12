// Parameter values as people write them: read from text (an option, a score
// file) and said back, with the words that tell what a row allows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/parameters/parameter_table.h"

// "1 to 100", "500 to 10000 in steps of 50", "-24 to 24", "5 to 200, or off",
// "hann, tukey, gaussian, triangle, decay or swell".
std::string DescribeAllowed(const ParameterRow& row);

// The value text stands for, if the row allows it: digits only for a whole
// number, a decimal number (an optional sign, digits, a point) for a real
// one, a name for a choice (its index), "off" where 0 means off. Not for a
// list.
std::optional<double> ParseParameterValue(const ParameterRow& row, std::string_view text);

// A list of numbers separated by commas, each allowed by the row, with or
// without blanks around them ("0, 7, 12"); nothing when an item is missing
// or not allowed.
std::optional<std::vector<double>> ParseParameterList(const ParameterRow& row, std::string_view text);

// Why text is refused: "'30' is not allowed; use -24 to 24 semitones", or
// for a list the item that is wrong: "'0,7,30' is not a list of intervals:
// 30 is out of range; use ...". Empty when it is allowed.
std::string RefusalOf(const ParameterRow& row, std::string_view text);

// The row's value in values as ParseParameterValue (or ParseParameterList)
// reads it back: "50", "-7.5", "0,7,12", "tukey", "off".
std::string FormatParameterValue(const ParameterRow& row, const ParameterValues& values);
// The row's unit as it follows a number in a sentence: " milliseconds",
// " %", " grains per second"; empty for a row without one.
std::string UnitAfterNumber(const ParameterRow& row);
// A number in its shortest form that reads back to the same double.
std::string FormatNumber(double value);
