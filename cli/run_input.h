// The input of a command-line run, opened before the run starts: the wait for
// a pipe's writer, the copy of a stream and the count of a compressed file's
// frames all happen here, and a cancelling signal ends each of them. The run
// is then handed the open source.
#pragma once

#include <memory>
#include <string>

#include "engine/io/sound_source.h"
#include "formats/sound_file_opener.h"

struct CommandLine;
struct StandardDescriptors;

// Opens the input the command line names (the bundled sample when it names
// none), with the grain length it asks for; "-" with standard input closed is
// refused. Stops at once when a cancelling signal has arrived. shownAs (if
// not empty) names it in messages when path is another name of it.
InputOpening OpenRunInput(const CommandLine& line, const std::string& path, const StandardDescriptors& found,
                          const std::string& shownAs = {});
