// One generation run from a parsed command line: the engine's run with the
// command-line generator's input opener, output sink and delivery level.
#pragma once

struct CommandLine;
struct OutputFormat;
struct StandardDescriptors;

// Runs the generation and answers the exit status (see cli/exit_status.h).
// found: which standard descriptors the program was started without.
int Generate(const CommandLine& line, const OutputFormat& format, const StandardDescriptors& found);
