// Feeds arbitrary bytes to the command-line generator's input opener as a
// file: WaveFile or libsndfile, rate conversion and channel folding, then
// reads the frames a run would read (the first minute at most, to keep each
// input quick). Run by hand:
//   build-fuzz/fuzz/sound_file_fuzzer -max_total_time=60 -detect_leaks=0 <scratch folder> [seed files]
// Leak detection is off because libvorbis (below libsndfile) leaks a few
// kilobytes on some damaged Ogg headers (xiph/vorbis issue 125), which is not
// ours to fix and costs a run nothing: it opens one file.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "formats/sound_file_opener.h"
#include "wav/file_exception.h"

namespace {

constexpr std::uint64_t kMostFramesRead = 60 * 44100;

int MemoryFile()
{
    static const int fd = memfd_create("sound-input", 0);
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
    InputOpening opening = OpenSoundFile("/proc/self/fd/" + std::to_string(MemoryFile()), InputRules{50});
    if (!opening.m_opening.m_pSource)
        return 0;
    SoundSource& source = *opening.m_opening.m_pSource;
    std::array<StereoFrame, 4096> frames;
    const std::uint64_t total = std::min(source.GetFrameCount(), kMostFramesRead);
    try {
        for (std::uint64_t done = 0; done < total; done += frames.size())
            source.Read(frames.data(), static_cast<std::size_t>(std::min<std::uint64_t>(frames.size(), total - done)));
    } catch (const FileException&) {
        // A read the system refuses is reported to the user, not a fault.
    }
    source.Close();
    return 0;
}
