// What every grain of a render shares, and how one grain's frames are added
// onto a window of the output with it.
#pragma once

#include <cstdint>

#include "engine/source/octave_levels.h"
#include "engine/source/spline_terms.h"
#include "engine/base/stereo_frame.h"
#include "engine/synthesis/kernels/add_kernel.h"
#include "engine/synthesis/kernels/general_kernel.h"
#include "engine/scheduling/grain_event.h"
#include "engine/synthesis/grain_placement.h"
#include "engine/scheduling/window_shape.h"

struct GrainCanvas {
    const OctaveLevels* m_pLevels = nullptr;  // the source (level 0) and, when grains are transposed up, its octaves
    std::uint64_t m_nOutputFrames = 0;        // of the whole output
    // Plain grains: the run's grain length, its Hann window and volume, and
    // for the batch kernels the weights (window × volume, each frame's weight
    // twice; see AddKernelFunction).
    std::int32_t m_nGrainFrames = 0;
    const float* m_pWindow = nullptr;
    float m_fVolume = 0.0f;
    const double* m_pPairWeights = nullptr;
    // Every grain: the longest of the render, in frames.
    std::int32_t m_nLongestGrain = 0;
    // Other grains: the window of the run's shape at the run's grain length
    // (unless a grain brings its own), and the kernel that adds them.
    const float* m_pShapedWindow = nullptr;
    const float* m_pShapedPairWindow = nullptr;  // the same gains each twice in a row
    const SplineTerms* m_pSplineTerms = nullptr;  // null: none worked out beforehand
    GeneralKernelFunction m_general = nullptr;
};

// The output frames a grain covers: cut at the end of the whole output, and
// for a plain grain where its read would leave the source. A grain placed
// outside either covers nothing.
FrameRange CoveredFrames(const GrainEvent& grain, const GrainCanvas& canvas);

// Sets where a grain that is not plain reads: the octave level its increment
// needs (or the highest there is), and its read position and increment there.
void ChooseLevel(GrainEvent& grain, const OctaveLevels& levels);

// The general kernel's view of a grain that is not plain, read from its
// octave level, with the frames its vector steps may take worked out.
GeneralGrain GeneralGrainOf(const GrainEvent& grain, const GrainCanvas& canvas);

// Adds the frames part of grain (output frames, inside what it covers and
// inside window) onto window: a plain grain with add, or with the reference
// kernel when add is null; any other grain with the general kernel.
void AddGrainPart(const GrainCanvas& canvas, AddKernelFunction add, const GrainEvent& grain, FrameRange part,
                  const OutputWindow& window);
// The same for a grain that is not plain, whose general view is general
// (GeneralGrainOf), made once for all its parts.
void AddGeneralGrainPart(const GrainCanvas& canvas, const GeneralGrain& general, const GrainEvent& grain,
                         FrameRange part, const OutputWindow& window);
