#include "engine/io/wave_sound_source.h"

#include <cmath>
#include <memory>

#include "resources/strings/resource_ids.h"

namespace {

constexpr float kInputScale = 1.0f / 32767.0f;

}  // namespace

std::unique_ptr<WaveSoundSource> WaveSoundSource::Open(const std::string& path)
{
    auto source = std::make_unique<WaveSoundSource>();
    if (source->m_file.OpenForRead(path, kRunSampleRate) != 0)
        return nullptr;
    return source;
}

SourceOpening OpenWaveSource(const std::string& path)
{
    auto source = WaveSoundSource::Open(path);
    if (!source)
        return {nullptr, TableMessage(IDS_ERR_OPEN_INPUT)};
    return {std::move(source), {}};
}

// The file's frame count at 44100 Hz, computed in 64-bit floating point as
// trunc(44100 / rate × frames): × 1, × 2 or × 4 of its own.
std::uint64_t WaveSoundSource::GetFrameCount() const
{
    const double frames =
        std::trunc(static_cast<double>(kRunSampleRate) / m_file.GetSampleRate() * m_file.GetFrameCount());
    return static_cast<std::uint64_t>(frames);
}

void WaveSoundSource::Read(StereoFrame* frames, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        PcmFrame frame;
        m_file.ReadFrame(frame);
        frames[i] = {ToSample(frame.left), ToSample(frame.right)};
    }
}

float WaveSoundSource::ToSample(std::int16_t value)
{
    return static_cast<float>(value * static_cast<double>(kInputScale));
}
