// Waits on pipes, FIFOs and terminals that a cancel can end: the descriptor is
// polled in steps of a tenth of a second and the cancel check asked after each
// step that found nothing and after every signal, so that no read or write of
// a stream blocks the program for good.
#pragma once

#include "formats/cancel_check.h"

enum class WaitOutcome {
    Ready,      // a read or write will not block now (it may find the end or an error)
    Cancelled,  // the check answered true first
    Failed,     // the system refused the wait; errno says why
};

// Until fd has data, its writer has gone, or the check says stop.
WaitOutcome WaitUntilReadable(int fd, const CancelCheck& cancelled);
// Until fd takes more bytes, its reader has gone, or the check says stop.
WaitOutcome WaitUntilWritable(int fd, const CancelCheck& cancelled);
