// Which builds of the weighted add this processor can run, asked at run time.
#include "engine/weighted_add.h"

bool IsKernelPathSupported(KernelPath path)
{
    switch (path) {
    case KernelPath::Portable:
        return true;
#if defined(__x86_64__) || defined(__i386__)
    // These also check that the operating system saves the wide registers.
    case KernelPath::Avx2:
        return __builtin_cpu_supports("avx2");
    case KernelPath::Avx512:
        return __builtin_cpu_supports("avx512f");
#else
    case KernelPath::Avx2:
    case KernelPath::Avx512:
        return false;
#endif
    }
    return false;
}

KernelPath FastestKernelPath()
{
    for (const KernelPath path : {KernelPath::Avx512, KernelPath::Avx2}) {
        if (IsKernelPathSupported(path))
            return path;
    }
    return KernelPath::Portable;
}

std::vector<KernelPath> SupportedKernelPaths()
{
    std::vector<KernelPath> paths;
    for (const KernelPath path : {KernelPath::Portable, KernelPath::Avx2, KernelPath::Avx512}) {
        if (IsKernelPathSupported(path))
            paths.push_back(path);
    }
    return paths;
}

WeightedAdd WeightedAddFor(KernelPath path)
{
#if defined(__x86_64__) || defined(__i386__)
    if (path == KernelPath::Avx512)
        return WeightedAddAvx512;
    if (path == KernelPath::Avx2)
        return WeightedAddAvx2;
#endif
    (void)path;
    return WeightedAddPortable;
}

const char* KernelPathName(KernelPath path)
{
    switch (path) {
    case KernelPath::Portable:
        return "portable";
    case KernelPath::Avx2:
        return "avx2";
    case KernelPath::Avx512:
        return "avx512";
    }
    return "?";
}
