// The random streams of per-grain properties: each property draws from a
// stream of its own, seeded from the run's seed and the stream's name, so that
// turning one property on never changes the draws of another, nor the scan
// walk's, which keeps the run's own generator.
#pragma once

#include <cstdint>

// What a stream is for. The numbers are part of every seeded output that uses
// the stream: never renumber them.
enum class StreamPurpose : std::uint32_t {
    PitchSpread = 1,
    PitchSet = 2,
    Pan = 3,
    Reverse = 4,
};

// xoshiro256** (Blackman and Vigna), its state filled by SplitMix64 from the
// run's seed, the stream's purpose and a lane (0 unless one run needs several
// streams of one purpose). Fast, with 2^256 − 1 states: a grain's draws never
// repeat within any render.
class RandomStream {
public:
    RandomStream() : RandomStream(0, StreamPurpose::PitchSpread) {}
    RandomStream(std::uint32_t seed, StreamPurpose purpose, std::uint32_t lane = 0);

    std::uint64_t Next();
    // Uniform in [0, 1), in steps of 2^-53.
    double Unit();
    // Uniform integer from 0 to n − 1 (n ≥ 1).
    std::uint32_t Below(std::uint32_t n);

private:
    std::uint64_t m_state[4];
};
