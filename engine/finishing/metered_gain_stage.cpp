#include "engine/finishing/metered_gain_stage.h"

#include "engine/finishing/frame_gain.h"

void MeteredGainStage::Apply(std::span<StereoFrame> piece, std::uint64_t)
{
    ScalePiece(piece, m_dGain);
}
