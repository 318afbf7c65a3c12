#include "formats/decoded_length.h"

#include <cerrno>
#include <sndfile.h>
#include <vector>

namespace {

// Frames decoded at a time while counting: a few hundred kilobytes at most.
constexpr sf_count_t kCountingBlockFrames = 4096;

// Bytes per sample of the uncompressed encodings, 0 for every other.
int FixedSampleBytes(int encoding)
{
    switch (encoding) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW: return 1;
    case SF_FORMAT_PCM_16: return 2;
    case SF_FORMAT_PCM_24: return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 4;
    case SF_FORMAT_DOUBLE: return 8;
    default: return 0;
    }
}

// Containers whose samples are compressed whatever the encoding's name says
// (FLAC calls its samples PCM_16 or PCM_24).
bool IsCompressedContainer(int container)
{
    return container == SF_FORMAT_FLAC || container == SF_FORMAT_OGG || container == SF_FORMAT_MPEG;
}

}  // namespace

bool IsLengthBackedByBytes(int format, int channels, std::int64_t frames, std::uint64_t fileBytes)
{
    const int sampleBytes = FixedSampleBytes(format & SF_FORMAT_SUBMASK);
    if (sampleBytes == 0 || channels < 1 || frames < 0 || IsCompressedContainer(format & SF_FORMAT_TYPEMASK))
        return false;
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(sampleBytes) * static_cast<std::uint64_t>(channels);
    return static_cast<std::uint64_t>(frames) <= fileBytes / frameBytes;
}

DecodedLength CountDecodedFrames(sf_private_tag* file, int channels, std::uint64_t mostFrames,
                                 const CancelCheck& cancelled)
{
    std::vector<float> block(static_cast<std::size_t>(kCountingBlockFrames) * static_cast<std::size_t>(channels));
    DecodedLength length;
    for (;;) {
        if (IsCancelled(cancelled)) {
            length.m_kind = DecodedLength::Kind::Cancelled;
            return length;
        }
        errno = 0;
        const sf_count_t got = sf_readf_float(file, block.data(), kCountingBlockFrames);
        if (got <= 0) {
            if (sf_error(file) == SF_ERR_SYSTEM) {
                length.m_kind = DecodedLength::Kind::Failed;
                length.m_nError = errno != 0 ? errno : EIO;
            }
            return length;
        }
        length.m_nFrames += static_cast<std::uint64_t>(got);
        if (length.m_nFrames > mostFrames) {
            length.m_kind = DecodedLength::Kind::TooLong;
            return length;
        }
    }
}
