#include "engine/synthesis_options.h"

#include <algorithm>
#include <thread>

int DefaultThreadCount()
{
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
}

int ResolveThreadCount(const SynthesisOptions& options)
{
    if (options.m_nThreads <= 0)
        return DefaultThreadCount();
    return std::min(options.m_nThreads, kMaxThreads);
}

KernelPath ResolveKernelPath(GrainKernel kernel)
{
    KernelPath wanted = FastestKernelPath();
    if (kernel == GrainKernel::Portable)
        wanted = KernelPath::Portable;
    else if (kernel == GrainKernel::Avx2)
        wanted = KernelPath::Avx2;
    else if (kernel == GrainKernel::Avx512)
        wanted = KernelPath::Avx512;
    return IsKernelPathSupported(wanted) ? wanted : FastestKernelPath();
}

const char* GrainKernelName(GrainKernel kernel)
{
    if (kernel == GrainKernel::Reference)
        return "reference";
    return KernelPathName(ResolveKernelPath(kernel));
}
