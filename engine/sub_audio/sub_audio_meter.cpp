#include "engine/sub_audio/sub_audio_meter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kButterworthQ = 0.7071067811865476;  // 1/√2
// Periods of the cutoff before extremes count: the filter's start decays by
// e^(−2π × 3 / √2) ≈ 1.4e-6 in that time.
constexpr double kSettlingPeriods = 3.0;

double FiniteOrZero(float sample)
{
    return std::isfinite(sample) ? static_cast<double>(sample) : 0.0;
}

}  // namespace

SubAudioMeter::SubAudioMeter(double cutoffHz, double sampleRate)
{
    if (!(sampleRate >= 4.0))
        sampleRate = kRunSampleRate;
    cutoffHz = std::clamp(std::isnan(cutoffHz) ? 1.0 : cutoffHz, 1.0, sampleRate / 4.0);
    const double k = std::tan(kPi * cutoffHz / sampleRate);
    const double norm = 1.0 / (1.0 + k / kButterworthQ + k * k);
    m_dB0 = k * k * norm;
    m_dA1 = 2.0 * (k * k - 1.0) * norm;
    m_dA2 = (1.0 - k / kButterworthQ + k * k) * norm;
    m_nSettlingFrames = static_cast<std::uint64_t>(std::round(kSettlingPeriods * sampleRate / cutoffHz));
}

// The low-pass passes a constant at gain 1: its steady state for x has x as
// every past input and output.
void SubAudioMeter::Channel::Start(double x)
{
    m_dX1 = m_dX2 = m_dY1 = m_dY2 = x;
}

double SubAudioMeter::Channel::Step(double x, const SubAudioMeter& meter)
{
    const double y = meter.m_dB0 * ((x + 2.0 * m_dX1) + m_dX2) - meter.m_dA1 * m_dY1 - meter.m_dA2 * m_dY2;
    m_dX2 = m_dX1;
    m_dX1 = x;
    m_dY2 = m_dY1;
    m_dY1 = y;
    return y;
}

void SubAudioMeter::Channel::Keep(double y, bool first)
{
    m_dLowest = first ? y : std::min(m_dLowest, y);
    m_dHighest = first ? y : std::max(m_dHighest, y);
}

void SubAudioMeter::Measure(std::span<const StereoFrame> piece)
{
    for (const StereoFrame& frame : piece) {
        const double left = FiniteOrZero(frame.left);
        const double right = FiniteOrZero(frame.right);
        if (m_nFramesSeen == 0) {
            m_channels[0].Start(left);
            m_channels[1].Start(right);
        }
        const double lowLeft = m_channels[0].Step(left, *this);
        const double lowRight = m_channels[1].Step(right, *this);
        if (m_nFramesSeen >= m_nSettlingFrames) {
            const bool first = m_nFramesSeen == m_nSettlingFrames;
            m_channels[0].Keep(lowLeft, first);
            m_channels[1].Keep(lowRight, first);
        }
        ++m_nFramesSeen;
    }
}

double SubAudioMeter::SubAudioShare(float meanLeft, float meanRight, float peak) const
{
    if (!(peak > 0.0f) || m_nFramesSeen <= m_nSettlingFrames)
        return 0.0;
    const std::array<double, 2> means{meanLeft, meanRight};
    double subAudioPeak = 0.0;
    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        subAudioPeak = std::max({subAudioPeak, std::abs(m_channels[c].m_dHighest - means[c]),
                                 std::abs(m_channels[c].m_dLowest - means[c])});
    }
    return subAudioPeak / peak;
}
