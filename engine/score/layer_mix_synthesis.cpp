#include "engine/score/layer_mix_synthesis.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/render/render_pipeline.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/synthesis/grain_placement.h"

namespace {

// Frames placed and dropped at a time while skipping to an excerpt, so the
// grains waiting stay few.
constexpr std::uint64_t kSkipStepFrames = 1 << 16;

constexpr std::uint64_t kLargestWindow = RenderPipeline::kWindowFrames;

// How far ahead a silent window looks for the layer being heard again.
constexpr std::uint64_t kSettlingFrames = DcBlocker::kSettlingFrames;

// A Hann window over the steps a spread gain is the mean of.
std::array<double, LayerMixSynthesis::kSpreadWidth> SpreadWeights()
{
    constexpr double kPi = 3.141592653589793;
    std::array<double, LayerMixSynthesis::kSpreadWidth> weights{};
    for (std::size_t j = 0; j < weights.size(); ++j)
        weights[j] = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(j + 1) / (weights.size() + 1));
    return weights;
}

// The slope at a step between two others: the harmonic mean of the slopes on
// either side, 0 where they differ in sign or one is flat (Fritsch and
// Butland), so that the cubic through the steps never overshoots them: it
// stays at 0 where they are 0, and rises or falls only where they do.
double SlopeAt(double before, double at, double after)
{
    const double in = at - before;
    const double out = after - at;
    return in * out > 0.0 ? 2.0 * in * out / (in + out) : 0.0;
}

bool BlocksDc(const std::vector<MixLayer>& layers)
{
    return std::any_of(layers.begin(), layers.end(), [](const MixLayer& layer) { return layer.m_bBlockDc; });
}

}  // namespace

LayerMixSynthesis::LayerMixSynthesis(std::vector<MixLayer> layers, std::uint64_t skipFrames,
                                     std::uint64_t wholeFrames, BufferAllocator allocate)
    : m_layers(std::move(layers))
    , m_states(m_layers.size())
    , m_nSkipFrames(skipFrames)
    , m_nWholeFrames(wholeFrames)
    , m_allocate(allocate)
{
}

// Hermite's cubic from at (t = 0) to next (t = 1) with the slopes SlopeAt
// gives; a flat stretch is exactly its value, as a held gain must be.
double LayerMixSynthesis::GainBetweenSteps(double previous, double at, double next, double afterNext, double t)
{
    const double slopeAt = SlopeAt(previous, at, next);
    const double slopeNext = SlopeAt(at, next, afterNext);
    if (at == next && slopeAt == 0.0 && slopeNext == 0.0)
        return at;
    const double u = 1.0 - t;
    return (1.0 + 2.0 * t) * u * u * at + t * u * u * slopeAt + t * t * (3.0 - 2.0 * t) * next -
           t * t * u * slopeNext;
}

void LayerMixSynthesis::MeasureSubAudio(std::uint64_t first, std::uint64_t end)
{
    m_measured = std::pair{first, end};
}

// Every layer after the first is made in the scratch window and added; a
// layer's unheard stretches before it is heard again are made there too.
bool LayerMixSynthesis::Begin(std::uint64_t frames)
{
    const bool scratchNeeded = m_layers.size() > 1 || BlocksDc(m_layers);
    if (scratchNeeded && m_scratch.size() < kLargestWindow) {
        std::optional<SoundBuffer> scratch = SoundBuffer::Allocate(m_allocate, kLargestWindow);
        if (!scratch)
            return false;
        m_scratch = std::move(*scratch);
    }
    const std::uint64_t whole = std::max(m_nWholeFrames, m_nSkipFrames + frames);
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        MixLayer& layer = m_layers[i];
        layer.m_pSynthesizer->SetRandomState(layer.m_nSeed);
        if (layer.m_pSynthesizer->Begin(*layer.m_pSource, whole, layer.m_pTerms) !=
            GrainSynthesizer::Start::Ready)
            return false;
        LayerState& state = m_states[i];
        state.m_blocker.Reset();
        state.m_nFilteredEnd = 0;
        state.m_subAudio.reset();
        if (m_measured)
            state.m_subAudio.emplace(m_measured->first, m_measured->second);
    }
    if (BlocksDc(m_layers) && m_nSkipFrames > 0) {
        SkipTo(m_nSkipFrames - std::min(m_nSkipFrames, kSettlingFrames));
        SettleBlockersBefore(m_nSkipFrames);
    } else {
        SkipTo(m_nSkipFrames);
    }
    return true;
}

// The grains that end before the excerpt only move the walk and the clock
// on; those that may reach into it are placed, and dropped as they end.
void LayerMixSynthesis::SkipTo(std::uint64_t frame)
{
    for (MixLayer& layer : m_layers)
        layer.m_pSynthesizer->SkipGrainsEndingBefore(frame);
    for (std::uint64_t done = 0; done < frame;) {
        done = std::min(done + kSkipStepFrames, frame);
        for (MixLayer& layer : m_layers) {
            layer.m_pSynthesizer->PlaceGrainsBefore(done);
            layer.m_pSynthesizer->SkipPlacedGrains(done);
        }
    }
}

// Before an excerpt: the second before it, unheard, through each layer's
// filter (every layer of a mix that blocks DC blocks it).
void LayerMixSynthesis::SettleBlockersBefore(std::uint64_t frame)
{
    const std::uint64_t from = frame - std::min(frame, kSettlingFrames);
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        m_layers[i].m_pSynthesizer->PlaceGrainsBefore(frame);
        if (m_layers[i].m_bBlockDc)
            RenderUnheard(i, from, frame);
        else
            m_layers[i].m_pSynthesizer->SkipPlacedGrains(frame);
    }
}

// The line's gains at the steps from firstStep − kGainSpreadSteps to
// lastStep + kGainSpreadSteps (a step before the render's start counts as
// its first), then each step's mean of the line's gains around it, weighted
// by a Hann window. A step whose neighbours all hold one value keeps that
// value exactly.
void LayerMixSynthesis::FillStepGains(const MixLayer& layer, std::uint64_t firstStep, std::uint64_t lastStep)
{
    static const std::array<double, kSpreadWidth> weights = SpreadWeights();
    constexpr std::uint64_t spread = kGainSpreadSteps;
    m_lineGains.resize(lastStep - firstStep + 1 + 2 * spread);
    for (std::size_t k = 0; k < m_lineGains.size(); ++k) {
        const std::uint64_t step = firstStep + k < spread ? 0 : firstStep + k - spread;
        m_lineGains[k] = layer.m_gainAt(step * kGainStepFrames);
    }
    m_stepGains.resize(lastStep - firstStep + 1);
    for (std::size_t k = 0; k < m_stepGains.size(); ++k) {
        const double* around = &m_lineGains[k];
        const bool holds = std::all_of(around, around + kSpreadWidth, [&](double gain) { return gain == around[0]; });
        double sum = 0.0;
        double weightSum = 0.0;
        for (std::size_t j = 0; j < kSpreadWidth; ++j) {
            sum += weights[j] * around[j];
            weightSum += weights[j];
        }
        m_stepGains[k] = holds ? around[0] : sum / weightSum;
    }
}

// The gains of count frames from first, each on a monotone cubic through the
// spread gains at the 32-frame steps around it (see GainBetweenSteps).
// Answers whether any is heard.
bool LayerMixSynthesis::FillGains(const MixLayer& layer, std::uint64_t first, std::size_t count)
{
    m_gains.resize(count);
    if (count == 0)
        return false;
    // One step more on either side than the frames lie between, for the slopes.
    const std::uint64_t firstStep = first / kGainStepFrames;
    const std::uint64_t before = firstStep > 0 ? 1 : 0;
    FillStepGains(layer, firstStep - before, (first + count - 1) / kGainStepFrames + 2);
    bool heard = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t frame = first + i;
        const std::uint64_t step = frame / kGainStepFrames;
        const double* around = &m_stepGains[step - firstStep + before];
        const double t = static_cast<double>(frame - step * kGainStepFrames) / kGainStepFrames;
        const double previous = step > 0 ? around[-1] : around[0];
        m_gains[i] = static_cast<float>(GainBetweenSteps(previous, around[0], around[1], around[2], t));
        heard = heard || m_gains[i] != 0.0f;
    }
    return heard;
}

std::optional<std::uint64_t> LayerMixSynthesis::FirstHeardFrame(const MixLayer& layer, std::uint64_t first,
                                                                 std::size_t count)
{
    if (!FillGains(layer, first, count))
        return std::nullopt;
    const auto heard = std::find_if(m_gains.begin(), m_gains.end(), [](float gain) { return gain != 0.0f; });
    return first + static_cast<std::uint64_t>(heard - m_gains.begin());
}

// The layer's grains before the window's end are placed first, so no later
// grain reaches into it. Onto: added to what the window holds, through the
// scratch window; else the window (zeros) takes them directly.
void LayerMixSynthesis::RenderLayer(std::size_t index, std::span<StereoFrame> window, std::uint64_t first, bool onto)
{
    const MixLayer& layer = m_layers[index];
    LayerState& state = m_states[index];
    GrainSynthesizer& synthesizer = *layer.m_pSynthesizer;
    const std::uint64_t end = first + window.size();
    synthesizer.PlaceGrainsBefore(end);
    const bool heard = !layer.m_gainAt || FillGains(layer, first, window.size());
    if (!heard) {
        SkipSilentWindow(index, first, end);
        return;
    }
    std::span<StereoFrame> target = window;
    if (onto) {
        target = m_scratch.Span().first(window.size());
        std::fill(target.begin(), target.end(), StereoFrame{0.0f, 0.0f});
    }
    synthesizer.AddPlacedGrains(OutputWindow{target.data(), first, target.size()});
    if (layer.m_bBlockDc)
        Block(state, target, first);
    const bool scaled = static_cast<bool>(layer.m_gainAt);
    if (state.m_subAudio)
        state.m_subAudio->Measure(target, scaled ? std::span<const float>(m_gains) : std::span<const float>(), first);
    if (onto)
        AddScaled(window, target, scaled);
    else if (scaled)
        Scale(window);
}

// A window the layer is not heard in: its grains are dropped, but for a
// layer that blocks DC and is heard within a second after the window, whose
// part of the window in that second goes through the filter unheard.
void LayerMixSynthesis::SkipSilentWindow(std::size_t index, std::uint64_t first, std::uint64_t end)
{
    const MixLayer& layer = m_layers[index];
    LayerState& state = m_states[index];
    if (state.m_subAudio)
        state.m_subAudio->MeasureSilence(end - first, first);
    std::optional<std::uint64_t> heardAt;
    if (layer.m_bBlockDc)
        heardAt = FirstHeardFrame(layer, end, kSettlingFrames);
    // The frames of the window within a second before the layer is heard.
    const std::uint64_t from = heardAt ? std::max(first, *heardAt - std::min(*heardAt, kSettlingFrames)) : end;
    if (from >= end) {
        layer.m_pSynthesizer->SkipPlacedGrains(end);
        return;
    }
    RenderUnheard(index, from, end);
}

// Frames [from, end) of the layer, whose grains are placed, made in the
// scratch window and sent through the filter only; the grains ending before
// from are dropped.
void LayerMixSynthesis::RenderUnheard(std::size_t index, std::uint64_t from, std::uint64_t end)
{
    GrainSynthesizer& synthesizer = *m_layers[index].m_pSynthesizer;
    synthesizer.SkipPlacedGrains(from);
    for (std::uint64_t first = from; first < end;) {
        const std::uint64_t count = std::min<std::uint64_t>(end - first, m_scratch.size());
        const std::span<StereoFrame> target = m_scratch.Span().first(count);
        std::fill(target.begin(), target.end(), StereoFrame{0.0f, 0.0f});
        synthesizer.AddPlacedGrains(OutputWindow{target.data(), first, target.size()});
        Block(m_states[index], target, first);
        first += count;
    }
}

// The filter goes on where it left off, or starts at rest after a gap.
void LayerMixSynthesis::Block(LayerState& state, std::span<StereoFrame> sound, std::uint64_t first)
{
    if (state.m_nFilteredEnd != first)
        state.m_blocker.Reset();
    state.m_blocker.Process(sound);
    state.m_nFilteredEnd = first + sound.size();
}

// Frame by frame, window += sound × gain (a gain of 1 without a gain line).
void LayerMixSynthesis::AddScaled(std::span<StereoFrame> window, std::span<const StereoFrame> sound, bool scaled) const
{
    for (std::size_t i = 0; i < window.size(); ++i) {
        const float gain = scaled ? m_gains[i] : 1.0f;
        window[i].left += sound[i].left * gain;
        window[i].right += sound[i].right * gain;
    }
}

void LayerMixSynthesis::Scale(std::span<StereoFrame> window) const
{
    for (std::size_t i = 0; i < window.size(); ++i) {
        window[i].left *= m_gains[i];
        window[i].right *= m_gains[i];
    }
}

// Windows are at most RenderPipeline::kWindowFrames long.
void LayerMixSynthesis::RenderWindow(std::span<StereoFrame> window, std::uint64_t first)
{
    for (std::size_t i = 0; i < m_layers.size(); ++i)
        RenderLayer(i, window, m_nSkipFrames + first, i > 0);
}

void LayerMixSynthesis::RenderWhole(std::span<StereoFrame> sound, const GrainProgress&)
{
    for (std::uint64_t first = 0; first < sound.size(); first += kLargestWindow)
        RenderWindow(sound.subspan(first, std::min<std::uint64_t>(kLargestWindow, sound.size() - first)), first);
}

// The first render after MeasureSubAudio has measured: later ones (the sound
// synthesised again) measure nothing.
void LayerMixSynthesis::End()
{
    for (MixLayer& layer : m_layers)
        layer.m_pSynthesizer->End();
    if (m_measured) {
        m_subAudioPeaks.clear();
        for (const LayerState& state : m_states)
            m_subAudioPeaks.push_back(state.m_subAudio ? state.m_subAudio->Peak() : 0.0);
        m_measured.reset();
    }
    for (LayerState& state : m_states)
        state.m_subAudio.reset();
    m_scratch = SoundBuffer();
}
