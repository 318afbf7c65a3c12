// toml++ compiled into the score reader, for the builds that do not link
// Debian's shared library: the fuzzing build, whose coverage must reach the
// parser too.
#define TOML_IMPLEMENTATION
#include <toml++/toml.h>
