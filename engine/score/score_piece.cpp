#include "engine/score/score_piece.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <variant>

#include "engine/parameters/parameter_table.h"
#include "engine/render/stream_layout.h"
#include "engine/score/layer_mix_synthesis.h"
#include "engine/score/parameter_timeline.h"
#include "engine/score/prepared_source.h"
#include "engine/score/timeline_grain_settings.h"
#include "engine/seek/seek_fingerprint.h"
#include "engine/stereo_frame.h"
#include "engine/synthesis/grain_scheduler.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/synthesis/random_stream.h"

struct PieceSource {
    std::string m_strPath;
    std::span<const StereoFrame> m_frames;
    SourcePreparation m_preparation;
    PreparedSource m_prepared;
};

struct PieceLayer {
    std::shared_ptr<const ParameterTimeline> m_pTimeline;
    std::unique_ptr<TimelineGrainSettings> m_pSettings;  // null: the layer's values hold throughout
    GrainSynthesizer m_synthesizer;
    PieceSource* m_pSource = nullptr;
    std::function<double(std::uint64_t)> m_gainAt;
    GrainBounds m_bounds;
};

namespace {

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

double SecondsOf(std::uint64_t frames)
{
    return static_cast<double>(frames) / kRunSampleRate;
}

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

SoundSynthesis& ScorePiece::Synthesis()
{
    return *m_pSynthesis;
}

void ScorePiece::MeasureSubAudio()
{
    m_pSynthesis->MeasureSubAudio(m_nTrackFirst, m_nTrackEnd);
}

const std::vector<double>& ScorePiece::LayerSubAudioPeaks() const
{
    return m_pSynthesis->LayerSubAudioPeaks();
}

void ScorePiece::StartFrom(SeekState state)
{
    m_pSynthesis->StartFrom(std::move(state));
}

void ScorePiece::MoveExcerpt(std::uint64_t first)
{
    m_pSynthesis->MoveSkip(m_nWarmUp + first);
}

const std::optional<SeekState>& ScorePiece::GetArrived() const
{
    return m_pSynthesis->GetArrived();
}

namespace {

ScorePiece::Making Refusal(int line, std::string text)
{
    ScorePiece::Making making;
    making.m_nLine = line;
    making.m_strError = std::move(text);
    return making;
}

// The stretch of frames a layer reads, or why it cannot: past the source's
// end, or too short for the longest read of its grains. A stretch shorter
// than the longest grain read at the highest pitch may still hold every
// grain the timeline asks for, when those two never come together: the
// bounds then take the longest read along the timeline, for the read span.
std::variant<std::pair<std::uint64_t, std::uint64_t>, std::string> StretchOf(const ScoreLayer& layer,
                                                                            std::uint64_t sourceFrames,
                                                                            const ParameterTimeline& timeline,
                                                                            GrainBounds& bounds)
{
    const std::uint64_t first = layer.m_sourceStartSeconds ? FramesOf(*layer.m_sourceStartSeconds) : 0;
    const std::uint64_t end = layer.m_sourceEndSeconds ? FramesOf(*layer.m_sourceEndSeconds) : sourceFrames;
    const std::string length = SecondsText(SecondsOf(sourceFrames));
    if (first >= sourceFrames)
        return "source_start is at or past the end of " + layer.m_strSource + " (" + length + " long)";
    if (end > sourceFrames)
        return "source_end is past the end of " + layer.m_strSource + " (" + length + " long)";
    if (end - first > GrainScheduler::LongestRead(bounds))
        return std::pair{first, end};
    const std::uint64_t longest = LongestReadAlong(timeline);
    if (end - first <= longest) {
        return "the layer reads " + SecondsText(SecondsOf(end - first)) + " of " + layer.m_strSource +
               ", and its longest grain reads " + SecondsText(SecondsOf(longest)) +
               "; read a longer stretch or shorten the grains";
    }
    bounds.m_nLongestRead = longest;
    return std::pair{first, end};
}

}  // namespace

ScorePiece::Making ScorePiece::Make(const PieceRequest& request)
{
    std::unique_ptr<ScorePiece> piece(new ScorePiece());
    if (auto refused = piece->MakeLayers(request))
        return std::move(*refused);
    if (auto refused = piece->PrepareSources(request))
        return std::move(*refused);
    piece->MakeSynthesis(request);
    Making made;
    made.m_pPiece = std::move(piece);
    return made;
}

// Each layer's timeline and bounds, and the source stretch it reads, shared
// with the layers that read the same stretch with the same low cut.
std::optional<ScorePiece::Making> ScorePiece::MakeLayers(const PieceRequest& request)
{
    const Score& score = *request.m_pScore;
    for (std::size_t i = 0; i < score.m_layers.size(); ++i) {
        const ScoreLayer& scoreLayer = score.m_layers[i];
        auto layer = std::make_unique<PieceLayer>();
        layer->m_pTimeline = std::make_shared<const ParameterTimeline>(scoreLayer, score.m_nLengthSeconds,
                                                                       request.m_nSeed, static_cast<int>(i),
                                                                       score.m_bLoop);
        layer->m_bounds = BoundsOfTimeline(*layer->m_pTimeline);
        m_nLongestGrain = std::max(m_nLongestGrain, layer->m_bounds.m_nLongestGrainFrames);
        const auto found = request.m_sources.find(scoreLayer.m_strSourcePath);
        if (found == request.m_sources.end())
            return Refusal(scoreLayer.m_nLine, scoreLayer.m_strSource + " was not loaded");
        const auto stretch = StretchOf(scoreLayer, found->second.size(), *layer->m_pTimeline, layer->m_bounds);
        if (const auto* why = std::get_if<std::string>(&stretch))
            return Refusal(scoreLayer.m_nLine, *why);
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
            made->m_frames = found->second;
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
    return std::nullopt;
}

std::optional<ScorePiece::Making> ScorePiece::PrepareSources(const PieceRequest& request)
{
    for (const auto& source : m_sources) {
        if (!source->m_prepared.Prepare(source->m_frames, source->m_preparation, request.m_allocate))
            return Refusal(0, "there is not enough memory for the sources of the score");
    }
    return std::nullopt;
}

// Every layer's synthesizer with its settings (or the timeline's, when they
// move) and its gain (none when it is 0 dB throughout), mixed; an excerpt
// skips to its first frame in the render's own frames.
void ScorePiece::MakeSynthesis(const PieceRequest& request)
{
    const Score& score = *request.m_pScore;
    const double volume = score.m_nVolume * 0.01;
    std::vector<MixLayer> mix;
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        PieceLayer& layer = *m_layers[i];
        const ScoreLayer& scoreLayer = score.m_layers[i];
        const ParameterTimeline& timeline = *layer.m_pTimeline;
        layer.m_synthesizer.SetOptions(request.m_options);
        layer.m_synthesizer.SetAllocator(request.m_allocate);
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
        mixed.m_nSeed = LayerSeed(request.m_nSeed, static_cast<int>(i));
        if (!HasUnityGain(scoreLayer)) {
            const std::uint64_t warmUp = m_nWarmUp;
            mixed.m_gainAt = [&timeline, warmUp](std::uint64_t frame) {
                return timeline.GainAt(TrackSecondsOf(frame, warmUp));
            };
        }
        mix.push_back(std::move(mixed));
    }
    const auto frames = static_cast<std::uint64_t>(score.m_nLengthSeconds) * kRunSampleRate;
    const StreamLayout layout = score.m_bLoop ? LoopLayout(frames, m_nLongestGrain, score.m_nFadeSeconds * kRunSampleRate)
                                              : PlainLayout(frames);
    std::uint64_t skip = 0;
    std::uint64_t whole = 0;
    m_nTrackFirst = layout.m_nWarmUp;
    m_nTrackEnd = layout.m_nWarmUp + frames;
    if (request.m_nExcerptFrames > 0) {
        skip = layout.m_nWarmUp + request.m_nExcerptFirst;
        whole = layout.SynthesisedFrames();
        m_nTrackFirst = skip;
        m_nTrackEnd = skip + request.m_nExcerptFrames;
    }
    MixEffects effects;
    effects.m_make = request.m_makeChain;
    effects.m_master = score.m_effects;
    effects.m_nPrefeedFrames = static_cast<std::uint64_t>(kEffectPrefeedSeconds) * kRunSampleRate;
    m_pSynthesis =
        std::make_unique<LayerMixSynthesis>(std::move(mix), skip, whole, request.m_allocate, std::move(effects));
    m_bBlocksDc = std::any_of(m_layers.begin(), m_layers.end(),
                              [](const auto& layer) { return layer->m_pTimeline->GainMoves(); });
    if (m_bBlocksDc)
        m_pSynthesis->BlockDc();
    MakeSeekPlan(request, layout.SynthesisedFrames());
}

// Each layer's schedule as its synthesizer begins it: the same settings,
// automation, stretch of source and seed.
void ScorePiece::MakeSeekPlan(const PieceRequest& request, std::uint64_t renderFrames)
{
    const Score& score = *request.m_pScore;
    m_seekPlan.m_nWarmUpFrames = m_nWarmUp;
    m_seekPlan.m_nRenderFrames = renderFrames;
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        const PieceLayer& layer = *m_layers[i];
        LayerSchedulePlan plan;
        plan.m_settings = layer.m_synthesizer.GetSettings();
        if (layer.m_pSettings)
            plan.m_pTimeline = layer.m_pTimeline;
        plan.m_dVolume = score.m_nVolume * 0.01;
        plan.m_nSourceFrames = layer.m_pSource->m_prepared.Frames();
        plan.m_nSeed = LayerSeed(request.m_nSeed, static_cast<int>(i));
        m_seekPlan.m_layers.push_back(plan);
    }
    m_seekPlan.m_fingerprint = FingerprintOf(score, request.m_nSeed, m_seekPlan);
}
