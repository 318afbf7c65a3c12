// A score made ready to render: each layer's timeline and bounds, the stretch
// of its source it reads (checked against the source's length), each source
// stretch prepared once for the layers that read it alike, each layer's grain
// synthesizer and gain, behind one synthesis. A plain run is a score of one
// layer whose values hold throughout.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/base/buffer_allocator.h"
#include "engine/base/stereo_frame.h"
#include "engine/score/score.h"
#include "engine/seek/seek_plan.h"
#include "engine/seek/seek_state.h"
#include "engine/synthesis/sound_chain.h"
#include "engine/synthesis/sound_synthesis.h"
#include "engine/synthesis/synthesis_options.h"

class LayerMixSynthesis;
struct StreamLayout;
struct PieceLayer;
struct PieceSource;

// How long before an excerpt's first frame its effects begin hearing the
// sound, so that a reverb's or a delay's sound from before reaches into it.
inline constexpr std::int32_t kEffectPrefeedSeconds = 10;

struct PieceRequest {
    const Score* m_pScore = nullptr;
    std::uint32_t m_nSeed = 0;  // the run's: the first layer's walk, every other stream derived from it
    // The length of each source path the layers name, in frames at the run's rate.
    std::map<std::string, std::uint64_t> m_sourceFrames;
    // An excerpt: frames [m_nExcerptFirst, m_nExcerptFirst + m_nExcerptFrames)
    // of the track (m_nExcerptFrames 0: the whole track).
    std::uint64_t m_nExcerptFirst = 0;
    std::uint64_t m_nExcerptFrames = 0;
    // Makes the chains of the score's effects; none: the effects are left out
    // and the layers mixed dry.
    SoundChainMaker m_makeChain;
    // Measures, in the render, how far each layer's part below 20 Hz reaches
    // in the mix over the track (or the excerpt): see LayerSubAudioPeaks.
    bool m_bMeasureLayerSubAudio = false;
    // A level survey's: how far before an excerpt shaped layers begin (see
    // LayerMixSynthesis::ShortenShapingLeadIn); none: the render's own.
    std::optional<std::uint64_t> m_shapingLeadInFrames;
};

// Why a layer cannot be rendered from its source.
struct PieceRefusal {
    enum class Kind {
        SourceMissing,    // no length was given for the layer's source
        StartPastEnd,     // source_start is at or past the source's end
        EndPastEnd,       // source_end is past the source's end
        StretchTooShort,  // the stretch read is not longer than the longest read of a grain
    };
    Kind m_kind = Kind::SourceMissing;
    std::size_t m_nLayer = 0;           // its index in the score
    std::uint64_t m_nSourceFrames = 0;  // the source's length
    std::uint64_t m_nStretchFrames = 0; // what the layer reads of it
    std::uint64_t m_nLongestRead = 0;   // the most source frames one of its grains reads
    std::int32_t m_nLongestGrain = 0;   // its longest grain, in frames
};

// The sound of each source path, at the run's rate, which stays in place
// while the piece lives; writable where the owner lets the preparation change
// it in place (a low cut on a source nothing else reads).
struct SourceSound {
    std::span<const StereoFrame> m_frames;
    std::span<StereoFrame> m_writable;  // the same frames, or empty
};

class ScorePiece {
public:
    struct Planning {
        std::unique_ptr<ScorePiece> m_pPiece;  // null: refused
        PieceRefusal m_refusal;
    };

    // Every layer's timeline, bounds and stretch, from the sources' lengths
    // alone: nothing is read or allocated.
    static Planning Plan(const PieceRequest& request);

    // A piece planned and prepared in one step from sounds decoded already
    // (by source path), which stay in place while it lives and which it never
    // changes: the studio's and the tests' way. No piece: refused
    // (m_refusal), or else the memory for the sources' preparation could not
    // be had.
    struct Making {
        std::unique_ptr<ScorePiece> m_pPiece;
        std::optional<PieceRefusal> m_refusal;
    };
    static Making Make(PieceRequest request, const std::map<std::string, std::span<const StereoFrame>>& sounds,
                       const SynthesisOptions& options = {}, BufferAllocator allocate = SystemAllocate);
    ~ScorePiece();

    // Prepares the sources (sounds by path) and makes the synthesis. Answers
    // false when the memory for the sources' preparation cannot be had.
    bool Prepare(const std::map<std::string, SourceSound>& sounds, const SynthesisOptions& options,
                 BufferAllocator allocate);

    // After Prepare.
    SoundSynthesis& Synthesis() { return *m_pSynthesis; }
    // Some layer's gain moves: each layer's DC offset is then taken off
    // before its gain (see LayerMixSynthesis), and the finishing must take no
    // mean off the mix, so that its silences stay 0.
    bool BlocksDc() const { return m_bBlocksDc; }
    // After a render of a piece asked to measure them: how far each layer's
    // part below 20 Hz reached in the mix, in the layers' order, in the units
    // of the synthesised sound's peak (empty when not measured).
    const std::vector<double>& LayerSubAudioPeaks() const;
    // The longest grain of any layer: a loop's warm-up.
    std::int32_t LongestGrainFrames() const { return m_nLongestGrain; }
    // Where the first layer's walk has got to: the run's generator state.
    std::uint32_t FirstLayerState() const;

    // After Prepare. What the piece's grain schedules are made from, and its
    // fingerprint: for a seek index, which may be built from it on another
    // thread while the piece renders.
    const SeekPlan& GetSeekPlan() const { return m_seekPlan; }
    // The next Begin of an excerpt's synthesis starts from state (of this
    // piece's plan, at or before the excerpt's first frame) instead of
    // skipping from the start.
    void StartFrom(SeekState state);
    // Where the synthesis' last skip to the excerpt arrived.
    const std::optional<SeekState>& GetArrived() const;
    // The frames an excerpt's synthesis makes unheard before its first one.
    std::uint64_t LeadInFrames() const;
    // The next Begin of the synthesis of a piece made for an excerpt renders
    // from track frame first on instead: the same render, another stretch of
    // it, found from where the last skip arrived when that lies before it.
    void MoveExcerpt(std::uint64_t first);
    // The mix of the layers, for rendering them a layer at a time (see
    // LayerMixSynthesis::RenderPart); null when the synthesis is no mix.
    LayerMixSynthesis* Mix() { return m_pMix; }
    std::size_t LayerCount() const { return m_layers.size(); }

    // After Prepare. What layer's grains read and how loud it is heard, for
    // telling a render's level from its grain schedule without rendering
    // it: the frames of its prepared stretch (the frames its grains' read
    // positions count), the gain its grains take from the loudness of what
    // they read (null: none) and its gain at render frame frame.
    std::span<const StereoFrame> LayerSourceFrames(std::size_t layer) const;
    const GrainLevelGain* LayerLevelHold(std::size_t layer) const;
    double LayerGainAt(std::size_t layer, std::uint64_t frame) const;

private:
    ScorePiece() = default;
    std::optional<PieceRefusal> PlanLayers(const PieceRequest& request);
    void MakeSynthesis(const SynthesisOptions& options, BufferAllocator allocate);
    void MakeSeekPlan();
    StreamLayout Layout() const;

    const Score* m_pScore = nullptr;
    std::uint32_t m_nSeed = 0;
    std::uint64_t m_nExcerptFirst = 0;
    std::uint64_t m_nExcerptFrames = 0;
    std::uint64_t m_nWarmUp = 0;  // a loop's frames before the track's first
    SoundChainMaker m_makeChain;
    bool m_bMeasureLayers = false;
    std::optional<std::uint64_t> m_shapingLeadInFrames;
    bool m_bBlocksDc = false;
    std::vector<std::unique_ptr<PieceSource>> m_sources;
    std::vector<std::unique_ptr<PieceLayer>> m_layers;
    std::unique_ptr<SoundSynthesis> m_pSynthesis;
    LayerMixSynthesis* m_pMix = nullptr;  // m_pSynthesis when it mixes layers (every excerpt does)
    std::int32_t m_nLongestGrain = 0;
    SeekPlan m_seekPlan;
};

// The seed of layer index of a run seeded with seed: the seed itself for the
// first layer, so a score of one layer renders as the plain run.
std::uint32_t LayerSeed(std::uint32_t seed, int index);
