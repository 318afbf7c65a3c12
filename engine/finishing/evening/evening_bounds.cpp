#include "engine/finishing/evening/evening_bounds.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

namespace {

// The loudness of the power mean of the points (minus infinity for silence).
double MeanLoudness(std::span<const float> points)
{
    double sum = 0.0;
    for (const float loudness : points) {
        if (std::isfinite(loudness))
            sum += std::pow(10.0, loudness / 10.0);
    }
    if (!(sum > 0.0))
        return -std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(sum / static_cast<double>(points.size()));
}

}  // namespace

GainBounds EveningRule::BoundsAt(float loudness) const
{
    if (!(loudness > m_dGateLufs))
        return {0.0f, 0.0f};
    const double lift = std::min(kMostLiftDb, loudness - m_dGateLufs);
    const double top = m_dMedianLufs + m_dRangeLu;
    const double bottom = m_dMedianLufs - m_dRangeLu;
    const double most = std::min(top - loudness, lift);
    double least = 0.0;
    if (loudness > top)
        least = top - loudness;
    else if (loudness < bottom)
        least = std::min(bottom - loudness, lift);
    return {static_cast<float>(least), static_cast<float>(most)};
}

std::optional<EveningRule> RuleFor(std::span<const float> series, std::size_t first, std::size_t end, double rangeLu)
{
    const std::span<const float> counted = series.subspan(first, end - first);
    const double mean = MeanLoudness(counted);
    if (!std::isfinite(mean))
        return std::nullopt;
    const double gate = mean - kSilenceBelowMeanLu;
    std::vector<float> heard;
    std::copy_if(counted.begin(), counted.end(), std::back_inserter(heard), [&](float loudness) { return loudness > gate; });
    if (heard.empty())
        return std::nullopt;
    const auto middle = heard.begin() + static_cast<std::ptrdiff_t>(heard.size() / 2);
    std::nth_element(heard.begin(), middle, heard.end());
    return EveningRule{rangeLu, *middle, gate};
}
