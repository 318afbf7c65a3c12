#include "engine/sub_audio/layer_sub_audio.h"

#include <algorithm>

LayerSubAudio::LayerSubAudio(std::uint64_t first, std::uint64_t end) : m_nFirst(first), m_nEnd(end)
{
}

void LayerSubAudio::Measure(std::span<const StereoFrame> sound, std::span<const float> gains, std::uint64_t first)
{
    const std::uint64_t from = std::max(first, m_nFirst);
    const std::uint64_t to = std::min(first + sound.size(), m_nEnd);
    if (from >= to)
        return;
    m_scaled.resize(to - from);
    for (std::uint64_t frame = from; frame < to; ++frame) {
        const std::size_t i = frame - first;
        const float gain = gains.empty() ? 1.0f : gains[i];
        m_scaled[frame - from] = {sound[i].left * gain, sound[i].right * gain};
    }
    Take(m_scaled);
}

void LayerSubAudio::MeasureSilence(std::uint64_t count, std::uint64_t first)
{
    constexpr std::uint64_t kPiece = 4096;
    const std::uint64_t from = std::max(first, m_nFirst);
    const std::uint64_t to = std::min(first + count, m_nEnd);
    m_scaled.assign(std::min(kPiece, to > from ? to - from : 0), StereoFrame{0.0f, 0.0f});
    for (std::uint64_t frame = from; frame < to; frame += kPiece)
        Take(std::span<const StereoFrame>(m_scaled).first(std::min(kPiece, to - frame)));
}

void LayerSubAudio::Take(std::span<const StereoFrame> frames)
{
    m_meter.Measure(frames);
    for (const StereoFrame& frame : frames) {
        m_dSumLeft += frame.left;
        m_dSumRight += frame.right;
    }
    m_nFrames += frames.size();
}

double LayerSubAudio::Peak() const
{
    if (m_nFrames == 0)
        return 0.0;
    const auto frames = static_cast<double>(m_nFrames);
    return m_meter.SubAudioShare(static_cast<float>(m_dSumLeft / frames), static_cast<float>(m_dSumRight / frames),
                                 1.0f);
}
