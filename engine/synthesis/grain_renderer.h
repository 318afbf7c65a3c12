// Adds grain events onto windows of the output: the window tables, the add
// kernels, the tiles and the worker threads of one render.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/base/buffer_allocator.h"
#include "engine/synthesis/grain_canvas.h"
#include "engine/scheduling/grain_event.h"
#include "engine/scheduling/grain_settings.h"
#include "engine/synthesis/synthesis_options.h"
#include "engine/base/zeroed_buffer.h"

class TiledGrainAdder;
class WorkerPool;

// Plain grains go through the kernel the options ask for, everything else
// through the general kernel of the same family; the reference kernel adds
// grain by grain on the calling thread, the batch kernels tile by tile on the
// worker threads. Every choice gives the same bits.
class GrainRenderer {
public:
    enum class Start {
        Ready,
        NoWindowMemory,  // a window table could not be allocated
    };

    GrainRenderer();
    ~GrainRenderer();
    GrainRenderer(const GrainRenderer&) = delete;
    GrainRenderer& operator=(const GrainRenderer&) = delete;

    // Begins a render of outputFrames output frames read from levels (and
    // terms, their spline coefficients, if not null), which must stay in
    // place until End: the plain window table, and for a batch kernel the
    // paired weights and the threads (without memory for the weights, grains
    // are added by the reference kernel instead).
    // No grain is longer than longestGrain frames (0: the settings' grain
    // length). levelled: grains of plain settings may still have levels of
    // their own (and go through the general kernel with the settings' window).
    // A Begin after another without End between them keeps the tables the
    // last one made when they would be made alike (the same grain length,
    // volume, window and allocator): an excerpt begun again and again, each
    // time elsewhere, is spared computing and allocating them each time.
    Start Begin(const OctaveLevels& levels, std::uint64_t outputFrames, const GrainSettings& settings,
                const SynthesisOptions& options, BufferAllocator allocate, const SplineTerms* terms = nullptr,
                std::int32_t longestGrain = 0, bool levelled = false);
    void End();

    // Adds, grain by grain in order, what each grain has inside window.
    // grains are in order of output start.
    void Add(std::span<const GrainEvent> grains, const OutputWindow& window);

    // The frames of the whole output that grain covers.
    FrameRange CoveredFrames(const GrainEvent& grain) const { return ::CoveredFrames(grain, m_canvas); }

private:
    // What the tables are made from.
    struct TableMaking {
        std::int32_t m_nGrainFrames = 0;
        float m_fVolume = 0.0f;
        bool m_bShaped = false;  // the shaped window too
        WindowShape m_shape = WindowShape::Hann;
        bool m_bWeights = false;  // the paired weights too (batch kernels)
        BufferAllocator m_allocate = nullptr;

        bool operator==(const TableMaking&) const = default;
    };

    bool MakeTables(const TableMaking& making);
    bool MakePairWeights(const TableMaking& making);
    void StartBatchAdding(const SynthesisOptions& options);
    void EndAdding();

    GrainCanvas m_canvas;
    ZeroedBuffer<float> m_window;
    ZeroedBuffer<double> m_pairWeights;
    std::optional<ShapedWindow> m_shapedWindow;
    std::unique_ptr<WorkerPool> m_pPool;
    std::unique_ptr<TiledGrainAdder> m_pTiledAdder;  // null: the reference kernel
    std::optional<TableMaking> m_tables;             // how the tables held were made
};

// The general kernel of a kernel family: the portable one for the reference
// and portable kernels, the vector ones for theirs; for the fastest (or a
// vector unit this processor lacks), the variant timed fastest here, which
// need not be the batch kernel's.
GeneralKernelFunction GeneralKernelFor(AddKernel kernel);
