// Checked when the tests are built: a file that includes generation_run.h
// does not get the thread library's headers with it (the worker pool stays
// inside the synthesizer). The guards are libstdc++'s.
#include "engine/run/generation_run.h"

#if defined(_GLIBCXX_THREAD) || defined(_GLIBCXX_MUTEX) || defined(_GLIBCXX_CONDITION_VARIABLE) || \
    defined(_GLIBCXX_ATOMIC)
#error "engine/run/generation_run.h brings <thread>, <mutex>, <condition_variable> or <atomic> with it"
#endif
