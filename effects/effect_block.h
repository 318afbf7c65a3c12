// The shape every effect runs in: whole blocks of a fixed length at the run's
// rate, so a plugin sees the same calls whatever the pieces a caller hands
// the chain, and gives the same bits.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kEffectBlockFrames = 1024;
// Room for the events of an atom port's sequence in one block.
inline constexpr std::uint32_t kAtomBufferBytes = 8192;
