// A score made ready to render: each layer's source stretch prepared once,
// its timeline, its grain synthesizer and its gain, behind one synthesis.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/buffer_allocator.h"
#include "engine/render/sound_synthesis.h"
#include "engine/score/score.h"
#include "engine/score/sound_chain.h"
#include "engine/seek/seek_plan.h"
#include "engine/seek/seek_state.h"
#include "engine/stereo_frame.h"
#include "engine/synthesis/synthesis_options.h"

class LayerMixSynthesis;
struct PieceLayer;
struct PieceSource;

// How long before an excerpt's first frame its effects begin hearing the
// sound, so that a reverb's or a delay's sound from before reaches into it.
inline constexpr std::int32_t kEffectPrefeedSeconds = 10;

struct PieceRequest {
    const Score* m_pScore = nullptr;
    std::uint32_t m_nSeed = 0;  // the run's: the first layer's walk, every other stream derived from it
    // The sound of each source path the layers name, at the run's rate,
    // which stays in place while the piece lives.
    std::map<std::string, std::span<const StereoFrame>> m_sources;
    SynthesisOptions m_options;
    BufferAllocator m_allocate = SystemAllocate;
    // An excerpt: frames [m_nExcerptFirst, m_nExcerptFirst + m_nExcerptFrames)
    // of the track (m_nExcerptFrames 0: the whole track).
    std::uint64_t m_nExcerptFirst = 0;
    std::uint64_t m_nExcerptFrames = 0;
    // Makes the chains of the score's effects; none: the effects are left out
    // and the layers mixed dry.
    SoundChainMaker m_makeChain;
};

class ScorePiece {
public:
    struct Making {
        std::unique_ptr<ScorePiece> m_pPiece;  // null: refused
        int m_nLine = 0;                       // where in the score, for the message
        std::string m_strError;
    };

    static Making Make(const PieceRequest& request);
    ~ScorePiece();

    SoundSynthesis& Synthesis();
    // Some layer's gain moves: each layer's DC offset is then taken off
    // before its gain (see LayerMixSynthesis), and the render must take no
    // mean off the mix, so that its silences stay 0.
    bool BlocksDc() const { return m_bBlocksDc; }
    // Measures, in the next render, how far each layer's part below 20 Hz
    // reaches in the mix over the track (or the excerpt); LayerSubAudioPeaks
    // answers after that render, in the layers' order, in the units of the
    // synthesised sound's peak.
    void MeasureSubAudio();
    const std::vector<double>& LayerSubAudioPeaks() const;
    // The longest grain of any layer: a loop's warm-up.
    std::int32_t LongestGrainFrames() const { return m_nLongestGrain; }

    // What the piece's grain schedules are made from, and its fingerprint:
    // for a seek index, which may be built from it on another thread while
    // the piece renders.
    const SeekPlan& GetSeekPlan() const { return m_seekPlan; }
    // The next Begin of the synthesis starts from state (of this piece's
    // plan, at or before the excerpt's first frame) instead of skipping
    // from the start.
    void StartFrom(SeekState state);
    // Where the synthesis' last skip to the excerpt arrived.
    const std::optional<SeekState>& GetArrived() const;
    // The next Begin of the synthesis of a piece made for an excerpt renders
    // from track frame first on instead: the same render, another stretch of
    // it, found from where the last skip arrived when that lies before it.
    void MoveExcerpt(std::uint64_t first);

private:
    ScorePiece() = default;
    std::optional<Making> MakeLayers(const PieceRequest& request);
    std::optional<Making> PrepareSources(const PieceRequest& request);
    void MakeSynthesis(const PieceRequest& request);
    void MakeSeekPlan(const PieceRequest& request, std::uint64_t renderFrames);

    std::uint64_t m_nWarmUp = 0;  // a loop's frames before the track's first
    std::vector<std::unique_ptr<PieceSource>> m_sources;
    std::vector<std::unique_ptr<PieceLayer>> m_layers;
    std::unique_ptr<LayerMixSynthesis> m_pSynthesis;
    std::int32_t m_nLongestGrain = 0;
    bool m_bBlocksDc = false;
    // The frames of the render the track (or the excerpt) takes.
    std::uint64_t m_nTrackFirst = 0;
    std::uint64_t m_nTrackEnd = 0;
    SeekPlan m_seekPlan;
};

// The seed of layer index of a run seeded with seed: the seed itself for the
// first layer, so a score of one layer renders as the plain run.
std::uint32_t LayerSeed(std::uint32_t seed, int index);
