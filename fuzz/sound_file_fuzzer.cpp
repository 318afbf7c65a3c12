// Feeds arbitrary bytes to the command-line generator's input opener as a
// file: WaveFile or libsndfile, the count of a compressed input's frames, rate
// conversion and channel folding. Then it does what a run does with the
// source: takes a SourceBuffer of the length the source gives (without
// touching it, so that only the size counts), and reads the frames a run
// would read (the first minute at most, to keep each input quick). A length
// taken on trust from a forged header asks for gigabytes there, which the
// fuzzer's memory limit reports. Run by hand:
//   build-fuzz/fuzz/sound_file_fuzzer -max_total_time=60 -rss_limit_mb=1024 -detect_leaks=0 <scratch folder> \
//       fuzz/corpus/sound_file
// Leak detection is off because libvorbis (below libsndfile) leaks a few
// kilobytes on some damaged Ogg headers (xiph/vorbis issue 125), which is not
// ours to fix and costs a run nothing: it opens one file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formats/sound_file_opener.h"
#include "fuzz/memory_file.h"
#include "wav/file_exception.h"

namespace {

constexpr std::uint64_t kMostFramesRead = 60 * 44100;
constexpr std::size_t kPieceFrames = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!StoreFuzzInput(data, size))
        return 0;
    InputOpening opening = OpenSoundFile(FuzzInputPath(), InputRules{50});
    if (!opening.m_opening.m_pSource)
        return 0;
    SoundSource& source = *opening.m_opening.m_pSource;
    const std::uint64_t frames = source.GetFrameCount();
    const auto buffer = std::make_unique_for_overwrite<StereoFrame[]>(static_cast<std::size_t>(frames));
    const std::uint64_t total = std::min(frames, kMostFramesRead);
    try {
        for (std::uint64_t done = 0; done < total; done += kPieceFrames)
            source.Read(buffer.get() + done, static_cast<std::size_t>(std::min<std::uint64_t>(kPieceFrames, total - done)));
    } catch (const FileException&) {
        // A read the system refuses is reported to the user, not a fault.
    }
    source.Close();
    return 0;
}
