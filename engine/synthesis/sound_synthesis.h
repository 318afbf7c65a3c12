// The sound a render synthesises, as the render pipeline asks for it: window
// after window, or the whole of it at once, the same sound each time it
// begins.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "engine/base/stereo_frame.h"

class SoundSynthesis {
public:
    // The longest window a render asks for at once.
    static constexpr std::uint64_t kLargestWindowFrames = 1 << 16;

    // A progress point of a synthesis of the whole sound at once: after the
    // grain of index grainIndex (a multiple of 1000), which starts at frame
    // grainStart. Answers whether to go on.
    using GrainProgress = std::function<bool(std::int64_t grainIndex, std::uint64_t grainStart)>;

    virtual ~SoundSynthesis() = default;

    // Begins a synthesis of frames frames from the start, with the random
    // choices the sound began with the first time. Answers false when the
    // memory for its tables cannot be had.
    virtual bool Begin(std::uint64_t frames) = 0;
    // Asked every few milliseconds while Begin works at length (an
    // excerpt's way to its first frame): once it answers false, Begin stops
    // early, and the synthesis is left for End alone.
    virtual void SetKeepGoing(std::function<bool()> keepGoing) { (void)keepGoing; }
    // Frames [first, first + window.size()) of the sound, final, into the
    // window (at most kLargestWindowFrames), which holds zeros. Windows come in order, without gaps.
    virtual void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) = 0;
    // The whole sound into sound (zeros, all of its frames), in batches of
    // grains that end at every 1000th grain; progress is asked after each
    // such batch and ends the synthesis early when it answers false.
    virtual void RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress) = 0;
    // Releases the tables and the threads.
    virtual void End() = 0;
};
