// How much memory a run can still take, asked before it loads sounds, so
// that sounds that cannot fit are refused at once with the figures instead
// of after minutes of reading.
#pragma once

#include <cstdint>
#include <optional>

// The bytes the system has available (its available memory and free swap),
// and no more than the limits set on this process (ulimit -v, ulimit -d)
// leave above what it holds already. Nothing when none of it can be told.
std::optional<std::uint64_t> AvailableMemoryBytes();
