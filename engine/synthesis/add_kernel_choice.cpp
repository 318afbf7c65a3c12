// Which add kernels this processor can run, asked at run time, and which one
// runs when a kernel is asked for.
#include "engine/synthesis/add_kernel.h"

namespace {

// The vector kernels, fastest first.
constexpr AddKernel kVectorKernels[] = {AddKernel::Avx512, AddKernel::Avx2};

}  // namespace

bool IsAddKernelSupported(AddKernel kernel)
{
    switch (kernel) {
    case AddKernel::Fastest:
    case AddKernel::Reference:
    case AddKernel::Portable:
        return true;
#if defined(__x86_64__) || defined(__i386__)
    // These also check that the operating system saves the wide registers.
    case AddKernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case AddKernel::Avx512:
        return __builtin_cpu_supports("avx512f");
#else
    case AddKernel::Avx2:
    case AddKernel::Avx512:
        return false;
#endif
    }
    return false;
}

AddKernel FastestAddKernel()
{
    for (const AddKernel kernel : kVectorKernels) {
        if (IsAddKernelSupported(kernel))
            return kernel;
    }
    return AddKernel::Portable;
}

std::vector<AddKernel> SupportedBatchKernels()
{
    std::vector<AddKernel> kernels;
    for (const AddKernel kernel : {AddKernel::Portable, AddKernel::Avx2, AddKernel::Avx512}) {
        if (IsAddKernelSupported(kernel))
            kernels.push_back(kernel);
    }
    return kernels;
}

AddKernel ResolveAddKernel(AddKernel kernel)
{
    if (kernel == AddKernel::Fastest || !IsAddKernelSupported(kernel))
        return FastestAddKernel();
    return kernel;
}

AddKernelFunction BatchKernelFunction(AddKernel kernel)
{
#if defined(__x86_64__) || defined(__i386__)
    if (kernel == AddKernel::Avx512)
        return AddKernelAvx512;
    if (kernel == AddKernel::Avx2)
        return AddKernelAvx2;
#endif
    (void)kernel;
    return AddKernelPortable;
}

const char* AddKernelName(AddKernel kernel)
{
    switch (ResolveAddKernel(kernel)) {
    case AddKernel::Reference:
        return "reference";
    case AddKernel::Portable:
        return "portable";
    case AddKernel::Avx2:
        return "avx2";
    case AddKernel::Avx512:
        return "avx512";
    case AddKernel::Fastest:
        break;
    }
    return "?";
}
