#include "engine/sub_audio/dc_blocker.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
// Below this the output is as good as 0: kept from sinking into subnormal
// numbers, which are slow, while a stretch of silence goes through.
constexpr double kSmallestKept = 1e-30;

}  // namespace

DcBlocker::DcBlocker() : m_dPole(std::exp(-2.0 * kPi * kCutoffHz / kRunSampleRate))
{
}

void DcBlocker::Reset()
{
    m_channels = {};
}

float DcBlocker::Channel::Step(float sample, double pole)
{
    const double x = std::isfinite(sample) ? static_cast<double>(sample) : 0.0;
    double y = x - m_dX1 + pole * m_dY1;
    if (std::fabs(y) < kSmallestKept)
        y = 0.0;
    m_dX1 = x;
    m_dY1 = y;
    return static_cast<float>(y);
}

void DcBlocker::Process(std::span<StereoFrame> frames)
{
    for (StereoFrame& frame : frames) {
        frame.left = m_channels[0].Step(frame.left, m_dPole);
        frame.right = m_channels[1].Step(frame.right, m_dPole);
    }
}
