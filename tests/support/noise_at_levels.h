// Stereo white noise whose level changes along it: sources for tests of
// level estimates, where what matters is how loud each place is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/base/stereo_frame.h"

// frames frames of white noise in [-level, level), drawn from a linear
// congruential generator begun at seed (left, then right, frame by frame),
// each frame i at level(i).
template <typename Level>
std::vector<StereoFrame> NoiseAtLevels(std::size_t frames, std::uint32_t seed, Level level)
{
    std::uint32_t state = seed;
    const auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
    };
    std::vector<StereoFrame> sound(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float at = level(i);
        const float left = at * noise();
        sound[i] = {left, at * noise()};
    }
    return sound;
}
