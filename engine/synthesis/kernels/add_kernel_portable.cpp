// The weighted add in plain C++, for any processor.
#include "engine/synthesis/kernels/add_kernel.h"

void AddKernelPortable(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                       std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i) {
        const double weight = pairWeights[2 * i];
        output[i].left = static_cast<float>(output[i].left + source[i].left * weight);
        output[i].right = static_cast<float>(output[i].right + source[i].right * weight);
    }
}
