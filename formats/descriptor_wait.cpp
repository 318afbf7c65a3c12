#include "formats/descriptor_wait.h"

#include <cerrno>
#include <poll.h>

namespace {

// The check is asked at least this often while nothing happens.
constexpr int kStepMilliseconds = 100;

// A descriptor that is ready is used even after a cancel, so that what is
// on its way still goes; only a wait is cut short.
WaitOutcome WaitFor(int fd, short events, const CancelCheck& cancelled)
{
    for (;;) {
        pollfd watched{fd, events, 0};
        const int ready = poll(&watched, 1, kStepMilliseconds);
        if (ready > 0)
            return WaitOutcome::Ready;
        if (ready < 0 && errno != EINTR)
            return WaitOutcome::Failed;
        if (IsCancelled(cancelled))
            return WaitOutcome::Cancelled;
    }
}

}  // namespace

WaitOutcome WaitUntilReadable(int fd, const CancelCheck& cancelled)
{
    return WaitFor(fd, POLLIN, cancelled);
}

WaitOutcome WaitUntilWritable(int fd, const CancelCheck& cancelled)
{
    return WaitFor(fd, POLLOUT, cancelled);
}
