#include "fuzz/memory_file.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

int MemoryFile()
{
    static const int fd = memfd_create("fuzz-input", 0);
    return fd;
}

}  // namespace

bool StoreFuzzInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = MemoryFile();
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::string FuzzInputPath()
{
    return "/proc/self/fd/" + std::to_string(MemoryFile());
}
