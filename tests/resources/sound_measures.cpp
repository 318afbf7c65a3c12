#include "tests/resources/sound_measures.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

using Spectrum = std::vector<std::complex<double>>;

// In-place iterative radix-2 FFT; values.size() is a power of two.
void Transform(Spectrum& values)
{
    const std::size_t n = values.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j)
            std::swap(values[i], values[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi / static_cast<double>(length));
        for (std::size_t first = 0; first < n; first += length) {
            std::complex<double> twiddle = 1.0;
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> odd = twiddle * values[first + k + length / 2];
                values[first + k + length / 2] = values[first + k] - odd;
                values[first + k] += odd;
                twiddle *= step;
            }
        }
    }
}

// The power in each bin of the Hann-windowed frames, from DC to half the rate.
std::vector<double> PowerSpectrum(const std::vector<double>& sound, std::size_t start, std::size_t size)
{
    Spectrum values(size);
    for (std::size_t i = 0; i < size; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                                 static_cast<double>(size));
        values[i] = start + i < sound.size() ? hann * sound[start + i] : 0.0;
    }
    Transform(values);
    std::vector<double> power(size / 2);
    for (std::size_t k = 0; k < power.size(); ++k)
        power[k] = std::norm(values[k]);
    return power;
}

std::size_t BinOf(double hz, std::size_t size)
{
    return static_cast<std::size_t>(hz * static_cast<double>(size) / kMeasureRate);
}

}  // namespace

double StrongestFrequency(const std::vector<double>& sound, std::size_t start, std::size_t size, double lowHz,
                          double highHz)
{
    const std::vector<double> power = PowerSpectrum(sound, start, size);
    const auto first = power.begin() + static_cast<std::ptrdiff_t>(BinOf(lowHz, size));
    const auto last = power.begin() + static_cast<std::ptrdiff_t>(BinOf(highHz, size));
    const auto peak = std::max_element(first, last);
    return static_cast<double>(peak - power.begin()) * kMeasureRate / static_cast<double>(size);
}

double SpectralFlatness(const std::vector<double>& sound, std::size_t start, std::size_t size, double lowHz,
                        double highHz)
{
    const std::vector<double> power = PowerSpectrum(sound, start, size);
    double logSum = 0.0;
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t k = BinOf(lowHz, size); k < BinOf(highHz, size); ++k, ++count) {
        // The floor keeps an exactly silent bin from sending the log to -inf.
        logSum += std::log(power[k] + 1e-30);
        sum += power[k];
    }
    if (count == 0 || sum <= 0.0)
        return 0.0;
    return std::exp(logSum / static_cast<double>(count)) / (sum / static_cast<double>(count));
}

double RootMeanSquare(const std::vector<double>& sound, std::size_t start, std::size_t size)
{
    double sum = 0.0;
    for (std::size_t i = start; i < start + size && i < sound.size(); ++i)
        sum += sound[i] * sound[i];
    return std::sqrt(sum / static_cast<double>(size));
}

std::vector<double> AttackTimes(const std::vector<double>& sound, double minimumRise)
{
    constexpr std::size_t kBlock = 220;       // 5 ms
    constexpr std::size_t kBlocksBefore = 10;  // 50 ms
    std::vector<double> levels;
    for (std::size_t start = 0; start + kBlock <= sound.size(); start += kBlock)
        levels.push_back(RootMeanSquare(sound, start, kBlock));

    std::vector<double> attacks;
    for (std::size_t i = 1; i < levels.size(); ++i) {
        // At the very start, the blocks there are.
        const std::size_t first = i > kBlocksBefore ? i - kBlocksBefore : 0;
        double before = 0.0;
        for (std::size_t j = first; j < i; ++j)
            before += levels[j] / static_cast<double>(i - first);
        const double seconds = static_cast<double>(i * kBlock) / kMeasureRate;
        const bool leaps = levels[i] >= 2.0 * before && levels[i] - before >= minimumRise;
        if (leaps && (attacks.empty() || seconds - attacks.back() > 0.1))
            attacks.push_back(seconds);
    }
    return attacks;
}

double WidestRisingGlide(const std::vector<double>& sound)
{
    constexpr std::size_t kWindow = 4096;
    constexpr std::size_t kHop = 2048;
    constexpr double kQuiet = 0.01;                // RMS, of full scale: below, pitch means nothing
    const double maximumStep = std::pow(2.0, 3.0 / 12.0);  // three semitones
    double widest = 1.0;
    double runStart = 0.0;
    double previous = 0.0;
    for (std::size_t start = 0; start + kWindow <= sound.size(); start += kHop) {
        if (RootMeanSquare(sound, start, kWindow) < kQuiet) {
            previous = 0.0;
            continue;
        }
        const double pitch = StrongestFrequency(sound, start, kWindow, 100.0, 1000.0);
        const bool continues = previous > 0.0 && pitch >= previous && pitch < previous * maximumStep;
        if (!continues)
            runStart = pitch;
        widest = std::max(widest, pitch / runStart);
        previous = pitch;
    }
    return widest;
}
