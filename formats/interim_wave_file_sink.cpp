#include "formats/interim_wave_file_sink.h"

#include <cmath>
#include <unistd.h>

#include "engine/generation_settings.h"
#include "formats/sound_file_messages.h"
#include "wav/wave_file.h"

namespace {

// The run's own rule: trunc(value × 32767) taken as a signed 16-bit value;
// anything that could not become an integer at all is written as silence.
std::int16_t ToPcmSample(float value)
{
    const double scaled = std::trunc(value * 32767.0);
    if (!(std::fabs(scaled) <= 32768.0))
        return 0;
    return static_cast<std::int16_t>(static_cast<std::int32_t>(scaled));
}

}  // namespace

InterimWaveFileSink::InterimWaveFileSink()
    : m_pFile(std::make_unique<WaveFile>())
{
}

InterimWaveFileSink::~InterimWaveFileSink() = default;

std::optional<RunMessage> InterimWaveFileSink::Create(const std::string& path)
{
    m_strPath = path;
    if (m_pFile->CreateForWrite(path, kRunSampleRate) != 0)
        return OutputFailure(path, "cannot create the file");
    return std::nullopt;
}

void InterimWaveFileSink::Write(const StereoFrame* frames, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        m_pFile->WriteFrame({ToPcmSample(frames[i].left), ToPcmSample(frames[i].right)});
        m_nFramesWritten += 1;
    }
}

void InterimWaveFileSink::Finish(bool)
{
    if (m_nFramesWritten > 0)
        m_pFile->FinishHeader(static_cast<int>(m_nFramesWritten));
    m_pFile->CloseFile();
}

void InterimWaveFileSink::Discard()
{
    try {
        m_pFile->CloseFile();
    } catch (const FileException&) {
        // The file goes anyway.
    }
    if (!m_strPath.empty())
        unlink(m_strPath.c_str());
}
