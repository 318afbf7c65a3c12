// How grain synthesis uses the machine. None of these choices changes a bit of
// the output; they only change how fast it comes.
#pragma once

#include "engine/synthesis/kernels/add_kernel.h"

struct SynthesisOptions {
    AddKernel m_kernel = AddKernel::Fastest;
    int m_nThreads = 0;  // threads in all; 0 for one per processor core
};

// The most threads a run uses, whatever it is asked for.
constexpr int kMaxThreads = 256;

// One per processor core the system reports (at least 1).
int DefaultThreadCount();
// The threads grains are added on with these options, 1 to kMaxThreads: one
// for the reference kernel, which works on the calling thread alone.
int ResolveThreadCount(const SynthesisOptions& options);
