// How grain synthesis uses the machine. None of these choices changes a bit of
// the output; they only change how fast it comes.
#pragma once

#include "engine/weighted_add.h"

// Reference adds the grains one by one with AddGrain, on the run's thread.
// The others add them in batches, tile by tile, on the threads asked for:
// Fastest with the fastest path this processor supports, the rest with the
// path named (or the fastest, where the processor lacks the one named).
enum class GrainKernel { Fastest, Reference, Portable, Avx2, Avx512 };

struct SynthesisOptions {
    GrainKernel m_kernel = GrainKernel::Fastest;
    int m_nThreads = 0;  // threads in all; 0 for one per processor core
};

// The most threads a run uses, whatever it is asked for.
constexpr int kMaxThreads = 256;

// One per processor core the system reports (at least 1).
int DefaultThreadCount();
// The threads a run with these options uses, 1 to kMaxThreads.
int ResolveThreadCount(const SynthesisOptions& options);
// The path a batch kernel runs on (meaningless for Reference).
KernelPath ResolveKernelPath(GrainKernel kernel);
// "reference", or the name of the path a batch kernel runs on.
const char* GrainKernelName(GrainKernel kernel);
