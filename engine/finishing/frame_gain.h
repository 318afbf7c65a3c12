// A gain applied to frames as every finishing stage applies one: in 64-bit
// floating point, stored as 32-bit floats.
#pragma once

#include <span>

#include "engine/base/stereo_frame.h"

inline void ScaleFrame(StereoFrame& frame, double gain)
{
    frame = {static_cast<float>(frame.left * gain), static_cast<float>(frame.right * gain)};
}

inline void ScalePiece(std::span<StereoFrame> piece, double gain)
{
    for (StereoFrame& frame : piece)
        ScaleFrame(frame, gain);
}
