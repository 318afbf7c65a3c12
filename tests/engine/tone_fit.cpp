#include "tests/engine/tone_fit.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

std::vector<StereoFrame> SineFrames(std::size_t frames, double cyclesPerFrame, double amplitude, double phase)
{
    std::vector<StereoFrame> sound(frames);
    for (std::size_t n = 0; n < frames; ++n) {
        const auto value =
            static_cast<float>(amplitude * std::sin(kTwoPi * cyclesPerFrame * static_cast<double>(n) + phase));
        sound[n] = {value, value};
    }
    return sound;
}

void AddFrames(std::vector<StereoFrame>& a, const std::vector<StereoFrame>& b)
{
    for (std::size_t n = 0; n < b.size(); ++n) {
        a[n].left += b[n].left;
        a[n].right += b[n].right;
    }
}

// value ≈ s sin θ + c cos θ, solved from the 2 × 2 normal equations;
// s sin θ + c cos θ = A sin(θ + φ) with A = √(s² + c²), φ = atan2(c, s).
ToneFit FitTone(std::span<const StereoFrame> frames, double cyclesPerFrame, std::size_t first, std::size_t count)
{
    double ss = 0.0, sc = 0.0, cc = 0.0, sv = 0.0, cv = 0.0;
    for (std::size_t n = first; n < first + count; ++n) {
        const double angle = kTwoPi * cyclesPerFrame * static_cast<double>(n);
        const double s = std::sin(angle);
        const double c = std::cos(angle);
        ss += s * s;
        sc += s * c;
        cc += c * c;
        sv += s * frames[n].left;
        cv += c * frames[n].left;
    }
    const double determinant = ss * cc - sc * sc;
    const double sine = (sv * cc - cv * sc) / determinant;
    const double cosine = (cv * ss - sv * sc) / determinant;
    return {std::hypot(sine, cosine), std::atan2(cosine, sine)};
}

double Decibels(double a, double b)
{
    return 20.0 * std::log10(a / b);
}

double PeakOf(std::span<const StereoFrame> frames, std::size_t first, std::size_t count)
{
    double peak = 0.0;
    for (std::size_t n = first; n < first + count; ++n)
        peak = std::max({peak, std::abs(static_cast<double>(frames[n].left)),
                         std::abs(static_cast<double>(frames[n].right))});
    return peak;
}
