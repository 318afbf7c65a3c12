// Where in a grain the vector variants of the general kernel may work: the
// grain frames whose reads, and the neighbours loaded with them, lie inside
// the source.
#pragma once

#include <cstdint>

#include "engine/synthesis/kernels/general_kernel.h"

// The whole read positions a vector variant may start a step's loads from:
// one frame above the source's first (the spline's lowest tap lies one below
// the read) up to kVectorReadMargin frames below its end (enough for the
// widest load of any variant: sixteen frames from there). Frames that read
// outside these go through the portable kernel, which clamps the neighbours.
inline constexpr std::int32_t kLowestVectorRead = 1;
inline constexpr std::int32_t kVectorReadMargin = 16;

// The grain frames in [begin, end) whose read positions' whole parts all lie
// in [lowest, highest]. Read positions move one way through a grain, so
// those frames form one stretch; it is found from where the read position
// crosses each bound, and settled with the very positions the kernel
// computes.
FrameStretch StretchInside(const GeneralGrain& grain, std::int32_t begin, std::int32_t end, std::int32_t lowest,
                           std::int32_t highest);

// Works out, once for a grain of frames frames, the frames whose whole read
// positions lie between kLowestVectorRead and kVectorReadMargin below the
// source's end.
void PrepareVectorFrames(GeneralGrain& grain, std::int32_t frames);

// Those of the frames [first, first + count) that a vector variant may add:
// from what PrepareVectorFrames worked out, or worked out here.
FrameStretch VectorFrames(const GeneralGrain& grain, std::int32_t first, std::int32_t count);
