#include "analysis/peak_meter.h"

#include <algorithm>
#include <cmath>

PeakMeter::PeakMeter(const PeakMeterSettings& settings)
    : m_fFallPerFrame(static_cast<float>(
          std::pow(10.0, -std::max(settings.m_dFallDbPerSecond, 0.0) / 20.0 / kRunSampleRate)))
    , m_nHoldFrames(static_cast<std::uint64_t>(std::max(settings.m_dHoldSeconds, 0.0) * kRunSampleRate))
{
}

void PeakMeter::OnStretch(const StereoFrame* frames, std::size_t count)
{
    for (std::size_t j = 0; j < count; ++j) {
        const float left = std::fabs(frames[j].left);
        const float right = std::fabs(frames[j].right);
        Follow(m_channels[0], left);
        Follow(m_channels[1], right);
        m_bOver = m_bOver || left > 1.0f || right > 1.0f;
    }
}

void PeakMeter::Follow(Channel& channel, float magnitude)
{
    channel.m_fLevel = std::max(magnitude, channel.m_fLevel * m_fFallPerFrame);
    if (magnitude >= channel.m_fHeld) {
        channel.m_fHeld = magnitude;
        channel.m_nHeldFor = 0;
    } else if (++channel.m_nHeldFor > m_nHoldFrames) {
        channel.m_fHeld = std::max(channel.m_fHeld * m_fFallPerFrame, channel.m_fLevel);
    }
}

void PeakMeter::Reset()
{
    m_channels[0] = {};
    m_channels[1] = {};
    m_bOver = false;
}

float AmplitudeToDb(float amplitude, float floorDb)
{
    if (!(amplitude > 0.0f))
        return floorDb;
    return std::max(20.0f * std::log10(amplitude), floorDb);
}
