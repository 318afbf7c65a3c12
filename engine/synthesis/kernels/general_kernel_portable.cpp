// The general kernel for any processor, frame by frame.
#include "engine/synthesis/kernels/general_kernel.h"
#include "engine/synthesis/kernels/general_kernel_frame.h"

void AddGeneralGrainPortable(StereoFrame* output, const GeneralGrain& grain, std::int32_t first, std::int32_t count)
{
    for (std::int32_t n = 0; n < count; ++n)
        general_kernel::AddFrame(output[n], grain, first + n);
}
