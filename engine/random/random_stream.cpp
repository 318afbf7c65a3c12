#include "engine/random/random_stream.h"

namespace {

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;

// SplitMix64's output function: every input bit reaches every output bit.
constexpr std::uint64_t Mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

// Seed, purpose and lane hashed one after the other: streams of neighbouring
// seeds, purposes or lanes share nothing.
RandomStream::RandomStream(std::uint32_t seed, StreamPurpose purpose, std::uint32_t lane)
    : m_nKey(Mix(Mix(Mix(seed + kGolden) ^ static_cast<std::uint64_t>(purpose)) ^ lane))
{
}

std::uint64_t RandomStream::At(std::uint64_t index) const
{
    return Mix(m_nKey + (index + 1) * kGolden);
}

double RandomStream::UnitAt(std::uint64_t index) const
{
    return static_cast<double>(At(index) >> 11) * 0x1.0p-53;
}

std::uint32_t RandomStream::BelowAt(std::uint64_t index, std::uint32_t n) const
{
    // The top 32 bits times n, shifted down: the bias is below n / 2^32.
    return static_cast<std::uint32_t>(((At(index) >> 32) * n) >> 32);
}
