#include "cli/library_messages.h"

#include <cstdio>

void SilenceLibraryMessages()
{
    // std::cerr was bound to the stream standard error had at start-up, so it
    // is not affected; the libraries read the variable each time they print.
    if (std::FILE* nowhere = std::fopen("/dev/null", "w"))
        stderr = nowhere;
}
