// The WAV file class: reads an input sound at 44100 Hz and writes the 16-bit
// stereo output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "wav/disk_file.h"

// One frame as exchanged with WaveFile: two signed 16-bit samples, left first.
struct PcmFrame {
    std::int16_t left = 0;
    std::int16_t right = 0;

    friend bool operator==(const PcmFrame&, const PcmFrame&) = default;
};

// The same object reads or writes; which operations are called decides which.
//
// Reading accepts uncompressed PCM WAV: 1 or 2 channels, 8-bit unsigned or
// 16-bit signed samples, 11025, 22050 or 44100 Hz. Frames come out as 16-bit
// pairs (mono doubled), brought up to the target rate by linear interpolation
// that runs one source frame late, and as silence once the data is used up.
//
// Writing produces a canonical 44-byte header (2 channels, 16 bits), the frames
// appended one by one, and the two size fields patched in by FinishHeader.
//
// Failures to open answer 1; failures of the system once a file is open raise
// FileException from the base class.
class WaveFile : public DiskFile {
public:
    static constexpr int kBlockSize = 1024;
    static constexpr int kHeaderSize = 44;

    WaveFile() = default;

    // Reading.
    int OpenForRead(const std::string& path, int targetRate);
    int GetSampleRate() const { return m_nSampleRate; }
    int GetFrameCount() const { return m_nFrameCount; }
    int GetChannels() const { return m_nChannels; }
    int GetBytesPerSample() const { return m_nBytesPerSample; }
    int ReadFrame(PcmFrame& frame);
    int CloseFile();

    // Writing.
    int CreateForWrite(const std::string& path, int sampleRate);
    void WriteFrame(const PcmFrame& frame);
    // The same bytes as WriteFrame on each frame in turn, handed over in bulk.
    void WriteFrames(const PcmFrame* frames, std::size_t count);
    int FinishHeader(int frameCount);

    // An 8-bit unsigned sample as a 16-bit signed value, symmetric about 127.5.
    static std::int16_t Conv8(unsigned char sample);

private:
    bool ParseHeader();
    bool ReadExactly(void* buffer, int count);
    bool FindDataChunk(std::int64_t chunkOffset, std::uint32_t& dataSize);
    bool SetDataExtent(std::uint32_t dataSize);
    void Rewind();
    void ReadSourceFrame(PcmFrame& frame);
    std::int16_t SampleAt(std::int32_t offset);
    unsigned char CachedByte(std::int32_t offset);
    int FrameSize() const { return m_nChannels * m_nBytesPerSample; }

    unsigned char m_cache[kBlockSize] = {};
    std::int32_t m_nCachedBlock = -1;
    std::int32_t m_nFrameCount = 0;
    std::int32_t m_nBytesPerSample = 0;
    std::int32_t m_nSampleRate = 0;
    std::int32_t m_nChannels = 0;
    std::int32_t m_nPosition = 0;
    std::int32_t m_nDataStart = 0;
    std::int32_t m_nDataEnd = 0;
    std::int32_t m_nTargetRate = 0;
    std::int32_t m_nStepsLeft = 0;
    PcmFrame m_prevFrame;
    PcmFrame m_curFrame;
};
