#include "tests/engine/tone_fit.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

using Matrix3 = std::array<std::array<double, 3>, 3>;

double Determinant(const Matrix3& m)
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Cramer's rule: three unknowns, a well-conditioned system.
std::array<double, 3> Solve3(const Matrix3& m, const std::array<double, 3>& right)
{
    const double whole = Determinant(m);
    std::array<double, 3> solution{};
    for (int column = 0; column < 3; ++column) {
        Matrix3 replaced = m;
        for (int row = 0; row < 3; ++row)
            replaced[row][column] = right[row];
        solution[column] = Determinant(replaced) / whole;
    }
    return solution;
}

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

// value ≈ s sin(θ) + c cos(θ) + offset; s sin + c cos = A sin(θ + φ) with
// A = √(s² + c²), φ = atan2(c, s).
ToneFit FitTone(std::span<const StereoFrame> frames, float StereoFrame::*channel, double cyclesPerFrame,
                std::size_t first, std::size_t count)
{
    Matrix3 normal{};
    std::array<double, 3> right{};
    for (std::size_t n = first; n < first + count; ++n) {
        const double angle = kTwoPi * cyclesPerFrame * static_cast<double>(n);
        const std::array<double, 3> basis{std::sin(angle), std::cos(angle), 1.0};
        const double value = frames[n].*channel;
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k)
                normal[j][k] += basis[j] * basis[k];
            right[j] += basis[j] * value;
        }
    }
    const std::array<double, 3> fit = Solve3(normal, right);
    return {std::hypot(fit[0], fit[1]), std::atan2(fit[1], fit[0]), fit[2]};
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
