#include "engine/base/wall_clock.h"

#include <ctime>

std::int64_t SystemClockSeconds()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}
