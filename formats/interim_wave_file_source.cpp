#include "formats/interim_wave_file_source.h"

#include <cmath>

#include "engine/generation_settings.h"
#include "wav/wave_file.h"

namespace {

// 16-bit samples are scaled by 1/32767 (as a 32-bit float): 32767 becomes 1.0.
constexpr float kInputScale = 1.0f / 32767.0f;

float ToSample(std::int16_t value)
{
    return static_cast<float>(value * static_cast<double>(kInputScale));
}

}  // namespace

std::unique_ptr<InterimWaveFileSource> InterimWaveFileSource::Open(const std::string& path)
{
    auto file = std::make_unique<WaveFile>();
    if (file->OpenForRead(path, kRunSampleRate) != 0)
        return nullptr;
    return std::unique_ptr<InterimWaveFileSource>(new InterimWaveFileSource(std::move(file)));
}

InterimWaveFileSource::InterimWaveFileSource(std::unique_ptr<WaveFile> file)
    : m_pFile(std::move(file))
{
}

InterimWaveFileSource::~InterimWaveFileSource() = default;

// The input's frame count at 44100 Hz: × 1, × 2 or × 4 of its own.
std::uint64_t InterimWaveFileSource::GetFrameCount() const
{
    const double frames =
        std::trunc(static_cast<double>(kRunSampleRate) / m_pFile->GetSampleRate() * m_pFile->GetFrameCount());
    return static_cast<std::uint64_t>(frames);
}

int InterimWaveFileSource::GetFileRate() const
{
    return m_pFile->GetSampleRate();
}

void InterimWaveFileSource::Read(StereoFrame* frames, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        PcmFrame frame;
        m_pFile->ReadFrame(frame);
        frames[i] = {ToSample(frame.left), ToSample(frame.right)};
    }
}

void InterimWaveFileSource::Close()
{
    m_pFile->CloseFile();
}

std::string InterimWaveFileSource::Describe() const
{
    const std::string channels = m_pFile->GetChannels() == 1 ? "mono" : "stereo";
    return std::to_string(m_pFile->GetBytesPerSample() * 8) + "-bit " + channels + " PCM WAV, " +
           std::to_string(m_pFile->GetSampleRate()) + " Hz";
}
