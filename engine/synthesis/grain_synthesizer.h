// Grain synthesis on plain memory: where each grain is read from, and the
// Hann-windowed grains added onto the output in order, piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/buffer_allocator.h"
#include "engine/stereo_frame.h"
#include "engine/synthesis/grain_placement.h"
#include "engine/synthesis/grain_settings.h"
#include "engine/synthesis/random_generator.h"
#include "engine/synthesis/synthesis_options.h"
#include "engine/zeroed_buffer.h"

class TiledGrainAdder;
class WorkerPool;

// A grain by its index k and its output start.
struct GrainCursor {
    std::int32_t m_nIndex = 0;
    std::uint64_t m_nStart = 0;
};

// Grains start at a fixed rate: grains 0 and 1 at output frame 0, grain k
// (k ≥ 1) at trunc((k − 1) × 44100 / grains per second). Each reads
// m_nGrainFrames frames of the source from a position that two candidates, A
// and B, give as they wander through the middle of the source (see
// ChooseGrainPosition), and is added onto the output shaped by the grain
// window and scaled by the volume.
//
// A render goes:
//
//   Begin(source, outputFrames)           the window table, the grain cursor at grain 0
//   repeat: Place...(...)                 chooses read positions, in grain order
//           AddPlacedGrains(window)       adds what the placed grains have inside window
//   End()                                 releases the tables and the threads
//
// Placing and adding may be cut anywhere: the output's bits are those of
// placing and adding every grain one after the other, as long as each output
// frame is handed over (inside a window) after every grain reaching it has
// been placed, or again later. Two ways keep to that:
//  - whole output: every window is the whole output (the generation run,
//    which places up to each progress point and then adds);
//  - streaming: windows one after the other, [a, b) then [b, c) ..., each after
//    PlaceGrainsBefore(its end). A grain reaching past a window's end stays
//    pending and adds its next frames into the next window.
// A grain is dropped once a window has reached its last frame; a window that
// begins after a pending grain's next frame loses those frames of that grain.
//
// Nothing here sees a file, a host or a message, and nothing throws for want
// of memory: Begin answers it.
class GrainSynthesizer {
public:
    enum class Start {
        Ready,
        NoWindowMemory,  // the window table could not be allocated
        SourceTooLong,   // read positions are signed 32-bit frame indices
    };

    GrainSynthesizer();
    ~GrainSynthesizer();
    GrainSynthesizer(const GrainSynthesizer&) = delete;
    GrainSynthesizer& operator=(const GrainSynthesizer&) = delete;

    // Read at Begin; change them between renders only.
    void SetSettings(const GrainSettings& settings) { m_settings = settings; }
    void SetOptions(const SynthesisOptions& options) { m_options = options; }
    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }

    void SetRandomState(std::uint32_t state) { m_random.SetState(state); }
    std::uint32_t GetRandomState() const { return m_random.GetState(); }

    // Begins a render of outputFrames output frames read from source, which
    // must stay in place until End. Builds the window table, and for a batch
    // kernel the paired weights and the threads (without memory for the
    // weights, grains are added by the reference kernel instead); the next
    // grain is grain 0 at frame 0. Draws no random number.
    Start Begin(std::span<const StereoFrame> source, std::uint64_t outputFrames);
    // Releases the tables and the threads, and drops any pending grain.
    void End();

    // Places the next grains up to and including grain lastIndex, or up to
    // the last that starts inside the output. Answers how many.
    std::size_t PlaceGrainsThrough(std::int32_t lastIndex);
    // Places every grain not yet placed that starts before frame (and inside
    // the output). Answers how many.
    std::size_t PlaceGrainsBefore(std::uint64_t frame);
    // Every grain that starts inside the output has been placed.
    bool IsComplete() const { return m_next.m_nStart >= m_nOutputFrames; }
    const GrainCursor& NextGrain() const { return m_next; }
    // The last grain placed (meaningless before the first).
    const GrainCursor& LastPlacedGrain() const { return m_lastPlaced; }

    // Adds, grain by grain in order, what each placed grain has inside window.
    void AddPlacedGrains(const OutputWindow& window);
    // Grains placed whose last frame no window has reached yet.
    std::size_t PendingGrainCount() const { return m_pending.size(); }

    // The start frame in the source of grain k; k = 0 begins the candidates
    // and the segment afresh, later grains must follow with increasing k.
    std::int32_t ChooseGrainPosition(std::int32_t k);
    // A new segment length, stored and answered.
    std::int32_t NewSegmentLength();
    // The periodic Hann window of length n at index i.
    static double GrainWindow(std::uint32_t i, std::int32_t n);
    // Adds grain n frames long, read from source frame p and starting at
    // output frame q, onto the frames of window it covers, cut as CutGrain
    // cuts it: the reference kernel, one grain at a time.
    void AddGrain(std::int32_t p, std::uint64_t q, std::int32_t n, const OutputWindow& window) const;

    // The candidates and the segment, as ChooseGrainPosition leaves them.
    std::int32_t GetPositionA() const { return m_nPositionA; }
    std::int32_t GetPositionB() const { return m_nPositionB; }
    std::int32_t GetSegmentLength() const { return m_nSegmentLength; }
    std::int32_t GetGrainInSegment() const { return m_nGrainInSegment; }
    // Puts the candidates and the segment where a render left them.
    void SetPositions(std::int32_t a, std::int32_t b);
    void SetSegment(std::int32_t length, std::int32_t grainInSegment);

private:
    bool StartBatchAdding();
    void PlaceNextGrain();
    std::uint32_t GrainSpan() const;
    std::int32_t FreshPosition(double span);
    void DropFinishedGrains(const OutputWindow& window);

    GrainSettings m_settings;
    SynthesisOptions m_options;
    BufferAllocator m_allocate = SystemAllocate;
    RandomGenerator m_random;

    std::int32_t m_nPositionA = 0;
    std::int32_t m_nPositionB = 0;
    std::int32_t m_nSegmentLength = 0;
    std::int32_t m_nGrainInSegment = 0;

    // The render between Begin and End.
    std::span<const StereoFrame> m_source;
    std::uint64_t m_nOutputFrames = 0;
    double m_dStep = 0.0;  // output frames between grain starts
    GrainCursor m_next;
    GrainCursor m_lastPlaced;
    std::vector<GrainPlacement> m_pending;
    ZeroedBuffer<float> m_window;
    ZeroedBuffer<double> m_pairWeights;
    std::unique_ptr<WorkerPool> m_pPool;
    std::unique_ptr<TiledGrainAdder> m_pTiledAdder;  // null: the reference kernel
};
