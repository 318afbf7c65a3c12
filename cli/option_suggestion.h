// When an option is mistyped, the option that was probably meant:
// "--grain-lenght" -> "--grain-length", "--vol" -> "--volume".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/nearest_name.h"

namespace CLI {
class App;
}

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
