// The reading side of WaveFile: header walk, frame decoding and up-conversion.
#include <algorithm>
#include <cstring>
#include <limits>

#include "wav/little_endian.h"
#include "wav/wave_file.h"

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int32_t>::max();
// Real files carry a handful of chunks between the format and the data; a file
// that keeps going with empty chunks is given up on rather than walked for ever.
constexpr int kMaxSkippedChunks = 1000;
// A PCM format chunk holds at least tag, channels, rate, byte rate, block align and bits.
constexpr std::uint32_t kMinFormatSize = 16;

bool IsAcceptedRate(std::int32_t rate)
{
    return rate == 11025 || rate == 22050 || rate == 44100;
}

bool IsChunk(const unsigned char* id, const char (&name)[5])
{
    return std::memcmp(id, name, 4) == 0;
}

std::int16_t Interpolate(std::int16_t previous, std::int16_t current, double x)
{
    return static_cast<std::int16_t>(previous + x * (current - previous));
}

}  // namespace

std::int16_t WaveFile::Conv8(unsigned char sample)
{
    return static_cast<std::int16_t>((sample * (1.0 / 255) * 2 - 1) * 32767);
}

int WaveFile::OpenForRead(const std::string& path, int targetRate)
{
    if (!Open(path, modeReadShared))
        return 1;
    m_nTargetRate = targetRate;
    bool parsed = false;
    try {
        parsed = ParseHeader();
    } catch (const FileException&) {
        // A header the system can't read is as unusable as a malformed one.
    }
    if (!parsed) {
        m_nFrameCount = 0;
        try {
            Close();
        } catch (const FileException&) {
            // Nothing was written, so closing can't lose anything.
        }
        return 1;
    }
    Rewind();
    return 0;
}

bool WaveFile::ReadExactly(void* buffer, int count)
{
    return Read(buffer, static_cast<std::size_t>(count)) == static_cast<std::size_t>(count);
}

bool WaveFile::ParseHeader()
{
    unsigned char riff[16];
    if (!ReadExactly(riff, 16) || !IsChunk(riff, "RIFF") || std::memcmp(riff + 8, "WAVEfmt ", 8) != 0)
        return false;

    unsigned char sizeField[4];
    if (!ReadExactly(sizeField, 4))
        return false;
    const std::uint32_t formatSize = LoadLittleEndian32(sizeField);

    unsigned char format[16];
    if (formatSize < kMinFormatSize || !ReadExactly(format, 16))
        return false;
    if (LoadLittleEndian16(format) != kFormatPcm)
        return false;
    m_nChannels = static_cast<std::int16_t>(LoadLittleEndian16(format + 2));
    m_nSampleRate = static_cast<std::int32_t>(LoadLittleEndian32(format + 4));
    const auto bitsPerSample = static_cast<std::int16_t>(LoadLittleEndian16(format + 14));
    m_nBytesPerSample = bitsPerSample / 8;
    if (m_nChannels != 1 && m_nChannels != 2)
        return false;
    if (!IsAcceptedRate(m_nSampleRate))
        return false;
    // Only 8-bit and 16-bit samples are decoded; other widths would be misread.
    if (bitsPerSample != 8 && bitsPerSample != 16)
        return false;
    // Frames are only ever brought up to the target rate, by a whole factor.
    if (m_nTargetRate < m_nSampleRate || m_nTargetRate % m_nSampleRate != 0)
        return false;

    std::uint32_t dataSize = 0;
    if (!FindDataChunk(20 + static_cast<std::int64_t>(formatSize), dataSize))
        return false;
    return SetDataExtent(dataSize);
}

// Walks the chunks that follow the format chunk up to the data chunk and leaves
// the file pointer at the first sample byte. A "fact" chunk must hold 4 bytes and
// be followed directly by "data"; any other chunk (a LIST of tags, say) is
// skipped, with the pad byte that follows a chunk of odd size.
bool WaveFile::FindDataChunk(std::int64_t chunkOffset, std::uint32_t& dataSize)
{
    unsigned char header[8];
    for (int skipped = 0; skipped <= kMaxSkippedChunks; ++skipped) {
        if (chunkOffset > kMaxOffset)
            return false;
        Seek(chunkOffset, begin);
        if (!ReadExactly(header, 8))
            return false;
        const std::uint32_t size = LoadLittleEndian32(header + 4);
        if (IsChunk(header, "data")) {
            dataSize = size;
            return true;
        }
        if (IsChunk(header, "fact")) {
            if (size != 4)
                return false;
            Seek(size, current);
            if (!ReadExactly(header, 8) || !IsChunk(header, "data"))
                return false;
            dataSize = LoadLittleEndian32(header + 4);
            return true;
        }
        chunkOffset += 8 + static_cast<std::int64_t>(size) + (size & 1);
    }
    return false;
}

// Counts the whole frames that the data chunk really holds: a size field that
// claims more bytes than the file has is cut back to the file's end, so nobody
// allocates for sound that isn't there.
bool WaveFile::SetDataExtent(std::uint32_t dataSize)
{
    if (dataSize > static_cast<std::uint32_t>(kMaxOffset))
        return false;
    const std::int64_t dataStart = Seek(0, current);
    const std::int64_t fileLength = Seek(0, end);
    const std::int64_t present = std::clamp<std::int64_t>(fileLength - dataStart, 0, dataSize);
    const std::int64_t frameCount = present / FrameSize();
    const std::int64_t dataEnd = dataStart + frameCount * FrameSize();
    if (dataEnd > kMaxOffset)
        return false;
    m_nDataStart = static_cast<std::int32_t>(dataStart);
    m_nFrameCount = static_cast<std::int32_t>(frameCount);
    m_nDataEnd = static_cast<std::int32_t>(dataEnd);
    return true;
}

void WaveFile::Rewind()
{
    m_nCachedBlock = -1;
    m_nPosition = m_nDataStart;
    m_nStepsLeft = 0;
    m_curFrame = PcmFrame{};
}

int WaveFile::ReadFrame(PcmFrame& frame)
{
    if (m_nPosition >= m_nDataEnd) {
        frame = PcmFrame{};
        return 0;
    }
    if (m_nSampleRate == m_nTargetRate) {
        ReadSourceFrame(frame);
        m_nPosition += FrameSize();
        return 0;
    }
    const int ratio = m_nTargetRate / m_nSampleRate;
    if (m_nStepsLeft == 0) {
        m_prevFrame = m_curFrame;
        ReadSourceFrame(m_curFrame);
        m_nStepsLeft = ratio;
        m_nPosition += FrameSize();
    }
    const double x = static_cast<double>(ratio - m_nStepsLeft) / ratio;
    frame.left = Interpolate(m_prevFrame.left, m_curFrame.left, x);
    frame.right = Interpolate(m_prevFrame.right, m_curFrame.right, x);
    m_nStepsLeft -= 1;
    return 0;
}

void WaveFile::ReadSourceFrame(PcmFrame& frame)
{
    frame.left = SampleAt(m_nPosition);
    frame.right = (m_nChannels == 2) ? SampleAt(m_nPosition + m_nBytesPerSample) : frame.left;
}

std::int16_t WaveFile::SampleAt(std::int32_t offset)
{
    if (m_nBytesPerSample == 2) {
        const unsigned char bytes[2] = {CachedByte(offset), CachedByte(offset + 1)};
        return static_cast<std::int16_t>(LoadLittleEndian16(bytes));
    }
    return Conv8(CachedByte(offset));
}

// Each byte comes through the block that holds it, so a sample or frame that
// straddles two blocks is still read from its own bytes. Bytes past the end of
// a short last block read as 0.
unsigned char WaveFile::CachedByte(std::int32_t offset)
{
    const std::int32_t block = offset / kBlockSize;
    if (block != m_nCachedBlock) {
        Seek(static_cast<std::int64_t>(block) * kBlockSize, begin);
        const std::size_t got = Read(m_cache, kBlockSize);
        std::memset(m_cache + got, 0, kBlockSize - got);
        m_nCachedBlock = block;
    }
    return m_cache[offset % kBlockSize];
}

int WaveFile::CloseFile()
{
    Close();
    return 0;
}
