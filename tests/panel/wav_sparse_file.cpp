#include "wav_sparse_file.h"

#include <filesystem>
#include <vector>

#include "temp_dir.h"
#include "wav_bytes.h"

void WriteSilentWav(const std::string& path, std::uint32_t frames, std::uint32_t rate, int channels,
                    int bitsPerSample)
{
    WavLayout layout;
    layout.channels = static_cast<std::int16_t>(channels);
    layout.sampleRate = rate;
    layout.bitsPerSample = static_cast<std::int16_t>(bitsPerSample);
    const std::uint64_t dataBytes = std::uint64_t{frames} * static_cast<std::uint64_t>(channels * bitsPerSample / 8);
    layout.declaredDataSize = static_cast<std::uint32_t>(dataBytes);
    const std::vector<unsigned char> header = MakeWav(layout, {});
    WriteWholeFile(path, header);
    // Zero bytes are silence for 16-bit samples; for 8-bit ones they are the
    // lowest value, which is as good for a file that is only inspected.
    std::filesystem::resize_file(path, header.size() + dataBytes);
}
