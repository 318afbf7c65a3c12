// The general kernel for any processor, and the choice of the variant that
// runs.
#include "engine/synthesis/general_kernel.h"

#include "engine/synthesis/general_kernel_body.h"

void AddGeneralGrainPortable(StereoFrame* output, const GeneralGrain& grain, std::int32_t first, std::int32_t count)
{
    general_kernel::AddFrames(output, grain, first, count);
}
