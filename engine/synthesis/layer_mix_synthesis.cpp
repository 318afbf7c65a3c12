#include "engine/synthesis/layer_mix_synthesis.h"

#include <algorithm>

#include "engine/seek/cancel_poll.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/synthesis/grain_placement.h"

namespace {

// Frames placed and dropped at a time while skipping to an excerpt, so the
// grains waiting stay few.
constexpr std::uint64_t kSkipStepFrames = 1 << 16;

constexpr std::uint64_t kLargestWindow = SoundSynthesis::kLargestWindowFrames;

// How long before a layer is heard its filter takes its sound unheard.
constexpr std::uint64_t kSettlingFrames = DcBlocker::kSettlingFrames;

}  // namespace

bool MixEffects::Any(const std::vector<MixLayer>& layers) const
{
    return !m_master.empty() ||
           std::any_of(layers.begin(), layers.end(), [](const MixLayer& layer) { return !layer.m_effects.empty(); });
}

LayerMixSynthesis::LayerMixSynthesis(std::vector<MixLayer> layers, std::uint64_t skipFrames,
                                     std::uint64_t wholeFrames, BufferAllocator allocate, MixEffects effects)
    : m_layers(std::move(layers))
    , m_states(m_layers.size())
    , m_nSkipFrames(skipFrames)
    , m_nWholeFrames(wholeFrames)
    , m_allocate(allocate)
    , m_effects(std::move(effects))
{
    for (const MixLayer& layer : m_layers) {
        m_shapings.emplace_back();
        if (layer.m_shaping.Any())
            m_shapings.back().emplace(layer.m_shaping);
    }
    m_bEffects = m_effects.m_make && m_effects.Any(m_layers);
    if (m_bEffects)
        MakeStreams();
    m_nPrefeedFrames = PrefeedFrames(kShapingPrefeedFrames);
}

// The frames made and dropped before an excerpt: what the chains ask for, or
// shapingFrames for shaped layers, whichever is longer.
std::uint64_t LayerMixSynthesis::PrefeedFrames(std::uint64_t shapingFrames) const
{
    const bool shaped = std::any_of(m_shapings.begin(), m_shapings.end(), [](const auto& s) { return s.has_value(); });
    return std::max(m_bEffects ? m_effects.m_nPrefeedFrames : 0, shaped ? shapingFrames : 0);
}

void LayerMixSynthesis::ShortenShapingLeadIn(std::uint64_t frames)
{
    m_nPrefeedFrames = PrefeedFrames(std::min(frames, kShapingPrefeedFrames));
}

// A layer's stream makes its dry sound as RenderLayer would into a window
// of its own; the master's makes the mix of the layers, each through its
// own stream where it has one.
void LayerMixSynthesis::MakeStreams()
{
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        if (m_layers[i].m_effects.empty()) {
            m_layerStreams.push_back(nullptr);
            continue;
        }
        m_layerStreams.push_back(std::make_unique<EffectedStream>(
            m_effects.m_make, m_layers[i].m_effects,
            [this, i](std::span<StereoFrame> piece, std::uint64_t first) { RenderLayer(i, piece, first, false); }));
    }
    if (!m_effects.m_master.empty()) {
        m_pMasterStream = std::make_unique<EffectedStream>(
            m_effects.m_make, m_effects.m_master,
            [this](std::span<StereoFrame> piece, std::uint64_t first) { MixLayers(piece, first); });
    }
}

void LayerMixSynthesis::BeginStreams(std::uint64_t first, std::uint64_t end)
{
    for (std::size_t i = 0; i < m_layerStreams.size(); ++i) {
        if (m_layerStreams[i] && IsSelected(i))
            m_layerStreams[i]->Begin(first, end);
    }
    if (m_pMasterStream)
        m_pMasterStream->Begin(first, end);
}

// Every layer after the first is made in the scratch window and added; so
// is what a filter takes unheard.
bool LayerMixSynthesis::Begin(std::uint64_t frames)
{
    if ((m_layers.size() > 1 || m_bBlockDc) && m_scratch.size() < kLargestWindow) {
        std::optional<SoundBuffer> scratch = SoundBuffer::Allocate(m_allocate, kLargestWindow);
        if (!scratch)
            return false;
        m_scratch = std::move(*scratch);
    }
    const std::uint64_t whole = std::max(m_nWholeFrames, m_nSkipFrames + frames);
    for (std::optional<LayerShaping>& shaping : m_shapings) {
        if (shaping)
            shaping->Reset();
    }
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        if (!IsSelected(i))
            continue;
        MixLayer& layer = m_layers[i];
        layer.m_pSynthesizer->SetRandomState(layer.m_nSeed);
        if (layer.m_pSynthesizer->Begin(*layer.m_pSource, whole, layer.m_pTerms) !=
            GrainSynthesizer::Start::Ready)
            return false;
        m_states[i] = LayerState{};
        if (m_measured)
            m_states[i].m_subAudio.emplace(m_measured->first, m_measured->second);
    }
    // With effects or shaping, the sound is made from the prefeed before the
    // excerpt on, so the chains and filters hear what comes before it, and
    // with DC blocking the blockers take at least the second before it; what
    // comes before its first frame is dropped.
    const std::uint64_t from = m_nSkipFrames - std::min(LeadInFrames(), m_nSkipFrames);
    if (m_nSkipFrames > 0) {
        if (!SkipTo(m_nSkipFrames, whole, from))
            return true;
        DropGrainsBefore(from);
    }
    if (m_bEffects)
        BeginStreams(from, whole);
    if (m_nPrefeedFrames > 0) {
        CancelPoll poll(m_keepGoing);
        std::vector<StereoFrame> dropped(EffectedStream::kPieceFrames);
        for (std::uint64_t frame = from; frame < m_nSkipFrames && !poll.Cancelled();) {
            const auto count = std::min<std::uint64_t>(dropped.size(), m_nSkipFrames - frame);
            const std::span<StereoFrame> piece = std::span<StereoFrame>(dropped).first(count);
            std::fill(piece.begin(), piece.end(), StereoFrame{0.0f, 0.0f});
            if (m_selected.empty()) {
                RenderFrom(piece, frame);
            } else {
                for (std::size_t i = 0; i < m_layers.size(); ++i) {
                    if (!IsSelected(i))
                        continue;
                    std::fill(piece.begin(), piece.end(), StereoFrame{0.0f, 0.0f});
                    RenderPartAt(i, piece, frame);
                }
            }
            frame += count;
        }
    } else if (m_bBlockDc) {
        for (std::size_t i = 0; i < m_layers.size(); ++i) {
            if (IsSelected(i))
                RenderUnheard(i, from, m_nSkipFrames);
        }
    }
    return true;
}

std::uint64_t LayerMixSynthesis::LeadInFrames() const
{
    return std::max(m_nPrefeedFrames, m_bBlockDc ? kSettlingFrames : 0);
}

// The grains that end before the excerpt only move the walk and the clock
// on, from the start or from where a state puts each layer; where they
// arrive is kept for the next Begin. With a prefeed, the skip goes on to the
// excerpt's first frame for the state kept, then the schedules go back to
// where they stood at the prefeed's first frame. Answers false when told to
// stop on the way.
bool LayerMixSynthesis::SkipTo(std::uint64_t frame, std::uint64_t wholeFrames, std::uint64_t prefeedFrom)
{
    if (const SeekState* resume = ResumableState(prefeedFrom, wholeFrames)) {
        for (std::size_t i = 0; i < m_layers.size(); ++i) {
            if (IsSelected(i))
                m_layers[i].m_pSynthesizer->RestoreSchedule(resume->m_layers[i]);
        }
    }
    CancelPoll poll(m_keepGoing);
    // A layer not selected keeps no place: its entry stays as made.
    const auto skipTo = [&](std::uint64_t to) -> std::optional<SeekState> {
        SeekState arrived;
        arrived.m_nFrame = to;
        arrived.m_nRenderFrames = wholeFrames;
        for (std::size_t i = 0; i < m_layers.size(); ++i) {
            GrainSynthesizer& synthesizer = *m_layers[i].m_pSynthesizer;
            if (IsSelected(i) && !synthesizer.SkipGrainsEndingBefore(to, poll))
                return std::nullopt;
            arrived.m_layers.push_back(IsSelected(i) ? synthesizer.CaptureSchedule() : ScheduleState{});
        }
        return arrived;
    };
    std::optional<SeekState> atPrefeed = skipTo(prefeedFrom);
    if (!atPrefeed)
        return false;
    if (prefeedFrom == frame) {
        m_start = std::move(atPrefeed);
        m_prefeedStart.reset();
        return true;
    }
    std::optional<SeekState> arrived = skipTo(frame);
    if (!arrived)
        return false;
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        if (IsSelected(i))
            m_layers[i].m_pSynthesizer->RestoreSchedule(atPrefeed->m_layers[i]);
    }
    m_start = std::move(arrived);
    m_prefeedStart = std::move(atPrefeed);
    return true;
}

// The latest of the states kept (the one given or arrived at, and where the
// last prefeed began) that a skip to prefeedFrom can go on from; none: the
// skip starts from the beginning.
const SeekState* LayerMixSynthesis::ResumableState(std::uint64_t prefeedFrom, std::uint64_t wholeFrames) const
{
    const SeekState* best = nullptr;
    for (const std::optional<SeekState>* state : {&m_start, &m_prefeedStart}) {
        const bool usable = state->has_value() && (*state)->m_nFrame <= prefeedFrom &&
                            (*state)->m_nRenderFrames == wholeFrames && (*state)->m_layers.size() == m_layers.size();
        if (usable && (!best || (*state)->m_nFrame > best->m_nFrame))
            best = &**state;
    }
    return best;
}

// The grains that may reach into the excerpt are placed, and dropped as
// they end, a stretch of frames at a time so the grains waiting stay few.
void LayerMixSynthesis::DropGrainsBefore(std::uint64_t frame)
{
    std::uint64_t earliest = frame;
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        if (IsSelected(i))
            earliest = std::min(earliest, m_layers[i].m_pSynthesizer->NextGrain().m_nStart);
    }
    for (std::uint64_t done = earliest / kSkipStepFrames * kSkipStepFrames; done < frame;) {
        done = std::min(done + kSkipStepFrames, frame);
        for (std::size_t i = 0; i < m_layers.size(); ++i) {
            if (!IsSelected(i))
                continue;
            m_layers[i].m_pSynthesizer->PlaceGrainsBefore(done);
            m_layers[i].m_pSynthesizer->SkipPlacedGrains(done);
        }
    }
}

// The gains of count frames from first, each on the line between the values
// at the 32-frame steps around it. Answers whether any is heard.
bool LayerMixSynthesis::FillGains(const MixLayer& layer, std::uint64_t first, std::size_t count)
{
    m_gains.resize(count);
    bool heard = false;
    std::uint64_t step = first / kGainStepFrames * kGainStepFrames;
    double from = layer.m_gainAt(step);
    for (std::size_t i = 0; i < count;) {
        const double to = layer.m_gainAt(step + kGainStepFrames);
        const std::uint64_t end = std::min<std::uint64_t>(step + kGainStepFrames, first + count);
        for (std::uint64_t frame = std::max(step, first); frame < end; ++frame, ++i) {
            const double t = static_cast<double>(frame - step) / kGainStepFrames;
            m_gains[i] = static_cast<float>(from + (to - from) * t);
            heard = heard || m_gains[i] != 0.0f;
        }
        step += kGainStepFrames;
        from = to;
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

// Onto: added to what the window holds, through the scratch window; else
// the window (zeros) takes the layer's sound at its gain.
void LayerMixSynthesis::RenderLayer(std::size_t index, std::span<StereoFrame> window, std::uint64_t first, bool onto)
{
    const std::span<StereoFrame> target = onto ? m_scratch.Span().first(window.size()) : window;
    const LayerUse use = RenderLayerSound(index, target, first, onto);
    if (onto)
        AddPart(window, target, m_gains, use, false);
    else if (use == LayerUse::Scaled)
        Scale(window, m_gains);
}

// The layer's sound over the window into target (zeros once cleared), and
// how it goes into the mix: before its gain when it is Scaled by it. The
// layer's grains before the window's end are placed first, so no later grain
// reaches into it. Target is cleared after the unheard part of the window
// went through the filter, which may use the scratch window.
LayerUse LayerMixSynthesis::RenderLayerSound(std::size_t index, std::span<StereoFrame> target, std::uint64_t first,
                                             bool clear)
{
    const MixLayer& layer = m_layers[index];
    LayerState& state = m_states[index];
    GrainSynthesizer& synthesizer = *layer.m_pSynthesizer;
    const std::uint64_t end = first + target.size();
    synthesizer.PlaceGrainsBefore(end);
    const bool heard = !layer.m_gainAt || FillGains(layer, first, target.size());
    if (!heard)
        SkipUnheardWindow(index, first, end);
    if (m_shapings[index]) {
        if (clear)
            std::fill(target.begin(), target.end(), StereoFrame{0.0f, 0.0f});
        RenderShapedLayer(index, target, first, heard);
        return LayerUse::Plain;
    }
    if (!heard) {
        if (state.m_subAudio)
            state.m_subAudio->MeasureSilence(target.size(), first);
        return LayerUse::None;
    }
    if (clear)
        std::fill(target.begin(), target.end(), StereoFrame{0.0f, 0.0f});
    synthesizer.AddPlacedGrains(OutputWindow{target.data(), first, target.size()});
    if (m_bBlockDc)
        Block(state, target, first);
    const bool scaled = static_cast<bool>(layer.m_gainAt);
    if (state.m_subAudio)
        state.m_subAudio->Measure(target, scaled ? std::span<const float>(m_gains) : std::span<const float>(), first);
    return scaled ? LayerUse::Scaled : LayerUse::Plain;
}

// The grains through the DC blocker and at their gain, then shaped; while the
// gain is 0 (the grains already dropped) the shaping still runs, on silence,
// so its filters ring out as they would. The sub-audio survey takes the
// shaped sound, the layer's sound as it goes into the mix.
void LayerMixSynthesis::RenderShapedLayer(std::size_t index, std::span<StereoFrame> target, std::uint64_t first,
                                          bool heard)
{
    const MixLayer& layer = m_layers[index];
    LayerState& state = m_states[index];
    if (heard) {
        layer.m_pSynthesizer->AddPlacedGrains(OutputWindow{target.data(), first, target.size()});
        if (m_bBlockDc)
            Block(state, target, first);
        if (layer.m_gainAt)
            Scale(target, m_gains);
    }
    m_shapings[index]->Process(target, first);
    if (state.m_subAudio)
        state.m_subAudio->Measure(target, {}, first);
}

// A window the layer is not heard in: its grains are dropped unheard, but
// where the layer is heard within a second after the window, the part of the
// window in that second goes through the layer's filter.
void LayerMixSynthesis::SkipUnheardWindow(std::size_t index, std::uint64_t first, std::uint64_t end)
{
    const MixLayer& layer = m_layers[index];
    const std::optional<std::uint64_t> heardAt =
        m_bBlockDc ? FirstHeardFrame(layer, end, kSettlingFrames) : std::nullopt;
    const std::uint64_t from = heardAt ? std::max(first, *heardAt - std::min(*heardAt, kSettlingFrames)) : end;
    if (from >= end) {
        layer.m_pSynthesizer->SkipPlacedGrains(end);
        return;
    }
    layer.m_pSynthesizer->SkipPlacedGrains(from);
    RenderUnheard(index, from, end);
}

// Frames [from, end) of the layer through its filter only, a scratch window
// at a time; the grains that end before from are already dropped.
void LayerMixSynthesis::RenderUnheard(std::size_t index, std::uint64_t from, std::uint64_t end)
{
    GrainSynthesizer& synthesizer = *m_layers[index].m_pSynthesizer;
    for (std::uint64_t first = from; first < end;) {
        const std::uint64_t count = std::min<std::uint64_t>(end - first, m_scratch.size());
        const std::span<StereoFrame> target = m_scratch.Span().first(count);
        std::fill(target.begin(), target.end(), StereoFrame{0.0f, 0.0f});
        synthesizer.PlaceGrainsBefore(first + count);
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
void LayerMixSynthesis::AddScaled(std::span<StereoFrame> window, std::span<const StereoFrame> sound,
                                  std::span<const float> gains, bool scaled)
{
    for (std::size_t i = 0; i < window.size(); ++i) {
        const float gain = scaled ? gains[i] : 1.0f;
        window[i].left += sound[i].left * gain;
        window[i].right += sound[i].right * gain;
    }
}

void LayerMixSynthesis::Scale(std::span<StereoFrame> window, std::span<const float> gains)
{
    for (std::size_t i = 0; i < window.size(); ++i) {
        window[i].left *= gains[i];
        window[i].right *= gains[i];
    }
}

// The first layer's part is what the window holds after it, as RenderLayer
// leaves it; every later one is added as RenderLayer adds it.
void LayerMixSynthesis::AddPart(std::span<StereoFrame> window, std::span<const StereoFrame> sound,
                                std::span<const float> gains, LayerUse use, bool firstLayer)
{
    if (firstLayer) {
        std::copy(sound.begin(), sound.end(), window.begin());
        if (use == LayerUse::Scaled)
            Scale(window, gains);
        return;
    }
    if (use != LayerUse::None)
        AddScaled(window, sound, gains, use == LayerUse::Scaled);
}

void LayerMixSynthesis::SelectLayers(std::vector<std::size_t> layers)
{
    std::vector<bool> selected;
    if (!layers.empty()) {
        selected.assign(m_layers.size(), false);
        for (const std::size_t index : layers)
            selected.at(index) = true;
    }
    if (selected == m_selected)
        return;
    // The places kept were the other layers' too.
    m_selected = std::move(selected);
    m_start.reset();
    m_prefeedStart.reset();
}

// A layer with effects is taken from its chain's stream (in place of what
// sound holds), as the mix takes it.
LayerUse LayerMixSynthesis::RenderPartAt(std::size_t index, std::span<StereoFrame> sound, std::uint64_t first)
{
    if (m_bEffects && m_layerStreams[index]) {
        m_layerStreams[index]->Render(sound, first, false);
        return LayerUse::Plain;
    }
    return RenderLayerSound(index, sound, first, false);
}

LayerUse LayerMixSynthesis::RenderPart(std::size_t index, std::span<StereoFrame> sound, std::uint64_t first)
{
    return RenderPartAt(index, sound, m_nSkipFrames + first);
}

// The layers, each dry or through its chain, summed into window (zeros)
// at frame first of the render.
void LayerMixSynthesis::MixLayers(std::span<StereoFrame> window, std::uint64_t first)
{
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        if (m_bEffects && m_layerStreams[i])
            m_layerStreams[i]->Render(window, first, i > 0);
        else
            RenderLayer(i, window, first, i > 0);
    }
}

// Frames of the render from first (not of the excerpt) into window (zeros),
// through the master chain when there is one.
void LayerMixSynthesis::RenderFrom(std::span<StereoFrame> window, std::uint64_t first)
{
    if (m_pMasterStream)
        m_pMasterStream->Render(window, first, false);
    else
        MixLayers(window, first);
}

// Windows are at most kLargestWindowFrames long.
void LayerMixSynthesis::RenderWindow(std::span<StereoFrame> window, std::uint64_t first)
{
    RenderFrom(window, m_nSkipFrames + first);
}

void LayerMixSynthesis::RenderWhole(std::span<StereoFrame> sound, const GrainProgress&)
{
    for (std::uint64_t first = 0; first < sound.size(); first += kLargestWindow)
        RenderWindow(sound.subspan(first, std::min<std::uint64_t>(kLargestWindow, sound.size() - first)), first);
}

// The render that measured answers the peaks; a later one (the sound
// synthesised again) measures nothing.
void LayerMixSynthesis::End()
{
    for (MixLayer& layer : m_layers)
        layer.m_pSynthesizer->End();
    if (m_measured) {
        m_subAudioPeaks.clear();
        for (LayerState& state : m_states)
            m_subAudioPeaks.push_back(state.m_subAudio ? state.m_subAudio->Peak() : 0.0);
        m_measured.reset();
    }
    for (LayerState& state : m_states)
        state.m_subAudio.reset();
    for (const auto& stream : m_layerStreams) {
        if (stream)
            stream->End();
    }
    if (m_pMasterStream)
        m_pMasterStream->End();
    m_scratch = SoundBuffer();
}
