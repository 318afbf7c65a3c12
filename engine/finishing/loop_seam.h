// The seam of a loop: the frames rendered past the loop's end cross-faded into
// its first frames with an equal-power curve.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "engine/base/buffer_allocator.h"
#include "engine/base/stereo_frame.h"
#include "engine/base/zeroed_buffer.h"

// Holds the head of a loop (its first crossFade frames as rendered) until the
// overlap (the crossFade frames rendered after its last frame) arrives, and
// fades the head in while the overlap fades out: head frame j becomes
//
//   head[j] × sin(θ) + overlap[j] × cos(θ),   θ = (j + ½) / crossFade × π/2,
//
// in 64-bit floating point, stored as 32-bit floats. sin² + cos² = 1, so two
// unrelated stretches of sound keep their power all through the fade. The
// loop's last frame is followed by head frame 0, which is almost all overlap
// frame 0, the frame the render made right after it: the end flows into the
// start as it flowed on in the render. Head frame crossFade − 1 is almost all
// head, and flows into frame crossFade as rendered.
class LoopSeam {
public:
    // Nothing when the memory for the head cannot be had.
    static std::optional<LoopSeam> Make(BufferAllocator allocate, std::uint64_t crossFade);

    // Frames [first, first + piece.size()) of the head, as rendered.
    void KeepHead(std::span<const StereoFrame> piece, std::uint64_t first);
    // Frames [first, first + piece.size()) of the overlap, faded into the head.
    void FadeIntoHead(std::span<const StereoFrame> piece, std::uint64_t first);

    std::span<const StereoFrame> Head() const { return m_head.Span(); }

    // The gains at head frame j of a fade of crossFade frames.
    static double HeadGain(std::uint64_t j, std::uint64_t crossFade);
    static double OverlapGain(std::uint64_t j, std::uint64_t crossFade);

private:
    explicit LoopSeam(SoundBuffer head);

    SoundBuffer m_head;
};
