#include "engine/seek/lcg_jump.h"

namespace {

constexpr std::uint32_t kMultiplier = 214013;
constexpr std::uint32_t kIncrement = 2531011;

}  // namespace

LcgJump LcgJump::Draws(std::uint64_t n)
{
    LcgJump result;
    LcgJump power(kMultiplier, kIncrement);  // 2^bit draws
    for (; n != 0; n >>= 1) {
        if ((n & 1) != 0)
            result = result.Then(power);
        power = power.Then(power);
    }
    return result;
}
