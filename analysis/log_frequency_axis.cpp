#include "analysis/log_frequency_axis.h"

#include <algorithm>
#include <cmath>

LogFrequencyAxis::LogFrequencyAxis(std::size_t rows, double lowestHz, double highestHz, double binHz,
                                   std::size_t binCount)
    : m_dLowestHz(lowestHz > binHz / 2.0 ? lowestHz : binHz / 2.0)
{
    rows = std::max<std::size_t>(rows, 1);
    const std::size_t lastBin = std::max<std::size_t>(binCount, 2) - 1;
    // Written as comparisons so that a bound that is not a number fails them
    // and the span falls back to what the transform can show.
    const double top = binHz * static_cast<double>(lastBin);
    m_dLowestHz = m_dLowestHz < top / 1.01 ? m_dLowestHz : top / 2.0;
    const double highest = highestHz > m_dLowestHz * 1.01 && highestHz < top ? highestHz : top;
    m_dRatio = std::pow(highest / m_dLowestHz, 1.0 / static_cast<double>(rows));
    m_rows.resize(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const double low = GetRowLowHz(row) / binHz;
        const double high = GetRowHighHz(row) / binHz;
        // The bins whose centres lie in [low, high); none in a narrow band.
        const double first = std::ceil(low);
        const double last = std::ceil(high) - 1.0;
        if (first <= last) {
            const double clampedLast = std::min(last, static_cast<double>(lastBin));
            m_rows[row] = {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(clampedLast), 0.0f, false};
            continue;
        }
        const double centre = std::min(GetRowCentreHz(row) / binHz, static_cast<double>(lastBin) - 0.5);
        const double below = std::floor(centre);
        const auto belowBin = static_cast<std::uint32_t>(below);
        m_rows[row] = {belowBin, belowBin + 1, static_cast<float>(centre - below), true};
    }
}

double LogFrequencyAxis::GetRowLowHz(std::size_t row) const
{
    return m_dLowestHz * std::pow(m_dRatio, static_cast<double>(row));
}

double LogFrequencyAxis::GetRowCentreHz(std::size_t row) const
{
    return m_dLowestHz * std::pow(m_dRatio, static_cast<double>(row) + 0.5);
}

void LogFrequencyAxis::Map(const float* binPowers, float* rowPowers) const
{
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        const Row& band = m_rows[row];
        if (band.m_bInterpolate) {
            const float below = binPowers[band.m_nFirstBin];
            const float above = binPowers[band.m_nLastBin];
            rowPowers[row] = below + band.m_fFraction * (above - below);
        } else {
            rowPowers[row] = *std::max_element(binPowers + band.m_nFirstBin, binPowers + band.m_nLastBin + 1);
        }
    }
}
