// Rendering a score file: its sources loaded once, its layers mixed, its
// track finished and written as a plain run's, the score stored with it.
#pragma once

#include "formats/output_format.h"

struct CommandLine;
struct StandardDescriptors;

// The input names a score: its name ends in .toml.
bool IsScoreInput(const CommandLine& line);

// Renders the score the command line's input names. Options given beside it
// override its top-level values; a score or option that cannot be used is
// refused with exit status 2, a source that cannot be read or loaded (or no
// room for it in memory) with 1, before anything is written.
int RenderScore(const CommandLine& line, const OutputFormat& format, const StandardDescriptors& found);
