// One step between the synthesised sound and the sink: taking off a DC
// offset, evening the level, setting the peak and the fades, a gain for the
// delivery, a meter or a picture that only looks. A render drives a list of
// them, in order, over the sound (see RenderPipeline for how the passes go).
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/stereo_frame.h"

// Frame indices count from the first frame of the finished sound. A stage
// takes part in the passes it asks for:
//
//   survey     the sound as synthesised, before any stage has changed it,
//              each frame once (a loop's first frames, its head, come last:
//              they are final only once the render has passed the loop's end)
//   Plan       once, after the survey
//   measure    a pass of its own over the sound as the stages before it
//              leave it (their Apply done), when the stage cannot act on the
//              survey alone
//   Apply      each piece on its way to the sink, after the stages before it
//
// Pieces of any size give the same bits: a stage keeps no state across the
// pieces of Apply other than what the survey, the plan or the measure gave it.
class FinishingStage {
public:
    virtual ~FinishingStage() = default;

    virtual bool Surveys() const { return false; }
    virtual void Survey(std::span<const StereoFrame> /*piece*/, std::uint64_t /*first*/) {}

    // totalFrames: the frames of the finished sound.
    virtual void Plan(std::uint64_t /*totalFrames*/) {}

    // Asked after Plan.
    virtual bool Measures() const { return false; }
    virtual void Measure(std::span<const StereoFrame> /*piece*/, std::uint64_t /*first*/) {}
    // After the measuring pass has seen the whole sound.
    virtual void EndMeasure() {}

    // Whether Apply changes or looks at anything: a stage that only surveys
    // (a meter of the synthesised sound) has nothing to do on the way out.
    virtual bool Applies() const { return true; }
    virtual void Apply(std::span<StereoFrame> piece, std::uint64_t first) = 0;
};
