#include "engine/synthesis/synthesis_options.h"

#include <algorithm>
#include <thread>

int DefaultThreadCount()
{
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
}

int ResolveThreadCount(const SynthesisOptions& options)
{
    if (options.m_kernel == AddKernel::Reference)
        return 1;
    if (options.m_nThreads <= 0)
        return DefaultThreadCount();
    return std::min(options.m_nThreads, kMaxThreads);
}
