#include "engine/source/octave_decimator.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kHalfTaps = (kOctaveFilterTaps - 1) / 2;
constexpr double kCutoff = 0.225;
// Kaiser's formula for a stopband 95 dB down.
constexpr double kKaiserBeta = 0.1102 * (95.0 - 8.7);

using HalfTaps = std::array<double, kHalfTaps + 1>;

// The modified Bessel function of the first kind, order 0, by its power
// series Σ ((x/2)^k / k!)², summed until a term no longer changes the sum.
double BesselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 500; ++k) {
        const double factor = x / (2.0 * k);
        term *= factor * factor;
        if (sum + term == sum)
            break;
        sum += term;
    }
    return sum;
}

double KaiserWindow(int j)
{
    const double r = static_cast<double>(j) / kHalfTaps;
    return BesselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / BesselI0(kKaiserBeta);
}

double IdealLowPass(int j)
{
    if (j == 0)
        return 2.0 * kCutoff;
    return std::sin(2.0 * kPi * kCutoff * j) / (kPi * j);
}

HalfTaps DesignHalfTaps()
{
    HalfTaps half{};
    double sum = 0.0;
    for (int j = 0; j <= kHalfTaps; ++j) {
        half[j] = IdealLowPass(j) * KaiserWindow(j);
        sum += j == 0 ? half[j] : 2.0 * half[j];
    }
    for (double& tap : half)
        tap /= sum;
    return half;
}

const HalfTaps& Taps()
{
    static const HalfTaps half = DesignHalfTaps();
    return half;
}

struct FrameSum {
    double m_dLeft;
    double m_dRight;
};

// The filter at input frame centre; read(n) gives input frame n (or silence).
template <typename Read>
StereoFrame FilteredFrame(const HalfTaps& h, Read read, std::ptrdiff_t centre)
{
    const StereoFrame middle = read(centre);
    FrameSum sum{h[0] * middle.left, h[0] * middle.right};
    for (int j = 1; j <= kHalfTaps; ++j) {
        const StereoFrame before = read(centre - j);
        const StereoFrame after = read(centre + j);
        sum.m_dLeft += h[j] * (static_cast<double>(before.left) + static_cast<double>(after.left));
        sum.m_dRight += h[j] * (static_cast<double>(before.right) + static_cast<double>(after.right));
    }
    return {static_cast<float>(sum.m_dLeft), static_cast<float>(sum.m_dRight)};
}

}  // namespace

std::span<const double> OctaveFilterHalf()
{
    return Taps();
}

void HalveRate(std::span<const StereoFrame> input, std::span<StereoFrame> output)
{
    const HalfTaps& h = Taps();
    const auto size = static_cast<std::ptrdiff_t>(input.size());
    const StereoFrame* frames = input.data();
    auto inside = [frames](std::ptrdiff_t n) { return frames[n]; };
    auto padded = [frames, size](std::ptrdiff_t n) {
        return n >= 0 && n < size ? frames[n] : StereoFrame{0.0f, 0.0f};
    };
    for (std::size_t i = 0; i < output.size(); ++i) {
        const auto centre = static_cast<std::ptrdiff_t>(2 * i);
        const bool reachesOutside = centre < kHalfTaps || centre + kHalfTaps >= size;
        output[i] = reachesOutside ? FilteredFrame(h, padded, centre) : FilteredFrame(h, inside, centre);
    }
}
