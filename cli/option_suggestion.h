// When an option is mistyped, the option that was probably meant:
// "--grain-lenght" -> "--grain-length", "--vol" -> "--volume".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

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

// Every name the app's options answer to: "-o", "--output", "--length", ...
std::vector<std::string> OptionNames(const CLI::App& app);

// After a failed parse, what to tell about the first argument the parser could
// not place: "unknown option --grain-lenght; did you mean --grain-length?",
// "unknown option --foo; see sonnelith-cli --help", or for a second file name
// "unexpected argument b.wav: one input only; name the output with -o".
// Nothing when every argument found its place.
std::optional<std::string> DescribeUnplacedArgument(const CLI::App& app);

// After a failed parse, an option of one value given more than once (which
// CLI11 words "At Most 1 required but received 2"): "--length is given 2
// times; give it once". Nothing when none was.
std::optional<std::string> DescribeRepeatedOption(const CLI::App& app);
