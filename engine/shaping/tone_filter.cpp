#include "engine/shaping/tone_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/base/stereo_frame.h"

namespace {

// 1/Q of the Butterworth stages: one stage of Q 1/√2 for 12 dB per octave;
// two of Q 0.5412 and 1.3066 for 24.
constexpr double kOneStageK = 1.4142135623730951;
constexpr std::array<double, 2> kTwoStageK = {1.8477590650225735, 0.7653668647301796};

// The highest cut-off the filters take: below the run's Nyquist frequency.
constexpr double kHighestHz = 20000.0;

}  // namespace

// Per frame and channel: v3 = x − s2; v1 = a1·s1 + a2·v3; v2 = s2 + a2·s1 +
// a3·v3; s1 = 2·v1 − s1; s2 = 2·v2 − s2; the low pass is v2, the high pass
// x − k·v1 − v2.
void FilterStage::Process(Kind kind, double g, double k, double& left, double& right)
{
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    double* channels[2] = {&left, &right};
    for (int c = 0; c < 2; ++c) {
        double& s1 = m_state[static_cast<std::size_t>(2 * c)];
        double& s2 = m_state[static_cast<std::size_t>(2 * c + 1)];
        const double x = *channels[c];
        const double v3 = x - s2;
        const double v1 = a1 * s1 + a2 * v3;
        const double v2 = s2 + a2 * s1 + a3 * v3;
        s1 = 2.0 * v1 - s1;
        s2 = 2.0 * v2 - s2;
        *channels[c] = kind == Kind::LowPass ? v2 : x - k * v1 - v2;
    }
}

ToneCut::ToneCut(FilterStage::Kind kind, int slopeDb)
    : m_kind(kind)
    , m_nStages(slopeDb >= 24 ? 2 : 1)
{
}

void ToneCut::Reset()
{
    for (FilterStage& stage : m_stages)
        stage.Reset();
}

void ToneCut::Process(double g, double& left, double& right)
{
    if (m_nStages == 1) {
        m_stages[0].Process(m_kind, g, kOneStageK, left, right);
        return;
    }
    for (std::size_t i = 0; i < 2; ++i)
        m_stages[i].Process(m_kind, g, kTwoStageK[i], left, right);
}

double ToneCut::GainOf(double hz)
{
    return std::tan(std::numbers::pi * std::clamp(hz, 0.0, kHighestHz) / kRunSampleRate);
}
