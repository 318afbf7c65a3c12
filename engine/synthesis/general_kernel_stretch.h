// Where in a grain the vector variants of the general kernel may work: the
// grain frames whose reads, and the neighbours loaded with them, lie inside
// the source.
#pragma once

#include <cstdint>

#include "engine/synthesis/general_kernel.h"

// The grain frames [m_nBegin, m_nEnd).
struct FrameStretch {
    std::int32_t m_nBegin = 0;
    std::int32_t m_nEnd = 0;
};

// The grain frames in [begin, end) whose read positions' whole parts all lie
// in [lowest, highest]. Read positions move one way through a grain, so
// those frames form one stretch; it is found from where the read position
// crosses each bound, and settled with the very positions the kernel
// computes.
FrameStretch StretchInside(const GeneralGrain& grain, std::int32_t begin, std::int32_t end, std::int32_t lowest,
                           std::int32_t highest);
