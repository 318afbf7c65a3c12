#include "engine/finishing/evening_stage.h"

#include "engine/finishing/frame_gain.h"

void EveningStage::Apply(std::span<StereoFrame> piece, std::uint64_t first)
{
    std::uint64_t j = first;
    for (StereoFrame& frame : piece)
        ScaleFrame(frame, m_evening.GainAt(j++));
}
