// A text file (a score) written the way outputs are: through a hidden
// temporary file beside it that is renamed over the old one when complete,
// so that a failure leaves an existing file as it was and nothing partial; a
// link is followed to the file it names, a replaced file keeps its
// permissions (and, for root, its owner), and anything but a regular file
// (a FIFO, a device) is refused instead of written through.
#pragma once

#include <optional>
#include <string>

#include "engine/base/run_message.h"

// Writes text to path; answers the message that says why it could not:
// "Cannot write notes.toml: permission denied".
std::optional<RunMessage> ReplaceWithText(const std::string& path, const std::string& text);
