// The sound of a score: each layer's grains synthesised on their own, scaled
// by the layer's gain as it moves, and summed, window by window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "engine/base/buffer_allocator.h"
#include "engine/sub_audio/dc_blocker.h"
#include "engine/sub_audio/layer_sub_audio.h"
#include "engine/synthesis/effected_stream.h"
#include "engine/synthesis/sound_synthesis.h"
#include "engine/seek/seek_state.h"
#include "engine/base/zeroed_buffer.h"
#include "engine/shaping/layer_shaping.h"

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

// How one layer's sound over a window goes into the mix, onto what the
// layers before it made there: not at all (it is not heard), as it is, or
// times its gain at each frame.
enum class LayerUse : std::uint8_t { None, Plain, Scaled };

// The gain moves in straight lines between its values at every 32nd frame of
// the render, whatever the windows. A layer whose gain is 0 over a whole
// window has its grains placed (so the walk goes on as it would) and dropped
// unheard. An excerpt (skipFrames > 0) renders frames from skipFrames on of
// a render that begins at frame 0: the grains before it are placed and
// dropped, none is added, and every grain reaching into it adds what it has
// there, so the excerpt is that stretch of the whole render.
//
// A mix that blocks DC sends each layer's sound through the layer's own
// DcBlocker, in order, before its gain (and so before its shaping), so that a
// layer's offset comes and goes with it and its silences stay 0. The filter starts at rest at the
// render's first frame. A stretch a layer is not heard in is synthesised
// unheard through its filter for the second before the layer is heard again,
// and so is the second before an excerpt, so that the filter has settled
// (to a part in 10^8) when it is heard: an excerpt is then that stretch of the
// whole render but for that last part in 10^8.
// With effects, a layer's chain takes its sound (after its gain) and the
// master chain the mix, each made ahead as far as its chain's latency asks;
// every Begin starts fresh chains, so the sound is the same each time. An
// excerpt starts its chains (and its sound) up to the prefeed before its
// first frame, and drops what they give before it; so does an excerpt of
// layers that are shaped (kShapingPrefeedFrames). The state kept of such a
// skip is at the excerpt's first frame (GetArrived); the one at the prefeed's
// first frame is kept beside it, for the next Begin to go on from.
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

    // Takes each layer's DC offset off before its gain (see above).
    void BlockDc() { m_bBlockDc = true; }
    // A level survey's own, before the first Begin: shaped layers begin this
    // many frames before an excerpt instead of kShapingPrefeedFrames, so a
    // short excerpt costs less; its first moments then differ a little from
    // the render's, as its filters have not quite forgotten where they began.
    void ShortenShapingLeadIn(std::uint64_t frames);
    // Measures, in the next render, how far each layer's part below 20 Hz
    // reaches in the mix over the render's frames [first, end) (see
    // LayerSubAudio); LayerSubAudioPeaks answers after that render, in the
    // layers' order.
    void MeasureSubAudio(std::uint64_t first, std::uint64_t end) { m_measured = std::pair{first, end}; }
    const std::vector<double>& LayerSubAudioPeaks() const { return m_subAudioPeaks; }

    // An excerpt's first Begin skips to its first frame; later ones start
    // from where that skip arrived.
    bool Begin(std::uint64_t frames) override;
    // How far before an excerpt its sound is made unheard (for its chains,
    // shaping or DC blockers to settle): 0 when the excerpt starts at once.
    std::uint64_t LeadInFrames() const;
    void SetKeepGoing(std::function<bool()> keepGoing) override { m_keepGoing = std::move(keepGoing); }
    // The next Begin starts from state (a state of a render of the same
    // layers for the same frames, at or before the excerpt's first frame)
    // and skips only the rest of the way.
    void StartFrom(SeekState state) { m_start = std::move(state); }
    // Where the last skip to the excerpt arrived; none before one.
    const std::optional<SeekState>& GetArrived() const { return m_start; }
    // The next Begin renders from frame skipFrames of the render on instead
    // (an excerpt moved elsewhere in the same render).
    void MoveSkip(std::uint64_t skipFrames) { m_nSkipFrames = skipFrames; }
    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override;

    // A mix rendered a layer at a time, its layers shared among several
    // syntheses of the same piece (each its own copy), and summed in the
    // layers' order by AddPart: the same bits as RenderWindow. Without a
    // master chain only (the master takes the whole mix).
    bool CanRenderParts() const { return m_pMasterStream == nullptr; }
    // The layers the next Begin begins, skips and makes ready (empty: all);
    // after it, windows are rendered by RenderPart, each of these layers in
    // turn.
    void SelectLayers(std::vector<std::size_t> layers);
    // Layer index's sound over the excerpt's frames [first, first +
    // sound.size()) into sound (zeros), and how it goes into the mix; when
    // Scaled, its gains are PartGains() until the next render.
    LayerUse RenderPart(std::size_t index, std::span<StereoFrame> sound, std::uint64_t first);
    std::span<const float> PartGains() const { return m_gains; }
    // Layer index's part (sound, gains, use) onto window: in place of what it
    // holds for the first layer, else added to it.
    static void AddPart(std::span<StereoFrame> window, std::span<const StereoFrame> sound,
                        std::span<const float> gains, LayerUse use, bool firstLayer);
    // In windows, without progress points: a score is always streamed.
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress) override;
    void End() override;

private:
    // What the render keeps of each layer between its windows.
    struct LayerState {
        DcBlocker m_blocker;
        std::uint64_t m_nFilteredEnd = 0;  // the frame after the last one the filter took
        std::optional<LayerSubAudio> m_subAudio;
    };

    bool SkipTo(std::uint64_t frame, std::uint64_t wholeFrames, std::uint64_t prefeedFrom);
    const SeekState* ResumableState(std::uint64_t prefeedFrom, std::uint64_t wholeFrames) const;
    void MakeStreams();
    void BeginStreams(std::uint64_t first, std::uint64_t end);
    void MixLayers(std::span<StereoFrame> window, std::uint64_t first);
    void RenderFrom(std::span<StereoFrame> window, std::uint64_t first);
    void DropGrainsBefore(std::uint64_t frame);
    bool FillGains(const MixLayer& layer, std::uint64_t first, std::size_t count);
    std::optional<std::uint64_t> FirstHeardFrame(const MixLayer& layer, std::uint64_t first, std::size_t count);
    bool IsSelected(std::size_t index) const { return m_selected.empty() || m_selected[index]; }
    void RenderLayer(std::size_t index, std::span<StereoFrame> window, std::uint64_t first, bool onto);
    LayerUse RenderLayerSound(std::size_t index, std::span<StereoFrame> target, std::uint64_t first, bool clear);
    LayerUse RenderPartAt(std::size_t index, std::span<StereoFrame> sound, std::uint64_t first);
    void RenderShapedLayer(std::size_t index, std::span<StereoFrame> target, std::uint64_t first, bool heard);
    void SkipUnheardWindow(std::size_t index, std::uint64_t first, std::uint64_t end);
    void RenderUnheard(std::size_t index, std::uint64_t from, std::uint64_t end);
    void Block(LayerState& state, std::span<StereoFrame> sound, std::uint64_t first);
    static void AddScaled(std::span<StereoFrame> window, std::span<const StereoFrame> sound,
                          std::span<const float> gains, bool scaled);
    static void Scale(std::span<StereoFrame> window, std::span<const float> gains);

    std::vector<MixLayer> m_layers;
    std::vector<LayerState> m_states;
    std::vector<bool> m_selected;  // the layers begun (empty: all)
    bool m_bBlockDc = false;
    std::uint64_t m_nSkipFrames;
    std::uint64_t m_nWholeFrames;
    BufferAllocator m_allocate;
    SoundBuffer m_scratch;
    std::vector<float> m_gains;  // of the current layer, at each frame of the window
    std::function<bool()> m_keepGoing;
    // Where the skip to the excerpt starts from, and, once made, where it
    // arrived.
    std::optional<SeekState> m_start;
    // Where the last skip stood at its prefeed's first frame.
    std::optional<SeekState> m_prefeedStart;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> m_measured;  // frames to measure in the next render
    std::vector<double> m_subAudioPeaks;
    MixEffects m_effects;
    bool m_bEffects = false;
    // One per layer that asks for shaping, else empty.
    std::vector<std::optional<LayerShaping>> m_shapings;
    // How far before the excerpt the sound is made and dropped.
    std::uint64_t m_nPrefeedFrames = 0;
    std::uint64_t PrefeedFrames(std::uint64_t shapingFrames) const;
    // One stream per layer with effects (null for a dry layer), and the
    // master's (null without master effects).
    std::vector<std::unique_ptr<EffectedStream>> m_layerStreams;
    std::unique_ptr<EffectedStream> m_pMasterStream;
};
