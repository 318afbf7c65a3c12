// How the sound-file code learns that the user wants the run to stop (Ctrl+C
// and the other cancelling signals of sonnelith-cli): a question it asks
// between pieces of work and after every wait, so that neither a long read nor
// a wait for a pipe holds the program after a cancel.
#pragma once

#include <functional>

// Answers true once the run is to stop. An empty check never stops.
using CancelCheck = std::function<bool()>;

inline bool IsCancelled(const CancelCheck& check)
{
    return check && check();
}
