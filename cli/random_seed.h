// The generator state of a run started without --seed. It comes from the
// system's random source, so that runs started together (by a script, by GNU
// parallel) make different tracks; the desktop program keeps its clock seed.
#pragma once

#include <cstdint>
#include <optional>

// Four bytes from getrandom, or nothing where the system has none to give.
std::optional<std::uint32_t> SystemRandomSeed();
