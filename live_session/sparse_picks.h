// The order a level survey takes short stretches of a track in: in turn, one
// of a spread that covers the track ever more densely (what its loudness and
// means are taken from), and one where its peak most likely lies: the
// loudest unseen stretch of a forecast of the track's level (see
// LevelPilot), or, until the forecast is made, the unseen neighbour of the
// loudest stretch seen.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <utility>
#include <vector>

class SparsePicks {
public:
    struct Pick {
        std::uint64_t m_nStretch = 0;
        bool m_bEven = false;  // one of the even spread
    };

    explicit SparsePicks(std::uint64_t stretches);

    // The next stretch to survey; none once the even spread has covered the
    // whole track. The spread passes over stretches surveyed for their peak
    // already, which it then counts as its own: passed is told of each.
    std::optional<Pick> Next(const std::function<void(std::uint64_t)>& passed);
    // stretch was surveyed and found at level (any measure that orders
    // stretches by loudness).
    void Surveyed(std::uint64_t stretch, double level);
    // The stretches a forecast finds loudest, loudest first.
    void FollowForecast(std::vector<std::uint32_t> loudestFirst);
    bool IsSurveyed(std::uint64_t stretch) const { return m_surveyed[stretch]; }

private:
    std::uint64_t m_nStretches;
    std::vector<bool> m_surveyed;
    std::uint64_t m_nPicked = 0;
    std::vector<std::uint64_t> m_spread;
    std::size_t m_nNextSpread = 0;
    std::vector<std::uint32_t> m_forecast;
    std::size_t m_nNextForecast = 0;
    // Unseen neighbours of seen stretches, by the level of the seen one.
    std::priority_queue<std::pair<double, std::uint64_t>> m_loudestNeighbours;
};
