// The messages of the string table that tell of a run's end: the words a
// host shows for a run's failure or its success.
#pragma once

#include "engine/base/run_message.h"
#include "engine/run/run_failure.h"

RunMessage MessageOf(const RunFailure& failure);
// "Ambient sound generation completed successfully!"
RunMessage CompletionMessage();
