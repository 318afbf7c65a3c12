// A slow gain over a long sound, planned from the level it shows as it is
// synthesised: keeps the loudness of a track whose sources have loud and
// quiet stretches within a range.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/stereo_frame.h"

// The render surveys the whole sound (each frame once) before it plans, and
// asks for the gain while it finishes the sound, after the means are taken
// off and before the peak or loudness rule scales it as a whole.
class LevelEvening {
public:
    virtual ~LevelEvening() = default;

    // Frames [first, first + piece.size()) of the sound as synthesised (before
    // its means are taken off and before it is scaled). Pieces come in order,
    // except that a loop's first frames (its head, made final only when the
    // render has passed its end) come after all the others.
    virtual void Survey(std::span<const StereoFrame> piece, std::uint64_t first) = 0;
    // After the survey: plans the gain of a sound of totalFrames frames whose
    // first and last fadeFrames frames fade in and out (0 for a loop).
    virtual void Plan(std::uint64_t totalFrames, std::uint64_t fadeFrames) = 0;
    // The planned gain at frame j, a factor (1: unchanged). Smooth: it moves
    // over seconds, never within a few grains.
    virtual double GainAt(std::uint64_t frame) const = 0;
};
