#include "engine/source/low_cut.h"

#include <array>
#include <cmath>
#include <cstddef>

#include "engine/source/edge_trend.h"

namespace {

constexpr double kPi = 3.141592653589793;

// The quality factors of the two pole pairs of a 4th-order Butterworth
// filter: 1 / (2 cos(π/8)) and 1 / (2 cos(3π/8)).
constexpr std::array kSectionQ{0.5411961001461970, 1.3065629648763766};

// One biquad high-pass section, b0 (1 − z⁻¹)² / (1 + a1 z⁻¹ + a2 z⁻²), with
// two sums its steady state needs, formed from K directly: 1 + a1 + a2 and
// a1 + 2 a2 are small differences of numbers near 2 and 1 at low cutoffs.
struct Section {
    double m_dB0;
    double m_dA1;
    double m_dA2;
    double m_dOnePlusA1PlusA2;
    double m_dA1PlusTwoA2;
};

using HighPass = std::array<Section, 2>;

HighPass DesignHighPass(double cutoffHz, double sampleRate)
{
    const double k = std::tan(kPi * cutoffHz / sampleRate);
    HighPass filter{};
    for (std::size_t i = 0; i < filter.size(); ++i) {
        const double q = kSectionQ[i];
        const double b0 = 1.0 / (1.0 + k / q + k * k);
        filter[i] = {b0, 2.0 * (k * k - 1.0) * b0, (1.0 - k / q + k * k) * b0, 4.0 * k * k * b0,
                     (4.0 * k * k - 2.0 * k / q) * b0};
    }
    return filter;
}

// A section in direct form I: its last two inputs and outputs. The numerator
// is taken as b0 times the second difference of the input, which keeps the
// small difference exact before it is scaled.
struct SectionMemory {
    double m_dX1 = 0.0;
    double m_dX2 = 0.0;
    double m_dY1 = 0.0;
    double m_dY2 = 0.0;

    double Step(double x, const Section& section)
    {
        const double y =
            section.m_dB0 * ((x - 2.0 * m_dX1) + m_dX2) - section.m_dA1 * m_dY1 - section.m_dA2 * m_dY2;
        m_dX2 = m_dX1;
        m_dX1 = x;
        m_dY2 = m_dY1;
        m_dY1 = y;
        return y;
    }
};

struct FilterMemory {
    std::array<SectionMemory, 2> m_sections;

    double Step(double x, const HighPass& filter)
    {
        return m_sections[1].Step(m_sections[0].Step(x, filter[0]), filter[1]);
    }
};

// The filter as it stands after an endless input p(n) = trend, n < 0. The
// first section turns the cubic into its second difference D(n) = P + Q n,
// a line, and answers it with the line y(n) = α + β n:
//   β (1 + a1 + a2) = b0 Q,   α (1 + a1 + a2) = b0 P + β (a1 + 2 a2).
// The second section's numerator takes a line to 0: its outputs are 0.
FilterMemory SteadyStateFor(const EdgeTrend& trend, const HighPass& filter)
{
    const Section& first = filter[0];
    const double p = trend.SecondDifference(0.0);
    const double q = trend.SecondDifferenceSlope();
    const double beta = first.m_dB0 * q / first.m_dOnePlusA1PlusA2;
    const double alpha = (first.m_dB0 * p + beta * first.m_dA1PlusTwoA2) / first.m_dOnePlusA1PlusA2;
    FilterMemory memory;
    memory.m_sections[0] = {trend.At(-1.0), trend.At(-2.0), alpha - beta, alpha - 2.0 * beta};
    memory.m_sections[1] = {alpha - beta, alpha - 2.0 * beta, 0.0, 0.0};
    return memory;
}

// The frames of a sound in the order one pass visits them.
class PassOrder {
public:
    PassOrder(std::span<StereoFrame> sound, bool backwards)
        : m_sound(sound)
        , m_bBackwards(backwards)
    {
    }

    std::size_t size() const { return m_sound.size(); }
    StereoFrame& operator[](std::size_t k) const { return m_sound[m_bBackwards ? m_sound.size() - 1 - k : k]; }

private:
    std::span<StereoFrame> m_sound;
    bool m_bBackwards;
};

EdgeTrend FitEdgeTrend(const PassOrder& frames, float StereoFrame::*channel, std::size_t fitFrames)
{
    EdgeTrendFit fit(fitFrames);
    for (std::size_t k = 0; k < fitFrames; ++k)
        fit.Add(frames[k].*channel);
    return fit.Result();
}

void FilterPass(const PassOrder& frames, const HighPass& filter, std::size_t fitFrames)
{
    for (float StereoFrame::*channel : {&StereoFrame::left, &StereoFrame::right}) {
        FilterMemory memory = SteadyStateFor(FitEdgeTrend(frames, channel, fitFrames), filter);
        for (std::size_t k = 0; k < frames.size(); ++k) {
            float& sample = frames[k].*channel;
            sample = static_cast<float>(memory.Step(sample, filter));
        }
    }
}

double ClampCutoff(double cutoffHz)
{
    if (!(cutoffHz >= kLowestLowCutHz))
        return kLowestLowCutHz;
    return cutoffHz > kHighestLowCutHz ? kHighestLowCutHz : cutoffHz;
}

}  // namespace

void ApplyLowCut(std::span<StereoFrame> sound, double cutoffHz, double sampleRate)
{
    const double cutoff = ClampCutoff(cutoffHz);
    if (sound.empty() || !(sampleRate > 4.0 * cutoff))
        return;
    const HighPass filter = DesignHighPass(cutoff, sampleRate);
    // One period of the cutoff: long enough that content above the cutoff
    // averages out of the fit, short enough that a cubic follows what lies
    // well below it.
    const auto periodFrames = static_cast<std::size_t>(std::round(sampleRate / cutoff));
    const std::size_t fitFrames = periodFrames < sound.size() ? periodFrames : sound.size();
    FilterPass(PassOrder(sound, false), filter, fitFrames);
    FilterPass(PassOrder(sound, true), filter, fitFrames);
}
