// Phase 4 of a run: the OutputBuffer without DC offset, its peak at the volume
// setting, faded in and out. Four passes in place; none shows progress, each
// serves the host every 100000 frames.
#include <cmath>

#include "engine/envelope_shapes.h"
#include "engine/generation_run.h"

namespace {

constexpr std::uint32_t kFramesPerPump = 100000;

}  // namespace

void GenerationRun::PumpDuringFinishing(std::uint32_t j)
{
    if (j % kFramesPerPump == 0)
        m_host.PumpMessages();
}

void GenerationRun::FinishLevels()
{
    const auto frames = static_cast<std::uint32_t>(m_outputBuffer.size());
    StereoFrame* out = m_outputBuffer.data();

    // 1. Channel sums, accumulated in 32-bit floats.
    float sumLeft = 0.0f;
    float sumRight = 0.0f;
    for (std::uint32_t j = 0; j < frames; ++j) {
        sumLeft += out[j].left;
        sumRight += out[j].right;
        PumpDuringFinishing(j);
    }

    // 2. Each channel's mean removed.
    if (frames > 0) {
        const auto meanLeft = static_cast<float>(static_cast<double>(sumLeft) / frames);
        const auto meanRight = static_cast<float>(static_cast<double>(sumRight) / frames);
        for (std::uint32_t j = 0; j < frames; ++j) {
            out[j].left -= meanLeft;
            out[j].right -= meanRight;
            PumpDuringFinishing(j);
        }
    }

    // 3. The largest magnitude over both channels.
    const auto volume = static_cast<float>(m_settings.m_dVolume);
    float peak = 0.0f;
    for (std::uint32_t j = 0; j < frames; ++j) {
        if (std::fabs(out[j].left) > peak)
            peak = std::fabs(out[j].left);
        if (std::fabs(out[j].right) > peak)
            peak = std::fabs(out[j].right);
        PumpDuringFinishing(j);
    }

    // 4. Both channels scaled by the same factor, so the peak lands on the
    // volume, and faded. A silent buffer (peak 0) has nothing to scale: it is
    // written as zeros instead of being divided by zero.
    const auto divisor = static_cast<float>(static_cast<double>(peak) / volume);
    const bool scalable = divisor > 0.0f && std::isfinite(divisor);
    for (std::uint32_t j = 0; j < frames; ++j) {
        if (scalable) {
            const double gain = FadeGain(j);
            out[j].left = static_cast<float>(out[j].left / static_cast<double>(divisor) * gain);
            out[j].right = static_cast<float>(out[j].right / static_cast<double>(divisor) * gain);
        } else {
            out[j] = StereoFrame{0.0f, 0.0f};
        }
        PumpDuringFinishing(j);
    }
}

double GenerationRun::FadeGain(std::uint32_t j) const
{
    return FadeGainAt(j, static_cast<std::uint32_t>(m_outputBuffer.size()), m_settings.m_nFadeSeconds * kRunSampleRate);
}
