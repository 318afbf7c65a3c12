// The random numbers of per-grain properties: each property has a stream of
// its own, seeded from the run's seed and the stream's purpose, so that
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
    Drift = 5,
    LayerSeed = 6,
    Dither = 7,
    GainSpread = 8,
};

// A stream whose draws are addressed by their index: draw n is a hash of the
// stream's key and n (SplitMix64's output function on key + n × its golden
// increment, which passes the common statistical test batteries). A render
// can so jump to any grain without drawing everything before it, and the
// draws of grain k never depend on what other grains drew.
class RandomStream {
public:
    RandomStream() : RandomStream(0, StreamPurpose::PitchSpread) {}
    // lane tells apart streams of one purpose within a run (the layers of a
    // score, the parameters that drift).
    RandomStream(std::uint32_t seed, StreamPurpose purpose, std::uint32_t lane = 0);

    std::uint64_t At(std::uint64_t index) const;
    // Uniform in [0, 1), in steps of 2^-53.
    double UnitAt(std::uint64_t index) const;
    // Uniform integer from 0 to n − 1 (n ≥ 1).
    std::uint32_t BelowAt(std::uint64_t index, std::uint32_t n) const;

private:
    std::uint64_t m_nKey;
};
