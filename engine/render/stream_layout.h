// Where the finished sound lies in the frames a streamed render synthesises:
// all of them for a plain sound; for a seamless loop, a warm-up before it and
// a stretch past its end that is cross-faded into its start.
#pragma once

#include <algorithm>
#include <cstdint>

// The synthesised frames, in order:
//
//   [warm-up][head ... body ...........................][overlap]
//            0        crossFade                        frames
//            \___________ the finished sound ________/
//
// A loop's grains need one grain length to overlap fully: the first frames of
// any render are thinner, so a loop drops them. Its last crossFade frames are
// rendered past the sound's end and faded into its first crossFade frames
// (the head), so the end flows into the start as it flows on in the render.
struct StreamLayout {
    std::uint64_t m_nWarmUp = 0;    // frames synthesised before the sound begins
    std::uint64_t m_nFrames = 0;    // the finished sound
    std::uint64_t m_nCrossFade = 0; // head and overlap, 0 for a plain sound

    std::uint64_t SynthesisedFrames() const { return m_nWarmUp + m_nFrames + m_nCrossFade; }
    bool IsLoop() const { return m_nCrossFade > 0; }
};

// A plain sound of frames: nothing before it, nothing after.
inline StreamLayout PlainLayout(std::uint64_t frames)
{
    return {0, frames, 0};
}

// A loop of frames: a warm-up of one grain, and a cross-fade as long as the
// fade (a loop has no fade in or out) but never shorter than a grain, which is
// as long as the sound takes to change, nor longer than the loop itself.
inline StreamLayout LoopLayout(std::uint64_t frames, std::int32_t grainFrames, std::int32_t fadeFrames)
{
    if (frames == 0)
        return PlainLayout(0);
    const auto grain = static_cast<std::uint64_t>(std::max(grainFrames, 0));
    const auto fade = static_cast<std::uint64_t>(std::max(fadeFrames, 0));
    return {grain, frames, std::min(std::max(fade, grain), frames)};
}
