// Jumps of the scan walk's linear congruential generator: the state after n
// draws, found in O(log n) steps instead of n.
#pragma once

#include <cstdint>

// One draw maps the state x to x × 214013 + 2531011 (mod 2^32). Maps of that
// form compose into another (x × a + c), so n draws are one such map, which
// squaring builds from the maps of 1, 2, 4, ... draws.
class LcgJump {
public:
    // No draw at all.
    constexpr LcgJump() = default;

    // The map of n draws of the generator.
    static LcgJump Draws(std::uint64_t n);

    constexpr std::uint32_t Apply(std::uint32_t state) const { return state * m_nMultiplier + m_nIncrement; }
    // This map, then next.
    constexpr LcgJump Then(const LcgJump& next) const
    {
        return LcgJump(m_nMultiplier * next.m_nMultiplier, m_nIncrement * next.m_nMultiplier + next.m_nIncrement);
    }

    constexpr bool operator==(const LcgJump&) const = default;

private:
    constexpr LcgJump(std::uint32_t multiplier, std::uint32_t increment)
        : m_nMultiplier(multiplier), m_nIncrement(increment)
    {
    }

    std::uint32_t m_nMultiplier = 1;
    std::uint32_t m_nIncrement = 0;
};
