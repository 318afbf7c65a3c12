#include "cli/standard_descriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsClosed(int fd)
{
    return fcntl(fd, F_GETFD) < 0 && errno == EBADF;
}

// open gives the lowest free number, which is fd itself when the ones below
// it are open; they are taken in order, 0 first.
bool Occupy(int fd)
{
    if (!IsClosed(fd))
        return false;
    const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
        dup2(opened, fd);
        close(opened);
    }
    return true;
}

}  // namespace

StandardDescriptors OccupyClosedStandardDescriptors()
{
    StandardDescriptors found;
    found.m_bInputClosed = Occupy(0);
    found.m_bOutputClosed = Occupy(1);
    found.m_bErrorClosed = Occupy(2);
    return found;
}
