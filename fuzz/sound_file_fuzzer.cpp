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

#include "formats/sound_file_opener.h"
#include "fuzz/memory_file.h"
#include "wav/file_exception.h"

namespace {

constexpr std::uint64_t kMostFramesRead = 60 * 44100;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!StoreFuzzInput(data, size))
        return 0;
    InputOpening opening = OpenSoundFile(FuzzInputPath(), InputRules{50});
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
