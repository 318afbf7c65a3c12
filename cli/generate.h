// One generation run from a parsed command line: the engine's run with the
// command-line generator's input opener, output sink and delivery level.
#pragma once

struct CommandLine;
struct OutputFormat;

// Runs the generation and answers the exit status (see cli/exit_status.h).
int Generate(const CommandLine& line, const OutputFormat& format);
