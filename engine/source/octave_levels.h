// Octave levels of a source: copies at half, a quarter, ... of its rate, each
// band-limited, from which a grain transposed upwards is read without
// folding high frequencies back into the audible band.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "engine/base/buffer_allocator.h"
#include "engine/base/zeroed_buffer.h"

// Level 0 is the source itself. Level k (k >= 1) is level k − 1 low-passed
// and decimated by 2 (HalveRate): its rate is 44100 / 2^k, it holds
// ceil(frames(k − 1) / 2) frames, and its frame i lines up with source frame
// i × 2^k (the low-pass is linear-phase and centred, so nothing is delayed).
// Each level keeps content up to 0.4 of its own rate (0.2 of the level above)
// and nothing above its Nyquist frequency that is not 95 dB down.
//
// Read at an increment of r level frames per output frame, a level stays
// free of aliasing while r <= 1: LevelFor picks the level that makes the
// source's increment r = |increment| / 2^k no more than 1.
class OctaveLevels {
public:
    static constexpr int kMaxLevel = 5;

    OctaveLevels() = default;
    // The source alone, as level 0: what grains read that are never
    // transposed upwards. Allocates nothing.
    explicit OctaveLevels(std::span<const StereoFrame> source) { Build(source, 0, SystemAllocate); }

    // Builds levels 1 .. levels (at most kMaxLevel; 0 or less builds none)
    // from source, which is kept by reference as level 0 and must outlive
    // the levels. The work is O(frames × taps) for each level, in proportion
    // to its frames. Answers false, and holds no level at all, when allocate
    // cannot give the memory. All levels share one allocation of at most
    // (1 − 2^−levels) of the source's frames plus one frame per level.
    bool Build(std::span<const StereoFrame> source, int levels, BufferAllocator allocate);

    // The levels held, level 0 included: levels + 1 after a successful
    // Build, 0 before any and after a failed one.
    int Count() const { return m_nCount; }
    // Level k, or no frames when k is not in [0, Count()).
    std::span<const StereoFrame> Level(int k) const;

    // The level to read at increment (source frames per output frame): the
    // smallest k with |increment| <= 2^k × (1 + 1e-9), at most kMaxLevel. So
    // 1 and anything less reads level 0, 2 reads level 1, 2.1 level 2; the
    // tolerance keeps an increment that should be a power of two, but was
    // rounded just above it, on the level it was meant for. A value that is
    // not a number reads level 0.
    static int LevelFor(double increment);

    // The frames of level k of a source of sourceFrames frames.
    static std::size_t LevelFrames(std::size_t sourceFrames, int k);

private:
    std::span<const StereoFrame> m_source;
    SoundBuffer m_levels;  // levels 1 .. Count() − 1, one after another
    std::array<std::size_t, kMaxLevel + 1> m_first{};  // where level k begins in m_levels
    int m_nCount = 0;
};
