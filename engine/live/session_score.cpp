#include "engine/live/session_score.h"

#include <algorithm>

#include "engine/stereo_frame.h"

std::uint64_t TrackFramesOf(const Score& score)
{
    return static_cast<std::uint64_t>(std::max(score.m_nLengthSeconds, 0)) * kRunSampleRate;
}
