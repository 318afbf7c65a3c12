#include "engine/source/source_loudness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kRate = 44100.0;

struct Biquad {
    double b0, b1, b2, a1, a2;
};

// The pre-filter of BS.1770: a high shelf of about +4 dB above 1.7 kHz.
Biquad ShelfAt(double rate)
{
    constexpr double frequency = 1681.974450955533;
    constexpr double gainDb = 3.999843853973347;
    constexpr double q = 0.7071752369554196;
    const double k = std::tan(std::numbers::pi * frequency / rate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// The RLB weighting of BS.1770: a high pass at about 38 Hz.
Biquad HighPassAt(double rate)
{
    constexpr double frequency = 38.13547087602444;
    constexpr double q = 0.5003270373238773;
    const double k = std::tan(std::numbers::pi * frequency / rate);
    const double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// One channel through both stages (direct form I).
class KWeighting {
public:
    double Step(double x)
    {
        const double shelved = Run(kShelf, m_shelf, x);
        return Run(kHighPass, m_highPass, shelved);
    }

private:
    struct State {
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    };

    static double Run(const Biquad& f, State& s, double x)
    {
        const double y = f.b0 * x + f.b1 * s.x1 + f.b2 * s.x2 - f.a1 * s.y1 - f.a2 * s.y2;
        s.x2 = s.x1;
        s.x1 = x;
        s.y2 = s.y1;
        s.y1 = y;
        return y;
    }

    static inline const Biquad kShelf = ShelfAt(kRate);
    static inline const Biquad kHighPass = HighPassAt(kRate);
    State m_shelf;
    State m_highPass;
};

double Finite(float sample)
{
    return std::isfinite(sample) ? static_cast<double>(sample) : 0.0;
}

// The integral of the squared Hann window of n frames, (1 − cos 2πt/n)² / 4,
// from 0 to t.
double SquaredHannBefore(double t, double n)
{
    const double angle = 2.0 * std::numbers::pi * t / n;
    return 0.375 * t - n / (4.0 * std::numbers::pi) * std::sin(angle) +
           n / (32.0 * std::numbers::pi) * std::sin(2.0 * angle);
}

}  // namespace

SourceLoudness::SourceLoudness(std::span<const StereoFrame> frames)
    : m_nFrames(static_cast<std::int64_t>(frames.size()))
{
    const auto blocks = static_cast<std::size_t>((m_nFrames + kBlockFrames - 1) / kBlockFrames);
    m_sums.assign(blocks + 1, 0.0);
    KWeighting left;
    KWeighting right;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t first = b * static_cast<std::size_t>(kBlockFrames);
        const std::size_t end = std::min(frames.size(), first + static_cast<std::size_t>(kBlockFrames));
        double energy = 0.0;
        for (std::size_t j = first; j < end; ++j) {
            const double l = left.Step(Finite(frames[j].left));
            const double r = right.Step(Finite(frames[j].right));
            energy += l * l + r * r;
        }
        m_sums[b + 1] = m_sums[b] + energy;
    }
}

std::int64_t SourceLoudness::BlockLength(std::size_t b) const
{
    const std::int64_t first = static_cast<std::int64_t>(b) * kBlockFrames;
    return std::min(kBlockFrames, m_nFrames - first);
}

double SourceLoudness::BlockEnergy(std::size_t b) const
{
    if (b >= Blocks())
        return 0.0;
    return (m_sums[b + 1] - m_sums[b]) / static_cast<double>(BlockLength(b));
}

double SourceLoudness::EnergyBefore(double x) const
{
    if (!(x > 0.0))
        return 0.0;
    if (x >= static_cast<double>(m_nFrames))
        return m_sums.back();
    const auto b = static_cast<std::size_t>(x / static_cast<double>(kBlockFrames));
    const double into = x - static_cast<double>(b) * static_cast<double>(kBlockFrames);
    return m_sums[b] + into * BlockEnergy(b);
}

double SourceLoudness::MeanEnergy(double first, double end) const
{
    first = std::max(first, 0.0);
    end = std::min(end, static_cast<double>(m_nFrames));
    if (!(end > first))
        return 0.0;
    return (EnergyBefore(end) - EnergyBefore(first)) / (end - first);
}

double SourceLoudness::HannEnergy(double first, double end) const
{
    const double length = end - first;
    if (!(length > 0.0) || Blocks() == 0)
        return 0.0;
    const double from = std::max(first, 0.0);
    const double to = std::min(end, static_cast<double>(m_nFrames));
    double weighted = 0.0;
    const auto block = static_cast<double>(kBlockFrames);
    for (auto b = static_cast<std::size_t>(std::max(from, 0.0) / block); b < Blocks(); ++b) {
        const double lo = std::max(from, static_cast<double>(b) * block);
        const double hi = std::min(to, static_cast<double>(b + 1) * block);
        if (hi <= lo)
            break;
        weighted += BlockEnergy(b) * (SquaredHannBefore(hi - first, length) - SquaredHannBefore(lo - first, length));
    }
    return weighted / (0.375 * length);
}

double LoudnessOfMeanSquare(double energy)
{
    if (!(energy > 0.0))
        return -std::numeric_limits<double>::infinity();
    return -0.691 + 10.0 * std::log10(energy);
}
