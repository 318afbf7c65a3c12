// The random numbers of per-grain properties: each property has a stream of
// its own, seeded from the run's seed and the stream's purpose, so that
// turning one property on never changes the draws of another, nor the scan
// walk's, which keeps the run's own generator.
#pragma once

#include <cstdint>

// What a stream is for. The numbers are part of every seeded output that uses
// the stream: never renumber them. The per-grain draws of a parameter have
// the number its row in the parameter table gives as its grain stream (1 to
// 4, then 8 on); these are the others.
enum class StreamPurpose : std::uint32_t {
    Drift = 5,
    LayerSeed = 6,
    Dither = 7,
};

// The purpose of the per-grain draws whose grain stream is stream.
constexpr StreamPurpose GrainDrawPurpose(std::uint32_t stream)
{
    return static_cast<StreamPurpose>(stream);
}

// A stream whose draws are addressed by their index: draw n is a hash of the
// stream's key and n (SplitMix64's output function on key + n × its golden
// increment, which passes the common statistical test batteries). A render
// can so jump to any grain without drawing everything before it, and the
// draws of grain k never depend on what other grains drew.
class RandomStream {
public:
    RandomStream() : RandomStream(0, StreamPurpose::Drift) {}
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
