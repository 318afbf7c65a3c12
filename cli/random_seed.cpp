#include "cli/random_seed.h"

#include <sys/random.h>

std::optional<std::uint32_t> SystemRandomSeed()
{
    std::uint32_t seed = 0;
    if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed))
        return std::nullopt;
    return seed;
}
