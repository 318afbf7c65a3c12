#include "engine/io/wave_frame_sink.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "resources/strings/resource_ids.h"
#include "wav/file_exception.h"

namespace {

constexpr double kOutputScale = 32767.0;
// The size fields of the header count bytes in 32 bits: RIFF size = 36 + 4 × frames.
constexpr std::uint64_t kMaxFrames = (0xFFFFFFFFull - 36) / 4;

}  // namespace

std::optional<RunMessage> WaveFrameSink::Create(const std::string& path)
{
    if (m_file.CreateForWrite(path, kRunSampleRate) != 0)
        return TableMessage(IDS_ERR_CREATE_OUTPUT);
    m_strPath = path;
    m_nFramesWritten = 0;
    m_bCreated = true;
    return std::nullopt;
}

void WaveFrameSink::Write(const StereoFrame* frames, std::size_t count)
{
    // A longer sound needs a file with larger size fields (RF64, W64).
    if (m_nFramesWritten + count > kMaxFrames)
        throw FileException(FileException::Cause::Write, m_strPath, EFBIG);
    constexpr std::size_t kChunkFrames = 4096;
    PcmFrame pcm[kChunkFrames];
    for (std::size_t done = 0; done < count;) {
        const std::size_t chunk = std::min(kChunkFrames, count - done);
        for (std::size_t i = 0; i < chunk; ++i)
            pcm[i] = PcmFrame{ToPcmSample(frames[done + i].left), ToPcmSample(frames[done + i].right)};
        m_file.WriteFrames(pcm, chunk);
        done += chunk;
        m_nFramesWritten += chunk;
    }
}

void WaveFrameSink::Finish(bool cancelled)
{
    // A finished file without frames (a length of 0) is patched too: its RIFF
    // size is then 36, the header's own bytes after the field, not the 0
    // that stricter readers refuse. A run cancelled before its first frame
    // leaves the bare header as it was written.
    if (m_nFramesWritten > 0 || !cancelled)
        m_file.FinishHeader(static_cast<int>(m_nFramesWritten));
    m_file.CloseFile();
}

// The run can no longer complete this file, so none is left behind.
void WaveFrameSink::Discard()
{
    try {
        m_file.CloseFile();
    } catch (const FileException&) {
        // The run is already ending because of an error; this one adds nothing.
    }
    if (m_bCreated)
        std::remove(m_strPath.c_str());
    m_bCreated = false;
}

std::uint64_t WaveFrameSink::GetBytesWritten() const
{
    constexpr std::uint64_t kHeaderBytes = 44;
    constexpr std::uint64_t kFrameBytes = 4;
    return kHeaderBytes + kFrameBytes * m_nFramesWritten;
}

std::int16_t WaveFrameSink::ToPcmSample(float value)
{
    const double scaled = std::trunc(value * kOutputScale);
    if (!(std::fabs(scaled) <= 32768.0))
        return 0;
    return static_cast<std::int16_t>(static_cast<std::int32_t>(scaled));
}
