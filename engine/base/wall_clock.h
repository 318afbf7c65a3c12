// Where a run reads the time: whole seconds of the wall clock, replaceable so
// that tests can hold the clock still or move it at will.
#pragma once

#include <cstdint>
#include <functional>

using WallClock = std::function<std::int64_t()>;

// The system's wall clock, in seconds since the epoch.
std::int64_t SystemClockSeconds();
