// Adding a batch of grains onto a window of the output on several threads at
// once, with the same result as adding them one after the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/base/stereo_frame.h"
#include "engine/synthesis/grain_canvas.h"
#include "engine/scheduling/grain_event.h"
#include "engine/synthesis/grain_placement.h"

class WorkerPool;

// The output range a batch touches is cut into tiles of kTileFrames frames
// (kGeneralTileFrames when the batch has grains that are not plain, below).
// Each tile is one thread's work at a time: it receives every grain of the
// batch that overlaps it, in grain order, so each frame gets its grains in the
// same order as grain-by-grain addition and the bits do not depend on the
// number of threads. A tile's output, and the slice of weights that
// neighbouring grains share, stay in the processor's nearest cache while the
// tile is worked on: 512 frames are 4 KB of output and 8 KB of weights, with
// each grain's 4 KB of source streaming past. Threads take the next free tile
// as they finish one, so a slower core simply takes fewer.
//
// Measured on AMD Zen 5 (48 KB first-level and 1 MB second-level cache per
// core): 256 to 512 frames are fastest; at 1024 two threads lose a quarter of
// their speed and at 2048 one thread loses 15 %, as output and weights no
// longer fit the first-level cache; 8192 frames lose 10 % on one thread.
//
// A batch with grains that are not plain takes tiles of kGeneralTileFrames.
// Each such grain-frame costs several times a plain one (the read position,
// the spline and four source reads), so the output and weights leaving the
// first-level cache matter little, while each grain's part of a tile carries
// a fixed cost (the grain's vector state, where its reads stay inside the
// source, the first and last frames of the part) and restarts the streams it
// reads. Measured on AMD Zen 3 (32 KB first-level, 512 KB second-level cache)
// on one thread with every grain transposed, placed and half of them
// reversed: 1024 to 8192 frames add such a batch 12 to 16 % faster than 512;
// a plain batch keeps 512. A batch added on one thread alone takes tiles of
// kLoneGeneralTileFrames: no other thread waits for its last tile, and each
// grain is cut, and its vector state set up, once per tile. Measured on AMD
// EPYC with AVX-512 with one layer of 2-second grains at density 10000,
// transposed by up to half an octave (about 21,000 grains over every frame),
// in windows of 16384 frames: 8192 took 4 % less time than 2048.
//
// Tiles begin on a cache line of the output's memory: two threads working on
// neighbouring tiles then never write into the same line. (A line shared at
// each tile edge went back and forth between the cores at every grain and
// halved the speed of two threads.)
//
// Each grain is cut to the output (and a plain one to the source) as the
// grain-by-grain loop cuts it (CoveredFrames), and then to the window; a grain
// placed outside either adds nothing. What the general kernel needs of a grain
// that is not plain is made once per batch, before the tiles, not for each of
// the tiles it reaches.
class TiledGrainAdder {
public:
    static constexpr std::uint64_t kTileFrames = 512;
    static constexpr std::uint64_t kGeneralTileFrames = 2048;
    static constexpr std::uint64_t kLoneGeneralTileFrames = 8192;

    // pool may be null (everything on the calling thread).
    TiledGrainAdder(const GrainCanvas& canvas, AddKernelFunction add, WorkerPool* pool);

    // Adds the part of each grain that lies inside window. grains must be in
    // order of output start, as the scheduler places them.
    void Add(const GrainEvent* grains, std::size_t count, const OutputWindow& window);

private:
    FrameRange CoveredFrames(const GrainEvent& grain) const;
    void PlaceTiles();
    void AddClaimedTiles();
    void AddTile(std::uint64_t begin, std::uint64_t end) const;
    bool IsShared(std::size_t count) const;

    GrainCanvas m_canvas;
    AddKernelFunction m_add;
    WorkerPool* m_pPool;

    // The batch being added.
    const GrainEvent* m_pGrains = nullptr;
    std::size_t m_nGrains = 0;
    std::vector<GeneralGrain> m_general;  // of each grain of the batch that is not plain
    OutputWindow m_window;
    std::uint64_t m_nBegin = 0;  // output range of the batch
    std::uint64_t m_nEnd = 0;
    // Of this batch: kGeneralTileFrames when it has a grain that is not plain
    // (kLoneGeneralTileFrames when one thread adds it all).
    std::uint64_t m_nTileFrames = kTileFrames;
    std::uint64_t m_nFirstTileStart = 0;  // where the first tile begins, at or before m_nBegin (modulo 2^64)
    std::uint64_t m_nTiles = 0;
    // Claimed by every thread: on a cache line of its own, away from the
    // fields above that they only read.
    alignas(64) std::atomic<std::uint64_t> m_nNextTile{0};
};
