#include "tests/formats/reference_loudness.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;
constexpr double kOffset = -0.691;

class Filter {
public:
    explicit Filter(const Biquad& biquad) : m_biquad(biquad) {}

    double Step(double x)
    {
        const auto& [b0, b1, b2] = m_biquad.b;
        const double y = b0 * x + b1 * m_x1 + b2 * m_x2 - m_biquad.a[1] * m_y1 - m_biquad.a[2] * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }

private:
    Biquad m_biquad;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

std::vector<double> KWeightedSquares(const std::vector<StereoFrame>& frames, double rate, bool left)
{
    const auto filters = KWeightingFilters(rate);
    Filter shelf(filters[0]);
    Filter highPass(filters[1]);
    std::vector<double> squares;
    squares.reserve(frames.size());
    for (const StereoFrame& frame : frames) {
        const double y = highPass.Step(shelf.Step(left ? frame.left : frame.right));
        squares.push_back(y * y);
    }
    return squares;
}

double LoudnessOf(double meanSquare)
{
    return kOffset + 10.0 * std::log10(meanSquare);
}

// The K-weighted squares of both channels summed over each hop frames (a
// last partial hop left out).
std::vector<double> HopSums(const std::vector<StereoFrame>& frames, double rate, std::size_t hop)
{
    const auto filters = KWeightingFilters(rate);
    Filter leftShelf(filters[0]);
    Filter leftPass(filters[1]);
    Filter rightShelf(filters[0]);
    Filter rightPass(filters[1]);
    std::vector<double> sums(frames.size() / hop, 0.0);
    for (std::size_t i = 0; i < sums.size() * hop; ++i) {
        const double left = leftPass.Step(leftShelf.Step(frames[i].left));
        const double right = rightPass.Step(rightShelf.Step(frames[i].right));
        sums[i / hop] += left * left + right * right;
    }
    return sums;
}

}  // namespace

std::array<Biquad, 2> KWeightingFilters(double rate)
{
    // The standard's pre-filter (a high shelf) and RLB weighting (a high pass).
    const double shelfFrequency = 1681.974450955533;
    const double shelfGain = 3.999843853973347;
    const double shelfQ = 0.7071752369554196;
    double k = std::tan(std::numbers::pi * shelfFrequency / rate);
    const double vh = std::pow(10.0, shelfGain / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / shelfQ + k * k;
    const Biquad shelf{
        {(vh + vb * k / shelfQ + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / shelfQ + k * k) / a0},
        {1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / shelfQ + k * k) / a0}};

    const double passFrequency = 38.13547087602444;
    const double passQ = 0.5003270373238773;
    k = std::tan(std::numbers::pi * passFrequency / rate);
    a0 = 1.0 + k / passQ + k * k;
    const Biquad highPass{{1.0, -2.0, 1.0}, {1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / passQ + k * k) / a0}};
    return {shelf, highPass};
}

double ReferenceIntegratedLoudness(const std::vector<StereoFrame>& frames, double rate)
{
    const std::vector<double> left = KWeightedSquares(frames, rate, true);
    const std::vector<double> right = KWeightedSquares(frames, rate, false);
    const auto block = static_cast<std::size_t>(std::llround(0.4 * rate));
    const auto step = static_cast<std::size_t>(std::llround(0.1 * rate));
    std::vector<double> blockPowers;  // mean square of left plus that of right, per block
    for (std::size_t start = 0; start + block <= frames.size(); start += step) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + block; ++i)
            sum += left[i] + right[i];
        blockPowers.push_back(sum / static_cast<double>(block));
    }
    auto gatedMean = [&](double gate) {
        double sum = 0.0;
        std::size_t count = 0;
        for (const double power : blockPowers) {
            if (power > 0.0 && LoudnessOf(power) > gate) {
                sum += power;
                ++count;
            }
        }
        return count > 0 ? sum / static_cast<double>(count) : 0.0;
    };
    const double ungated = gatedMean(kAbsoluteGate);
    if (ungated == 0.0)
        return -std::numeric_limits<double>::infinity();
    const double relativeGate = LoudnessOf(ungated) + kRelativeGate;
    return LoudnessOf(gatedMean(std::max(kAbsoluteGate, relativeGate)));
}

std::vector<double> ReferenceShortTermLoudness(const std::vector<StereoFrame>& frames, double rate, std::size_t hop)
{
    return ReferenceWindowLoudness(frames, rate, hop, 3.0);
}

std::vector<double> ReferenceWindowLoudness(const std::vector<StereoFrame>& frames, double rate, std::size_t hop,
                                            double seconds)
{
    const std::vector<double> sums = HopSums(frames, rate, hop);
    const auto window = static_cast<std::size_t>(std::llround(seconds * rate));
    const std::size_t hops = window / hop;
    std::vector<double> loudness;
    for (std::size_t n = 0; n + hops <= sums.size(); ++n) {
        double sum = 0.0;
        for (std::size_t k = n; k < n + hops; ++k)
            sum += sums[k];
        loudness.push_back(sum > 0.0 ? LoudnessOf(sum / static_cast<double>(window))
                                     : -std::numeric_limits<double>::infinity());
    }
    return loudness;
}
