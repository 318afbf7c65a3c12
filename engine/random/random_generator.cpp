#include "engine/random/random_generator.h"

#include <cmath>

namespace {

constexpr std::uint32_t kMultiplier = 214013;
constexpr std::uint32_t kIncrement = 2531011;
constexpr double kInverseMaxDraw = 3.051850947599719e-05;  // 1 / 32767
constexpr double kLargestUnit = 0.999999999999;

}  // namespace

int RandomGenerator::Draw()
{
    // Unsigned arithmetic wraps modulo 2^32, which is exactly the generator's modulus.
    m_nState = m_nState * kMultiplier + kIncrement;
    return static_cast<int>((m_nState >> 16) & 0x7FFF);
}

double RandomGenerator::Unit()
{
    const double x = Draw() * kInverseMaxDraw;
    return x >= kLargestUnit ? kLargestUnit : x;
}

std::uint32_t RandomGenerator::Below(std::uint32_t n)
{
    return static_cast<std::uint32_t>(std::trunc(Unit() * n));
}

std::uint32_t RandomGenerator::SeedFromTime(std::uint32_t seconds)
{
    std::uint32_t seed = 0;
    for (int byte = 0; byte < 4; ++byte)
        seed = seed * 257 + ((seconds >> (8 * byte)) & 0xFF);
    return seed;
}
