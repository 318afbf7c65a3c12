// The general kernel compiled for AVX2 and for AVX-512 through function
// attributes, so that the rest of the program keeps the baseline instruction
// set; each is called only where the processor has its vector unit.
#include "engine/synthesis/general_kernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include "engine/synthesis/general_kernel_body.h"

__attribute__((target("avx2"))) void AddGeneralGrainAvx2(StereoFrame* output, const GeneralGrain& grain,
                                                         std::int32_t first, std::int32_t count)
{
    general_kernel::AddFrames(output, grain, first, count);
}

__attribute__((target("avx512f,avx512dq,avx512vl"))) void AddGeneralGrainAvx512(StereoFrame* output,
                                                                                 const GeneralGrain& grain,
                                                                                 std::int32_t first,
                                                                                 std::int32_t count)
{
    general_kernel::AddFrames(output, grain, first, count);
}
#endif

GeneralKernelFunction GeneralKernelOfVectorUnit(AddKernel kernel)
{
#if defined(__x86_64__) || defined(__i386__)
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                        __builtin_cpu_supports("avx512vl");
    if (kernel == AddKernel::Avx512 && avx512)
        return AddGeneralGrainAvx512;
    if ((kernel == AddKernel::Avx512 || kernel == AddKernel::Avx2) && __builtin_cpu_supports("avx2"))
        return AddGeneralGrainAvx2;
#endif
    (void)kernel;
    return AddGeneralGrainPortable;
}
