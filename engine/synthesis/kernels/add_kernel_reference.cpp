#include "engine/synthesis/kernels/add_kernel.h"

void AddKernelReference(StereoFrame* output, const StereoFrame* source, const float* window, float gain,
                        std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i) {
        const double weight = static_cast<double>(window[i]) * gain;
        output[i].left = static_cast<float>(output[i].left + source[i].left * weight);
        output[i].right = static_cast<float>(output[i].right + source[i].right * weight);
    }
}
