#include "engine/finishing/evening/loudness_series.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The mean energy of the blocks of point k's window.
double WindowEnergy(std::span<const float> blocks, std::size_t k, CurveEnds ends)
{
    const std::size_t count = blocks.size();
    const std::size_t half = kShortTermBlocks / 2;
    double sum = 0.0;
    std::size_t used = 0;
    if (ends == CurveEnds::Circular) {
        const std::size_t width = std::min(kShortTermBlocks, count);
        const std::size_t start = (k % count + count - half % count) % count;
        for (std::size_t n = 0; n < width; ++n)
            sum += blocks[(start + n) % count];
        used = width;
    } else {
        const std::size_t from = k >= half ? k - half : 0;
        const std::size_t to = std::min(count, k + half);
        for (std::size_t b = from; b < to; ++b)
            sum += blocks[b];
        used = to > from ? to - from : 0;
    }
    return used > 0 ? sum / static_cast<double>(used) : 0.0;
}

}  // namespace

float LoudnessOfEnergy(double energy)
{
    if (!(energy > 0.0))
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(kLoudnessOffsetLu + 10.0 * std::log10(energy));
}

std::vector<float> ShortTermLoudness(std::span<const float> blockEnergies, std::size_t points, CurveEnds ends)
{
    std::vector<float> series(points, -std::numeric_limits<float>::infinity());
    if (blockEnergies.empty())
        return series;
    for (std::size_t k = 0; k < points; ++k)
        series[k] = LoudnessOfEnergy(WindowEnergy(blockEnergies, k, ends));
    return series;
}
