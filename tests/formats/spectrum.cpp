#include "tests/formats/spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

void Transform(std::vector<std::complex<double>>& values)
{
    const std::size_t n = values.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(values[i], values[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> turn(1.0, 0.0);
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> even = values[start + k];
                const std::complex<double> odd = values[start + k + length / 2] * turn;
                values[start + k] = even + odd;
                values[start + k + length / 2] = even - odd;
                turn *= step;
            }
        }
    }
}

std::size_t BinOf(const Spectrum& spectrum, double frequency)
{
    const double bin = std::round(frequency / spectrum.m_dBinHz);
    return static_cast<std::size_t>(std::clamp(bin, 0.0, static_cast<double>(spectrum.m_amplitudes.size() - 1)));
}

}  // namespace

Spectrum SpectrumOf(const std::vector<float>& samples, double rate)
{
    std::size_t n = 1;
    while (n * 2 <= samples.size())
        n *= 2;
    constexpr double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
    std::vector<std::complex<double>> values(n);
    double windowSum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double w = a0 - a1 * std::cos(x) + a2 * std::cos(2.0 * x) - a3 * std::cos(3.0 * x);
        values[i] = w * samples[i];
        windowSum += w;
    }
    Transform(values);
    Spectrum spectrum;
    spectrum.m_dBinHz = rate / static_cast<double>(n);
    spectrum.m_amplitudes.resize(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        spectrum.m_amplitudes[k] = 2.0 * std::abs(values[k]) / windowSum;
    return spectrum;
}

double Spectrum::LargestBetween(double from, double to) const
{
    const auto begin = m_amplitudes.begin() + static_cast<std::ptrdiff_t>(BinOf(*this, from));
    const auto end = m_amplitudes.begin() + static_cast<std::ptrdiff_t>(BinOf(*this, to)) + 1;
    return begin < end ? *std::max_element(begin, end) : 0.0;
}

double Spectrum::PeakFrequencyBetween(double from, double to) const
{
    const auto begin = m_amplitudes.begin() + static_cast<std::ptrdiff_t>(BinOf(*this, from));
    const auto end = m_amplitudes.begin() + static_cast<std::ptrdiff_t>(BinOf(*this, to)) + 1;
    return static_cast<double>(std::max_element(begin, end) - m_amplitudes.begin()) * m_dBinHz;
}

double Spectrum::PowerShareBelow(double frequency) const
{
    double below = 0.0;
    double total = 0.0;
    for (std::size_t k = 0; k < m_amplitudes.size(); ++k) {
        const double power = m_amplitudes[k] * m_amplitudes[k];
        total += power;
        if (static_cast<double>(k) * m_dBinHz < frequency)
            below += power;
    }
    return total > 0.0 ? below / total : 0.0;
}

double Spectrum::FlatnessBetween(double from, double to) const
{
    double logSum = 0.0;
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t k = BinOf(*this, from); k <= BinOf(*this, to); ++k) {
        // A floor far below any sound keeps an exactly silent bin from
        // taking the logarithm of zero.
        const double power = m_amplitudes[k] * m_amplitudes[k] + 1e-30;
        logSum += std::log(power);
        sum += power;
        ++count;
    }
    if (count == 0)
        return 0.0;
    const double n = static_cast<double>(count);
    return std::exp(logSum / n) / (sum / n);
}
