#include "live_session/sparse_picks.h"

namespace {

// 0, 1/2, 1/4, 3/4, 1/8, ... of the stretches (bit-reversed counting), so
// every prefix of it is spread evenly.
std::vector<std::uint64_t> EvenSpread(std::uint64_t stretches)
{
    int bits = 0;
    while ((std::uint64_t{1} << bits) < stretches)
        ++bits;
    std::vector<std::uint64_t> order;
    order.reserve(stretches);
    for (std::uint64_t i = 0; i < (std::uint64_t{1} << bits); ++i) {
        std::uint64_t reversed = 0;
        for (int b = 0; b < bits; ++b)
            reversed |= ((i >> b) & 1) << (bits - 1 - b);
        if (reversed < stretches)
            order.push_back(reversed);
    }
    return order;
}

}  // namespace

SparsePicks::SparsePicks(std::uint64_t stretches)
    : m_nStretches(stretches), m_surveyed(stretches, false), m_spread(EvenSpread(stretches))
{
}

std::optional<SparsePicks::Pick> SparsePicks::Next(const std::function<void(std::uint64_t)>& passed)
{
    while (!m_loudestNeighbours.empty() && m_surveyed[m_loudestNeighbours.top().second])
        m_loudestNeighbours.pop();
    while (m_nNextSpread < m_spread.size() && m_surveyed[m_spread[m_nNextSpread]])
        passed(m_spread[m_nNextSpread++]);
    while (m_nNextForecast < m_forecast.size() && m_surveyed[m_forecast[m_nNextForecast]])
        ++m_nNextForecast;
    const bool evenTurn = m_nPicked++ % 2 == 0;
    if (!evenTurn && m_nNextForecast < m_forecast.size())
        return Pick{m_forecast[m_nNextForecast], false};
    if (!evenTurn && !m_loudestNeighbours.empty())
        return Pick{m_loudestNeighbours.top().second, false};
    if (m_nNextSpread == m_spread.size())
        return std::nullopt;
    return Pick{m_spread[m_nNextSpread++], true};
}

void SparsePicks::Surveyed(std::uint64_t stretch, double level)
{
    m_surveyed[stretch] = true;
    if (stretch > 0 && !m_surveyed[stretch - 1])
        m_loudestNeighbours.emplace(level, stretch - 1);
    if (stretch + 1 < m_nStretches && !m_surveyed[stretch + 1])
        m_loudestNeighbours.emplace(level, stretch + 1);
}

void SparsePicks::FollowForecast(std::vector<std::uint32_t> loudestFirst)
{
    m_forecast = std::move(loudestFirst);
    m_nNextForecast = 0;
}
