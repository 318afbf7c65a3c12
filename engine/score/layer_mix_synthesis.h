// The sound of a score: each layer's grains synthesised on their own, scaled
// by the layer's gain as it moves, and summed, window by window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "engine/buffer_allocator.h"
#include "engine/level/dc_blocker.h"
#include "engine/render/sound_synthesis.h"
#include "engine/score/layer_sub_audio.h"
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
    // The layer's DC offset is taken off by a DcBlocker before its gain, so
    // that the offset does not move with the gain.
    bool m_bBlockDc = false;
};

// The gain moves along a smooth line through its values at every 32nd frame
// of the render, whatever the windows. The value at each of those steps is the
// mean of the layer's gain line at that step and the seven on either side,
// weighted by a Hann window; between the steps the gain follows a monotone
// cubic (GainBetweenSteps). So a jump of the line (a step, or two keyframes at
// one time) reaches the sound as a smooth S-shaped rise or fall over 480
// frames (11 ms) about its time instead of a click, while a hold passes as it
// is and a straight line nearly so. A layer whose gain is 0 over a whole
// window has its grains placed (so the walk goes on as it would) and dropped
// unheard. An excerpt (skipFrames > 0) renders frames from skipFrames on of
// a render that begins at frame 0: the grains before it are placed and
// dropped, none is added, and every grain reaching into it adds what it has
// there, so the excerpt is that stretch of the whole render (to the bit, but
// for the settling of a DcBlocker, below).
//
// A layer that blocks its DC sends its sound through its DcBlocker, in order,
// before its gain. Its filter starts at rest at the render's first frame; after
// a stretch it was not heard in (or before an excerpt), the second before it
// is heard again is synthesised through the filter unheard, from rest, so that
// the filter has settled when it is heard.
class LayerMixSynthesis final : public SoundSynthesis {
public:
    static constexpr std::uint64_t kGainStepFrames = 32;
    static constexpr std::uint64_t kGainSpreadSteps = 7;  // either side
    static constexpr std::size_t kSpreadWidth = 2 * kGainSpreadSteps + 1;

    // The gain at fraction t (0 to 1) of the way from a step of value at to
    // the next step, between the steps before and after them: a monotone
    // cubic, exactly at where the four hold one value.
    static double GainBetweenSteps(double previous, double at, double next, double afterNext, double t);

    // wholeFrames: the frames of the whole render the excerpt is taken from
    // (0: it is the whole render).
    LayerMixSynthesis(std::vector<MixLayer> layers, std::uint64_t skipFrames, std::uint64_t wholeFrames,
                      BufferAllocator allocate);

    // Measures, in the first render after this call, each layer's part below
    // 20 Hz over the frames [first, end) of the render (see LayerSubAudio).
    void MeasureSubAudio(std::uint64_t first, std::uint64_t end);
    // After that render: each layer's LayerSubAudio::Peak, in the layers'
    // order; empty when nothing was measured.
    std::vector<double> LayerSubAudioPeaks() const { return m_subAudioPeaks; }

    bool Begin(std::uint64_t frames) override;
    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override;
    // In windows, without progress points: a score is always streamed.
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress) override;
    void End() override;

private:
    // What the render keeps of each layer between its windows.
    struct LayerState {
        DcBlocker m_blocker;
        std::uint64_t m_nFilteredEnd = 0;  // the frame after the last one the blocker took
        std::optional<LayerSubAudio> m_subAudio;
    };

    void SkipTo(std::uint64_t frame);
    void SettleBlockersBefore(std::uint64_t frame);
    bool FillGains(const MixLayer& layer, std::uint64_t first, std::size_t count);
    void FillStepGains(const MixLayer& layer, std::uint64_t firstStep, std::uint64_t lastStep);
    std::optional<std::uint64_t> FirstHeardFrame(const MixLayer& layer, std::uint64_t first, std::size_t count);
    void RenderLayer(std::size_t index, std::span<StereoFrame> window, std::uint64_t first, bool onto);
    void SkipSilentWindow(std::size_t index, std::uint64_t first, std::uint64_t end);
    void RenderUnheard(std::size_t index, std::uint64_t from, std::uint64_t end);
    void Block(LayerState& state, std::span<StereoFrame> sound, std::uint64_t first);
    void AddScaled(std::span<StereoFrame> window, std::span<const StereoFrame> sound, bool scaled) const;
    void Scale(std::span<StereoFrame> window) const;

    std::vector<MixLayer> m_layers;
    std::vector<LayerState> m_states;
    std::uint64_t m_nSkipFrames;
    std::uint64_t m_nWholeFrames;
    BufferAllocator m_allocate;
    SoundBuffer m_scratch;
    std::vector<float> m_gains;        // of the current layer, at each frame of the window
    std::vector<double> m_lineGains;   // the line's gains at the steps a window needs
    std::vector<double> m_stepGains;   // the spread gains at the window's steps
    std::optional<std::pair<std::uint64_t, std::uint64_t>> m_measured;  // frames to measure, in the next render
    std::vector<double> m_subAudioPeaks;
};
