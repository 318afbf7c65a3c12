// --save-score's file, written once the output is created: an output that is
// refused (no such folder, a folder, no room) leaves no score behind, while a
// render that fails or is cancelled later still leaves the score that would
// render it again.
#pragma once

#include <memory>
#include <string>

#include "engine/io/frame_sink.h"

// The output's sink, which writes text to scorePath (replacing a file as
// outputs do) right after output creates its file. When the score cannot be
// written, the output is dropped again and its creation fails with the
// score's reason.
std::unique_ptr<FrameSink> SavingScoreOnCreate(std::unique_ptr<FrameSink> output, std::string scorePath,
                                               std::string text);
