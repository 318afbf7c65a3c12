// Feeds arbitrary bytes to the WAV reader as a file: open it, then read every
// frame the run would read, and a few beyond.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/memory_file.h"
#include "wav/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!StoreFuzzInput(data, size))
        return 0;
    const std::string path = FuzzInputPath();
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
