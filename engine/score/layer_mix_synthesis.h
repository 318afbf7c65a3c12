// The sound of a score: each layer's grains synthesised on their own, scaled
// by the layer's gain as it moves, and summed, window by window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "engine/buffer_allocator.h"
#include "engine/render/sound_synthesis.h"
#include "engine/score/effected_stream.h"
#include "engine/seek/seek_state.h"
#include "engine/shaping/layer_shaping.h"
#include "engine/zeroed_buffer.h"

class GrainSynthesizer;
class OctaveLevels;
class SplineTerms;

struct MixLayer {
    GrainSynthesizer* m_pSynthesizer = nullptr;  // with its settings and options
    const OctaveLevels* m_pSource = nullptr;
    const SplineTerms* m_pTerms = nullptr;       // may be null
    std::uint32_t m_nSeed = 0;                   // every Begin starts the layer's walk here
    // The layer's gain at a frame of the render, a factor (0: silent); null:
    // 1 throughout, and the layer's sound is taken as it is, to the bit.
    std::function<double(std::uint64_t frame)> m_gainAt;
    // Effects run on the layer's sound, after its gain; none: it is mixed dry.
    EffectChainSetting m_effects;
    // Its tone, width and pan, after its gain and before its effects; none
    // asked: its sound as its grains make it.
    ShapingPlan m_shaping;
};

// The effects of a mix: the maker of every chain, the chain run on the mix
// of all layers, and how far before an excerpt's first frame the chains
// begin, so that what rings into the excerpt is heard.
struct MixEffects {
    SoundChainMaker m_make;
    EffectChainSetting m_master;
    std::uint64_t m_nPrefeedFrames = 0;

    bool Any(const std::vector<MixLayer>& layers) const;
};

// The gain moves in straight lines between its values at every 32nd frame of
// the render, whatever the windows. A layer whose gain is 0 over a whole
// window has its grains placed (so the walk goes on as it would) and dropped
// unheard. An excerpt (skipFrames > 0) renders frames from skipFrames on of
// a render that begins at frame 0: the grains before it are placed and
// dropped, none is added, and every grain reaching into it adds what it has
// there, so the excerpt is that stretch of the whole render.
//
// With effects, a layer's chain takes its sound (after its gain) and the
// master chain the mix, each made ahead as far as its chain's latency asks;
// every Begin starts fresh chains, so the sound is the same each time. An
// excerpt starts its chains (and its sound) up to the prefeed before its
// first frame, and drops what they give before it; so does an excerpt of
// layers that are shaped (kShapingPrefeedFrames).
class LayerMixSynthesis final : public SoundSynthesis {
public:
    static constexpr std::uint64_t kGainStepFrames = 32;
    // How far before an excerpt a layer's shaping (without effects) begins:
    // long enough for its filters to forget where they began, so the
    // excerpt is its stretch of the whole render.
    static constexpr std::uint64_t kShapingPrefeedFrames = 2 * 44100;

    // wholeFrames: the frames of the whole render the excerpt is taken from
    // (0: it is the whole render).
    LayerMixSynthesis(std::vector<MixLayer> layers, std::uint64_t skipFrames, std::uint64_t wholeFrames,
                      BufferAllocator allocate, MixEffects effects = {});

    // An excerpt's first Begin skips to its first frame; later ones start
    // from where that skip arrived.
    bool Begin(std::uint64_t frames) override;
    void SetKeepGoing(std::function<bool()> keepGoing) override { m_keepGoing = std::move(keepGoing); }
    // The next Begin starts from state (a state of a render of the same
    // layers for the same frames, at or before the excerpt's first frame)
    // and skips only the rest of the way.
    void StartFrom(SeekState state) { m_start = std::move(state); }
    // Where the last skip to the excerpt arrived; none before one.
    const std::optional<SeekState>& GetArrived() const { return m_start; }
    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override;
    // In windows, without progress points: a score is always streamed.
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress) override;
    void End() override;

private:
    bool SkipTo(std::uint64_t frame, std::uint64_t wholeFrames, std::uint64_t prefeedFrom);
    void MakeStreams();
    void BeginStreams(std::uint64_t first, std::uint64_t end);
    void MixLayers(std::span<StereoFrame> window, std::uint64_t first);
    void RenderFrom(std::span<StereoFrame> window, std::uint64_t first);
    void DropGrainsBefore(std::uint64_t frame);
    bool FillGains(const MixLayer& layer, std::uint64_t first, std::size_t count);
    void RenderLayer(std::size_t index, std::span<StereoFrame> window, std::uint64_t first, bool onto);
    void RenderShapedLayer(std::size_t index, std::span<StereoFrame> window, std::uint64_t first, bool onto,
                           bool heard);
    void AddScaled(std::span<StereoFrame> window, std::span<const StereoFrame> sound, bool scaled) const;
    void Scale(std::span<StereoFrame> window) const;

    std::vector<MixLayer> m_layers;
    std::uint64_t m_nSkipFrames;
    std::uint64_t m_nWholeFrames;
    BufferAllocator m_allocate;
    SoundBuffer m_scratch;
    std::vector<float> m_gains;  // of the current layer, at each frame of the window
    std::function<bool()> m_keepGoing;
    // Where the skip to the excerpt starts from, and, once made, where it
    // arrived.
    std::optional<SeekState> m_start;
    MixEffects m_effects;
    bool m_bEffects = false;
    // One per layer that asks for shaping, else empty.
    std::vector<std::optional<LayerShaping>> m_shapings;
    // How far before the excerpt the sound is made and dropped.
    std::uint64_t m_nPrefeedFrames = 0;
    // One stream per layer with effects (null for a dry layer), and the
    // master's (null without master effects).
    std::vector<std::unique_ptr<EffectedStream>> m_layerStreams;
    std::unique_ptr<EffectedStream> m_pMasterStream;
};
