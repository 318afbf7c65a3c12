// Which of some known names a mistyped one most likely means: options on the
// command line ("--grain-lenght" -> "--grain-length"), keys and values in a
// score file ("hanning" -> "hann").
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Letters to insert, delete or replace, or neighbours to swap, to turn a into b.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The one of known that typed most likely means: the only one it begins
// (an abbreviation), else the nearest one within a typing slip (one edit for
// names of up to four letters, two up to ten, three beyond). A value after
// '=' is ignored. Nothing when no name is near enough, or two are equally near.
std::optional<std::string> NearestOption(std::string_view typed, const std::vector<std::string>& known);

// The one of known that a value's name most likely means: the nearest one
// within a typing slip, as NearestOption finds it, else the only one that
// the name begins with or that begins with it ("hanning" for hann,
// "gauss" for gaussian). Nothing when none or several fit.
std::optional<std::string> NearestName(std::string_view typed, const std::vector<std::string>& known);
