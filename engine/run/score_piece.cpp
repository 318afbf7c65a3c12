#include "engine/run/score_piece.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <variant>

#include "engine/automation/parameter_timeline.h"
#include "engine/automation/timeline_grain_settings.h"
#include "engine/parameters/parameter_table.h"
#include "engine/random/random_stream.h"
#include "engine/render/stream_layout.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/scheduling/parameter_grain_settings.h"
#include "engine/seek/seek_fingerprint.h"
#include "engine/source/grain_level_hold.h"
#include "engine/source/prepared_source.h"
#include "engine/source/source_loudness.h"
#include "engine/synthesis/grain_sound_synthesis.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/synthesis/layer_mix_synthesis.h"

struct PieceSource {
    std::string m_strPath;
    SourcePreparation m_preparation;
    PreparedSource m_prepared;
    std::optional<GrainLevelHold> m_levelHold;  // with a level range: the grains' gains from the stretch's loudness
};

struct PieceLayer {
    std::shared_ptr<const ParameterTimeline> m_pTimeline;
    std::unique_ptr<TimelineGrainSettings> m_pSettings;  // null: the layer's values hold throughout
    GrainSynthesizer m_synthesizer;
    PieceSource* m_pSource = nullptr;
    GrainBounds m_bounds;
};

namespace {

std::uint64_t FramesOf(double seconds)
{
    return static_cast<std::uint64_t>(std::llround(std::max(seconds, 0.0) * kRunSampleRate));
}

// A layer whose gain neither moves nor differs from 0 dB adds its sound as it is.
bool HasUnityGain(const ScoreLayer& layer)
{
    return layer.m_dGainDb == 0.0 && !layer.m_gainDrift &&
           std::none_of(layer.m_keyframes.begin(), layer.m_keyframes.end(),
                        [](const Keyframe& keyframe) { return keyframe.m_gainDb.has_value(); });
}

// The stretch of frames [first, end) a layer reads, or why it cannot: past
// the source's end, or too short for the longest read of its grains. A layer
// that names no start reads from the source's first frame, however short.
// A stretch shorter than the longest grain read at the highest pitch may
// still hold every grain the timeline asks for, when those two never come
// together: the bounds then take the longest read along the timeline, for
// the read span.
std::variant<std::pair<std::uint64_t, std::uint64_t>, PieceRefusal> StretchOf(const ScoreLayer& layer,
                                                                            std::uint64_t sourceFrames,
                                                                            const ParameterTimeline& timeline,
                                                                            GrainBounds& bounds)
{
    PieceRefusal refusal;
    refusal.m_nSourceFrames = sourceFrames;
    refusal.m_nLongestGrain = bounds.m_nLongestGrainFrames;
    const std::uint64_t first = layer.m_sourceStartSeconds ? FramesOf(*layer.m_sourceStartSeconds) : 0;
    const std::uint64_t end = layer.m_sourceEndSeconds ? FramesOf(*layer.m_sourceEndSeconds) : sourceFrames;
    if (layer.m_sourceStartSeconds && first >= sourceFrames) {
        refusal.m_kind = PieceRefusal::Kind::StartPastEnd;
        return refusal;
    }
    if (end > sourceFrames) {
        refusal.m_kind = PieceRefusal::Kind::EndPastEnd;
        return refusal;
    }
    if (end > first && end - first > GrainScheduler::LongestRead(bounds))
        return std::pair{first, end};
    const std::uint64_t longest = timeline.IsConstant() ? GrainScheduler::LongestRead(bounds)
                                                        : LongestReadAlong(timeline);
    if (end <= first || end - first <= longest) {
        refusal.m_kind = PieceRefusal::Kind::StretchTooShort;
        refusal.m_nStretchFrames = end > first ? end - first : 0;
        refusal.m_nLongestRead = longest;
        return refusal;
    }
    bounds.m_nLongestRead = longest;
    return std::pair{first, end};
}

// What a layer's timeline asks of its shaping: each part only where its
// value leaves the neutral one somewhere on the track.
ShapingPlan ShapingOf(const ParameterTimeline& timeline, const ScoreLayer& layer, std::uint64_t warmUp)
{
    ShapingPlan plan;
    const ValueBounds pan = timeline.BoundsOf(ParameterId::Pan);
    plan.m_bPan = pan.m_dLowest != 0.0 || pan.m_dHighest != 0.0;
    plan.m_bWidth = timeline.BoundsOf(ParameterId::PanSpread).m_dHighest > 0.0;
    plan.m_bHighCut = timeline.BoundsOf(ParameterId::HighCut).m_dLowest < RowOf(ParameterId::HighCut).m_dDefault;
    plan.m_bLowCut = timeline.BoundsOf(ParameterId::ToneLowCut).m_dHighest > 0.0;
    plan.m_nSlopeDb = layer.m_values.Whole(ParameterId::ToneSlope);
    plan.m_valuesAt = [&timeline, warmUp](std::uint64_t frame) {
        const double seconds = TrackSecondsOf(frame, warmUp);
        ShapingValues values;
        values.m_dPan = timeline.NumberAt(ParameterId::Pan, seconds);
        values.m_dWidth = timeline.NumberAt(ParameterId::PanSpread, seconds) * 0.01;
        values.m_dHighCutHz = timeline.NumberAt(ParameterId::HighCut, seconds);
        values.m_dLowCutHz = timeline.NumberAt(ParameterId::ToneLowCut, seconds);
        return values;
    };
    return plan;
}

}  // namespace

std::uint32_t LayerSeed(std::uint32_t seed, int index)
{
    if (index == 0)
        return seed;
    return static_cast<std::uint32_t>(RandomStream(seed, StreamPurpose::LayerSeed).At(static_cast<std::uint64_t>(index)));
}

ScorePiece::~ScorePiece() = default;

ScorePiece::Planning ScorePiece::Plan(const PieceRequest& request)
{
    std::unique_ptr<ScorePiece> piece(new ScorePiece());
    Planning planning;
    if (const std::optional<PieceRefusal> refused = piece->PlanLayers(request)) {
        planning.m_refusal = *refused;
        return planning;
    }
    planning.m_pPiece = std::move(piece);
    return planning;
}

// Each layer's timeline and bounds, and the source stretch it reads, shared
// with the layers that read the same stretch with the same low cut.
std::optional<PieceRefusal> ScorePiece::PlanLayers(const PieceRequest& request)
{
    const Score& score = *request.m_pScore;
    m_pScore = request.m_pScore;
    m_nSeed = request.m_nSeed;
    m_nExcerptFirst = request.m_nExcerptFirst;
    m_nExcerptFrames = request.m_nExcerptFrames;
    m_makeChain = request.m_makeChain;
    m_bMeasureLayers = request.m_bMeasureLayerSubAudio;
    m_shapingLeadInFrames = request.m_shapingLeadInFrames;
    for (std::size_t i = 0; i < score.m_layers.size(); ++i) {
        const ScoreLayer& scoreLayer = score.m_layers[i];
        auto layer = std::make_unique<PieceLayer>();
        layer->m_pTimeline = std::make_shared<const ParameterTimeline>(scoreLayer, score.m_nLengthSeconds,
                                                                       request.m_nSeed, static_cast<int>(i),
                                                                       score.m_bLoop);
        layer->m_bounds = BoundsOfTimeline(*layer->m_pTimeline);
        m_nLongestGrain = std::max(m_nLongestGrain, layer->m_bounds.m_nLongestGrainFrames);
        const auto found = request.m_sourceFrames.find(scoreLayer.m_strSourcePath);
        if (found == request.m_sourceFrames.end()) {
            PieceRefusal refusal;
            refusal.m_nLayer = i;
            return refusal;
        }
        auto stretch = StretchOf(scoreLayer, found->second, *layer->m_pTimeline, layer->m_bounds);
        if (auto* refusal = std::get_if<PieceRefusal>(&stretch)) {
            refusal->m_nLayer = i;
            return *refusal;
        }
        // Plain variables, not a structured binding: clang 14 cannot capture
        // a binding in the lambda below.
        const auto& range = std::get<std::pair<std::uint64_t, std::uint64_t>>(stretch);
        const std::uint64_t first = range.first;
        const std::uint64_t end = range.second;
        const double lowCut = scoreLayer.m_values.Get(ParameterId::LowCut);
        const auto same = std::find_if(m_sources.begin(), m_sources.end(), [&](const auto& source) {
            const SourcePreparation& p = source->m_preparation;
            return source->m_strPath == found->first && p.m_nFirst == first && p.m_nEnd == end && p.m_dLowCutHz == lowCut;
        });
        PieceSource* source = same != m_sources.end() ? same->get() : nullptr;
        if (source == nullptr) {
            auto made = std::make_unique<PieceSource>();
            made->m_strPath = found->first;
            made->m_preparation = SourcePreparation{first, end, lowCut, 0.0, false};
            source = made.get();
            m_sources.push_back(std::move(made));
        }
        SourcePreparation& preparation = source->m_preparation;
        preparation.m_dHighestSemitones = std::max(preparation.m_dHighestSemitones, layer->m_bounds.m_dHighestSemitones);
        preparation.m_bTransposed = preparation.m_bTransposed || layer->m_bounds.m_dLowestSemitones != 0.0 ||
                                    layer->m_bounds.m_dHighestSemitones != 0.0;
        layer->m_pSource = source;
        m_layers.push_back(std::move(layer));
    }
    m_nWarmUp = score.m_bLoop ? static_cast<std::uint64_t>(m_nLongestGrain) : 0;
    m_bBlocksDc = std::any_of(m_layers.begin(), m_layers.end(),
                              [](const auto& layer) { return layer->m_pTimeline->GainMoves(); });
    return std::nullopt;
}

// A source read by one stretch alone, when its owner lets it, is high-passed
// in place rather than copied.
bool ScorePiece::Prepare(const std::map<std::string, SourceSound>& sounds, const SynthesisOptions& options,
                         BufferAllocator allocate)
{
    for (const auto& source : m_sources) {
        const SourceSound& sound = sounds.at(source->m_strPath);
        const bool alone = std::count_if(m_sources.begin(), m_sources.end(), [&](const auto& other) {
                               return other->m_strPath == source->m_strPath;
                           }) == 1;
        const std::span<StereoFrame> writable = alone ? sound.m_writable : std::span<StereoFrame>();
        if (!source->m_prepared.Prepare(sound.m_frames, source->m_preparation, allocate, writable))
            return false;
        if (m_pScore->m_levelRange)
            source->m_levelHold.emplace(SourceLoudness(source->m_prepared.Levels().Level(0)), *m_pScore->m_levelRange);
    }
    MakeSynthesis(options, allocate);
    MakeSeekPlan();
    return true;
}

// Every layer's synthesizer with its settings (or the timeline's, when they
// move) and its gain (none when it is 0 dB throughout), mixed; an excerpt
// skips to its first frame in the render's own frames. A single layer at its
// own level, whole, is the plain synthesis of its grains.
void ScorePiece::MakeSynthesis(const SynthesisOptions& options, BufferAllocator allocate)
{
    const Score& score = *m_pScore;
    const double volume = score.m_nVolume * 0.01;
    std::vector<MixLayer> mix;
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        PieceLayer& layer = *m_layers[i];
        const ScoreLayer& scoreLayer = score.m_layers[i];
        const ParameterTimeline& timeline = *layer.m_pTimeline;
        layer.m_synthesizer.SetOptions(options);
        layer.m_synthesizer.SetAllocator(allocate);
        const std::optional<GrainLevelHold>& hold = layer.m_pSource->m_levelHold;
        layer.m_synthesizer.SetLevelHold(hold ? &*hold : nullptr);
        layer.m_synthesizer.SetSettings(GrainSettingsOfValues(timeline.At(0.0).m_values, volume));
        if (!timeline.IsConstant()) {
            layer.m_pSettings = std::make_unique<TimelineGrainSettings>(timeline, volume, m_nWarmUp);
            layer.m_pSettings->SetLongestRead(layer.m_bounds.m_nLongestRead);
            layer.m_synthesizer.SetSettingsSource(layer.m_pSettings.get());
        }
        MixLayer mixed;
        mixed.m_effects = scoreLayer.m_effects;
        mixed.m_shaping = ShapingOf(timeline, scoreLayer, m_nWarmUp);
        mixed.m_pSynthesizer = &layer.m_synthesizer;
        mixed.m_pSource = &layer.m_pSource->m_prepared.Levels();
        mixed.m_pTerms = layer.m_pSource->m_prepared.Terms();
        mixed.m_nSeed = LayerSeed(m_nSeed, static_cast<int>(i));
        layer.m_synthesizer.SetRandomState(mixed.m_nSeed);
        if (!HasUnityGain(scoreLayer)) {
            const std::uint64_t warmUp = m_nWarmUp;
            mixed.m_gainAt = [&timeline, warmUp](std::uint64_t frame) {
                return timeline.GainAt(TrackSecondsOf(frame, warmUp));
            };
        }
        mix.push_back(std::move(mixed));
    }
    MixEffects effects;
    if (m_makeChain) {
        effects.m_make = m_makeChain;
        effects.m_master = score.m_effects;
        effects.m_nPrefeedFrames = static_cast<std::uint64_t>(kEffectPrefeedSeconds) * kRunSampleRate;
    }
    if (mix.size() == 1 && !mix.front().m_gainAt && m_nExcerptFrames == 0 && !m_bMeasureLayers &&
        !(effects.m_make && effects.Any(mix))) {
        const MixLayer& only = mix.front();
        auto plain = std::make_unique<GrainSoundSynthesis>(*only.m_pSynthesizer, *only.m_pSource, only.m_nSeed,
                                                           only.m_pTerms);
        plain->SetShaping(only.m_shaping);
        m_pSynthesis = std::move(plain);
        return;
    }
    const StreamLayout layout = Layout();
    std::uint64_t skip = 0;
    std::uint64_t whole = 0;
    std::uint64_t trackFirst = layout.m_nWarmUp;
    std::uint64_t trackEnd = layout.m_nWarmUp + layout.m_nFrames;
    if (m_nExcerptFrames > 0) {
        skip = layout.m_nWarmUp + m_nExcerptFirst;
        whole = layout.SynthesisedFrames();
        trackFirst = skip;
        trackEnd = skip + m_nExcerptFrames;
    }
    auto mixed = std::make_unique<LayerMixSynthesis>(std::move(mix), skip, whole, allocate, std::move(effects));
    if (m_bBlocksDc)
        mixed->BlockDc();
    if (m_shapingLeadInFrames)
        mixed->ShortenShapingLeadIn(*m_shapingLeadInFrames);
    if (m_bMeasureLayers)
        mixed->MeasureSubAudio(trackFirst, trackEnd);
    m_pMix = mixed.get();
    m_pSynthesis = std::move(mixed);
}

// The whole track's frames as its synthesis makes them: a loop's warm-up first.
StreamLayout ScorePiece::Layout() const
{
    const Score& score = *m_pScore;
    const auto frames = static_cast<std::uint64_t>(score.m_nLengthSeconds) * kRunSampleRate;
    return score.m_bLoop ? LoopLayout(frames, m_nLongestGrain, score.m_nFadeSeconds * kRunSampleRate)
                         : PlainLayout(frames);
}

// Each layer's schedule as its synthesizer begins it: the same settings,
// automation, stretch of source and seed.
void ScorePiece::MakeSeekPlan()
{
    const Score& score = *m_pScore;
    m_seekPlan = SeekPlan{};
    m_seekPlan.m_nWarmUpFrames = m_nWarmUp;
    m_seekPlan.m_nRenderFrames = Layout().SynthesisedFrames();
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        const PieceLayer& layer = *m_layers[i];
        LayerSchedulePlan plan;
        plan.m_settings = layer.m_synthesizer.GetSettings();
        if (layer.m_pSettings)
            plan.m_pTimeline = layer.m_pTimeline;
        plan.m_dVolume = score.m_nVolume * 0.01;
        plan.m_nSourceFrames = layer.m_pSource->m_prepared.Frames();
        plan.m_nSeed = LayerSeed(m_nSeed, static_cast<int>(i));
        m_seekPlan.m_layers.push_back(plan);
    }
    m_seekPlan.m_fingerprint = FingerprintOf(score, m_nSeed, m_seekPlan);
}

void ScorePiece::StartFrom(SeekState state)
{
    if (m_pMix != nullptr)
        m_pMix->StartFrom(std::move(state));
}

void ScorePiece::MoveExcerpt(std::uint64_t first)
{
    if (m_pMix != nullptr)
        m_pMix->MoveSkip(m_nWarmUp + first);
}

const std::vector<double>& ScorePiece::LayerSubAudioPeaks() const
{
    static const std::vector<double> kNone;
    return m_pMix != nullptr ? m_pMix->LayerSubAudioPeaks() : kNone;
}

const std::optional<SeekState>& ScorePiece::GetArrived() const
{
    static const std::optional<SeekState> kNowhere;
    return m_pMix != nullptr ? m_pMix->GetArrived() : kNowhere;
}

std::uint64_t ScorePiece::LeadInFrames() const
{
    return m_pMix != nullptr ? m_pMix->LeadInFrames() : 0;
}

ScorePiece::Making ScorePiece::Make(PieceRequest request,
                                    const std::map<std::string, std::span<const StereoFrame>>& sounds,
                                    const SynthesisOptions& options, BufferAllocator allocate)
{
    std::map<std::string, SourceSound> prepared;
    for (const auto& [path, sound] : sounds) {
        request.m_sourceFrames[path] = sound.size();
        prepared[path].m_frames = sound;
    }
    Planning planning = Plan(request);
    Making making;
    if (!planning.m_pPiece) {
        making.m_refusal = planning.m_refusal;
        return making;
    }
    if (planning.m_pPiece->Prepare(prepared, options, allocate))
        making.m_pPiece = std::move(planning.m_pPiece);
    return making;
}

std::span<const StereoFrame> ScorePiece::LayerSourceFrames(std::size_t layer) const
{
    return m_layers[layer]->m_pSource->m_prepared.Levels().Level(0);
}

const GrainLevelGain* ScorePiece::LayerLevelHold(std::size_t layer) const
{
    const std::optional<GrainLevelHold>& hold = m_layers[layer]->m_pSource->m_levelHold;
    return hold ? &*hold : nullptr;
}

double ScorePiece::LayerGainAt(std::size_t layer, std::uint64_t frame) const
{
    if (HasUnityGain(m_pScore->m_layers[layer]))
        return 1.0;
    return m_layers[layer]->m_pTimeline->GainAt(TrackSecondsOf(frame, m_nWarmUp));
}

std::uint32_t ScorePiece::FirstLayerState() const
{
    if (!m_pSynthesis || m_layers.empty())
        return m_nSeed;
    return m_layers.front()->m_synthesizer.GetRandomState();
}
