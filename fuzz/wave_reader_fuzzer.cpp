// Feeds arbitrary bytes to the WAV reader as a file: open it, then read every
// frame the run would read, and a few beyond.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "wav/wave_file.h"

namespace {

// One in-memory file for the whole run, rewritten for every input.
int MemoryFile()
{
    static const int fd = memfd_create("wave-input", 0);
    return fd;
}

bool StoreInput(const std::uint8_t* data, std::size_t size)
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!StoreInput(data, size))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(MemoryFile());
    WaveFile reader;
    if (reader.OpenForRead(path, 44100) != 0)
        return 0;
    const std::int64_t ratio = 44100 / reader.GetSampleRate();
    const std::int64_t frames = ratio * reader.GetFrameCount() + 8;
    PcmFrame frame;
    for (std::int64_t i = 0; i < frames; ++i)
        reader.ReadFrame(frame);
    reader.CloseFile();
    return 0;
}
