// Everything grain synthesis needs to add its grains in batches: the weights
// table, the threads and the tile-by-tile adder.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/buffer_allocation.h"
#include "engine/synthesis/tiled_grain_adder.h"
#include "engine/synthesis/worker_pool.h"

class FastGrainAdder {
public:
    // gain is the volume as AddGrain uses it (a 32-bit float). Answers null
    // when the weights table cannot be allocated; the caller then adds the
    // grains one by one instead.
    static std::unique_ptr<FastGrainAdder> Create(GrainCanvas canvas, const float* window, float gain,
                                                  BufferAllocator allocate, AddKernel kernel, int threads);
    ~FastGrainAdder();
    FastGrainAdder(const FastGrainAdder&) = delete;
    FastGrainAdder& operator=(const FastGrainAdder&) = delete;

    void Add(const GrainPlacement* grains, std::int32_t count) { m_adder.Add(grains, count); }

private:
    FastGrainAdder(const GrainCanvas& canvas, double* pairWeights, AddKernel kernel, int threads);

    double* m_pPairWeights;  // released with std::free, like every buffer of the allocator
    std::unique_ptr<WorkerPool> m_pool;
    TiledGrainAdder m_adder;
};
