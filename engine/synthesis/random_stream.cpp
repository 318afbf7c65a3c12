#include "engine/synthesis/random_stream.h"

namespace {

// SplitMix64's output function: every input bit reaches every output bit.
constexpr std::uint64_t Mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t SplitMix64(std::uint64_t& state)
{
    state += 0x9E3779B97F4A7C15ull;
    return Mix(state);
}

constexpr std::uint64_t RotateLeft(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

}  // namespace

RandomStream::RandomStream(std::uint32_t seed, StreamPurpose purpose, std::uint32_t lane)
{
    // Seed, purpose and lane hashed one after the other: streams of
    // neighbouring seeds, purposes or lanes share nothing.
    std::uint64_t mix = Mix(Mix(Mix(seed) ^ static_cast<std::uint64_t>(purpose)) ^ lane);
    // SplitMix64 never gives four zeros in a row, so the state is never all zero.
    for (std::uint64_t& word : m_state)
        word = SplitMix64(mix);
}

std::uint64_t RandomStream::Next()
{
    const std::uint64_t result = RotateLeft(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = RotateLeft(m_state[3], 45);
    return result;
}

double RandomStream::Unit()
{
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

std::uint32_t RandomStream::Below(std::uint32_t n)
{
    // The top 32 bits times n, shifted down: the bias is below n / 2^32.
    return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
}
