// The 15-bit linear congruential generator behind every random choice of a run.
#pragma once

#include <cstdint>

// state = state × 214013 + 2531011 (mod 2^32); a draw is bits 16 to 30 of the
// new state. The same state always gives the same draws, so a run can be
// repeated bit for bit from the state it started with.
class RandomGenerator {
public:
    static constexpr int kMaxDraw = 32767;

    void SetState(std::uint32_t state) { m_nState = state; }
    std::uint32_t GetState() const { return m_nState; }

    // The next integer from 0 to 32767.
    int Draw();
    // Uniform in [0, 0.999999999999]: a draw over 32767, never quite 1.
    double Unit();
    // Uniform integer from 0 to n − 1.
    std::uint32_t Below(std::uint32_t n);

    // The seed taken from a clock reading in seconds: its four bytes, least
    // significant first, folded together with the multiplier 257.
    static std::uint32_t SeedFromTime(std::uint32_t seconds);

private:
    std::uint32_t m_nState = 1;
};
