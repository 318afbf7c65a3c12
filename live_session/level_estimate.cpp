#include "live_session/level_estimate.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <vector>

#include "engine/finishing/delivery_chain.h"
#include "engine/io/frame_sink.h"
#include "engine/render/render_pipeline.h"
#include "engine/render/stream_layout.h"
#include "engine/run/score_piece.h"
#include "engine/finishing/evening/evening_planner.h"
#include "measurement/block_energy_survey.h"
#include "measurement/delivery_level_meter.h"
#include "measurement/level_evening_plan.h"
#include "live_session/level_pilot.h"
#include "live_session/level_stats.h"
#include "live_session/sparse_picks.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr Clock::duration kPublishInterval = std::chrono::milliseconds(100);
constexpr std::size_t kRenderWindow = 4096;

// The largest magnitude of the frames, and their root mean square.
struct StretchLevel {
    float m_fPeak = 0.0f;
    double m_dSquares = 0.0;
    std::uint64_t m_nFrames = 0;

    void Add(std::span<const StereoFrame> frames)
    {
        for (const StereoFrame& frame : frames) {
            m_fPeak = std::max({m_fPeak, std::fabs(frame.left), std::fabs(frame.right)});
            m_dSquares += static_cast<double>(frame.left) * frame.left + static_cast<double>(frame.right) * frame.right;
        }
        m_nFrames += frames.size();
    }
    double Rms() const { return m_nFrames == 0 ? 0.0 : std::sqrt(m_dSquares / (2.0 * static_cast<double>(m_nFrames))); }
};

// Takes nothing: the survey stops before the writing pass.
class NoSink final : public FrameSink {
public:
    std::optional<RunMessage> Create(const std::string&) override { return std::nullopt; }
    void Write(const StereoFrame*, std::size_t) override {}
    void Finish(bool) override {}
    void Discard() override {}
    std::uint64_t GetBytesWritten() const override { return 0; }
};

// The synthesis the pipeline asks for, watched on its way: what it shows of
// the track's frames (not a loop's warm-up or what comes after its end).
class WatchedSynthesis final : public SoundSynthesis {
public:
    WatchedSynthesis(SoundSynthesis& inner, std::uint64_t warmUp, std::uint64_t frames, std::uint64_t stretchFrames)
        : m_inner(inner), m_nWarmUp(warmUp), m_nFrames(frames), m_nStretchFrames(stretchFrames)
    {
    }

    bool Begin(std::uint64_t frames) override { return m_inner.Begin(frames); }
    void SetKeepGoing(std::function<bool()> keepGoing) override { m_inner.SetKeepGoing(std::move(keepGoing)); }
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress) override
    {
        m_inner.RenderWhole(sound, progress);
    }
    void End() override { m_inner.End(); }

    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override
    {
        m_inner.RenderWindow(window, first);
        if (m_bSeenAll)
            return;  // a later pass synthesises it again
        const std::uint64_t from = std::max(first, m_nWarmUp);
        const std::uint64_t to = std::min<std::uint64_t>(first + window.size(), m_nWarmUp + m_nFrames);
        if (to <= from)
            return;
        const auto piece = window.subspan(from - first, to - from);
        m_stats.Add(piece);
        m_energies.Add(piece, from - m_nWarmUp);
        // The peak of each stretch the sparse survey would cut.
        for (std::uint64_t at = from; at < to;) {
            const std::uint64_t track = at - m_nWarmUp;
            const std::uint64_t end = std::min(to, m_nWarmUp + (track / m_nStretchFrames + 1) * m_nStretchFrames);
            m_stretch.Add(window.subspan(at - first, end - at));
            if ((end - m_nWarmUp) % m_nStretchFrames == 0 || end == m_nWarmUp + m_nFrames) {
                m_stats.AddStretch(track / m_nStretchFrames, m_stretch.m_fPeak, m_stretch.Rms());
                m_stretch = StretchLevel();
            }
            at = end;
        }
        m_nSeen = to - m_nWarmUp;
        m_bSeenAll = m_nSeen >= m_nFrames;
    }

    // The stats so far, the energies of the blocks complete so far with them.
    LevelStats Stats()
    {
        LevelStats stats = m_stats;
        const std::vector<float> energies = m_energies.TakeEnergies();
        m_blocks.insert(m_blocks.end(), energies.begin(), energies.end());
        stats.AddBlockEnergies(m_blocks);
        return stats;
    }
    std::uint64_t Seen() const { return m_nSeen; }
    // The energies of the blocks complete when Stats was last asked for,
    // from the track's first frame on.
    const std::vector<float>& Blocks() const { return m_blocks; }

private:
    SoundSynthesis& m_inner;
    std::uint64_t m_nWarmUp;
    std::uint64_t m_nFrames;
    std::uint64_t m_nStretchFrames;
    StretchLevel m_stretch;  // of the stretch being seen
    LevelStats m_stats;
    BlockEnergySurvey m_energies;
    std::vector<float> m_blocks;
    std::uint64_t m_nSeen = 0;
    bool m_bSeenAll = false;
};

bool HasEffects(const Score& score)
{
    return !score.m_effects.empty() || std::any_of(score.m_layers.begin(), score.m_layers.end(),
                                                   [](const ScoreLayer& layer) { return !layer.m_effects.empty(); });
}

// Whether b's file differs from a's only in its volume, in a way that scales
// the synthesised sound and nothing else: the same sources, seed and level
// score but for the volume, and nothing that hears the sound's own level
// (an effect, a loudness asked for, level evening's gates).
bool OnlyTheVolumeDiffers(const SessionScore& a, const SessionScore& b)
{
    if (a.m_nSeed != b.m_nSeed || a.m_sources.size() != b.m_sources.size())
        return false;
    for (const auto& [path, sound] : a.m_sources) {
        const auto other = b.m_sources.find(path);
        if (other == b.m_sources.end() || other->second.data() != sound.data() || other->second.size() != sound.size())
            return false;
    }
    const Score& before = a.LevelScore();
    Score after = b.LevelScore();
    if (before.m_loudness || before.m_levelRange || HasEffects(before) || before.m_nVolume <= 0 || after.m_nVolume <= 0)
        return false;
    after.m_nVolume = before.m_nVolume;
    return after == before;
}

void LowerThisThreadsPriority()
{
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}

}  // namespace

// One survey of one score.
class LevelEstimator::Run {
public:
    Run(LevelEstimator& owner, const SessionScore& score, std::uint64_t generation)
        : m_owner(owner)
        , m_score(score)
        , m_level(score.LevelScore())
        , m_nGeneration(generation)
        , m_nFrames(TrackFramesOf(m_level))
        , m_nStretchFrames(std::max<std::uint64_t>(owner.m_options.m_nStretchFrames, 4410))
        , m_nStretches((m_nFrames + m_nStretchFrames - 1) / m_nStretchFrames)
        , m_picks(m_nStretches)
    {
    }

    void Go()
    {
        if (m_nFrames == 0 || !SurveySparse())
            return;
        if (m_owner.m_options.m_bSparseOnly) {
            m_owner.Publish(Estimate(m_sparse, m_even, {}, SparseShare()), m_nGeneration, true);
            return;
        }
        SurveyInOrder();
    }

private:
    bool KeepGoing() const { return m_owner.IsCurrent(m_nGeneration); }

    std::unique_ptr<ScorePiece> MakePiece(std::uint64_t excerptFrames, SessionPieceUse use)
    {
        std::unique_ptr<ScorePiece> piece = MakeSessionPiece(m_score, m_level, excerptFrames, use).m_pPiece;
        if (piece)
            m_bBlocksDc = piece->BlocksDc();
        return piece;
    }

    // From the stats of all that was seen (the peak) and of what was seen
    // evenly (the loudness, until the forecast stands for what was not
    // seen); inOrder: the energies of the blocks from the
    // track's start that the pass in order has seen.
    LevelEstimate Estimate(const LevelStats& all, const LevelStats& even, std::span<const float> inOrder,
                           double share) const
    {
        LevelEstimate estimate;
        estimate.m_bKnown = all.HasSound();
        if (m_level.m_levelRange) {
            const std::vector<float> drawn = DrawnEnergies(inOrder);
            estimate.m_pEvening = EveningOf(drawn);
            const GainCurve& curve = *estimate.m_pEvening;
            const auto gainDbOf = [&curve, this](std::uint64_t stretch) {
                return 20.0 * std::log10(curve.At(stretch * m_nStretchFrames + m_nStretchFrames / 2));
            };
            const std::optional<double> loudness =
                m_loudnessForecast.empty() ? EvenedLoudness(curve, inOrder) : LoudnessOfDrawn(drawn, &curve);
            const auto gainAt = [&curve](std::uint64_t frame) { return curve.At(frame); };
            estimate.m_dGain = FileGainOf(
                m_level, all.LikelyPeak(m_nStretches, gainDbOf, m_forecast, m_nStretchFrames, gainAt), loudness);
        } else {
            // Without a loudness asked for, the gain is the peak's alone.
            const std::optional<double> loudness = m_loudnessForecast.empty() || !m_level.m_loudness
                                                       ? even.Loudness()
                                                       : LoudnessOfDrawn(DrawnEnergies(inOrder), nullptr);
            estimate.m_dGain = FileGainOf(m_level, all.LikelyPeak(m_nStretches, {}, m_forecast), loudness);
        }
        if (!m_bBlocksDc) {
            estimate.m_dMeanLeft = even.Mean(0);
            estimate.m_dMeanRight = even.Mean(1);
        }
        estimate.m_dSurveyed = std::min(share, 1.0);
        return estimate;
    }

    // The energy of every whole block of the track: those seen, and between
    // them the line from one seen block to the next (in energy, whose mean
    // over a window is what its loudness is taken from; past the first and
    // the last seen, theirs), or once there is a forecast, the forecast
    // calibrated to the seen blocks. Empty when none was seen.
    std::vector<float> DrawnEnergies(std::span<const float> inOrder) const
    {
        std::map<std::uint64_t, float> known(m_blockEnergies.lower_bound(inOrder.size()), m_blockEnergies.end());
        for (std::size_t b = 0; b < inOrder.size(); ++b)
            known.emplace_hint(known.end(), b, inOrder[b]);
        const std::uint64_t blocks = m_nFrames / CurvePlacement::kPointFrames;
        if (known.empty() || blocks == 0)
            return {};
        if (const std::optional<double> scale = ForecastScale(known))
            return ForecastEnergies(known, blocks, *scale);
        std::vector<float> energies(blocks);
        auto next = known.begin();
        auto before = known.end();
        for (std::uint64_t b = 0; b < blocks; ++b) {
            while (next != known.end() && next->first < b)
                before = next++;
            if (next != known.end() && next->first == b)
                energies[b] = next->second;
            else
                energies[b] = static_cast<float>(Between(before, next, known.end(), b));
        }
        return energies;
    }

    // The value at b on the line from before's to next's (either may be
    // missing: end), the two the nearest keys around b.
    template <typename Iterator>
    static double Between(Iterator before, Iterator next, Iterator end, std::uint64_t b)
    {
        if (before == end)
            return next->second;
        if (next == end)
            return before->second;
        const double t = static_cast<double>(b - before->first) / static_cast<double>(next->first - before->first);
        return before->second + (next->second - before->second) * t;
    }

    // The K-weighted forecast energy of block b's stretch (the stretch its
    // middle is in).
    double ForecastOfBlock(std::uint64_t b) const
    {
        const std::uint64_t middle = b * CurvePlacement::kPointFrames + CurvePlacement::kPointFrames / 2;
        return m_loudnessForecast[std::min<std::uint64_t>(middle / m_nStretchFrames, m_loudnessForecast.size() - 1)];
    }

    // What the forecast's energies are to be multiplied by to be the seen
    // blocks' measured ones: the sum of the measured over the sum of their
    // forecasts. One block differs from its forecast by how its grains
    // happen to interfere (a sum of a few tones' copies swings by several
    // dB), a sum of many blocks far less, and the loudest weigh most, as
    // they do in the loudness. None before the forecast is made, or when it
    // finds no sound where sound was seen.
    std::optional<double> ForecastScale(const std::map<std::uint64_t, float>& known) const
    {
        if (m_loudnessForecast.empty())
            return std::nullopt;
        double measured = 0.0;
        double forecast = 0.0;
        for (const auto& [b, energy] : known) {
            measured += energy;
            forecast += ForecastOfBlock(b);
        }
        if (!(forecast > 0.0) || !std::isfinite(measured))
            return std::nullopt;
        return measured / forecast;
    }

    // DrawnEnergies with a forecast: a block seen has its own energy, any
    // other the forecast's times scale.
    std::vector<float> ForecastEnergies(const std::map<std::uint64_t, float>& known, std::uint64_t blocks,
                                        double scale) const
    {
        std::vector<float> energies(blocks);
        auto seen = known.begin();
        for (std::uint64_t b = 0; b < blocks; ++b) {
            while (seen != known.end() && seen->first < b)
                ++seen;
            energies[b] = seen != known.end() && seen->first == b ? seen->second
                                                                   : static_cast<float>(ForecastOfBlock(b) * scale);
        }
        return energies;
    }

    // The integrated loudness of blocks of these energies (every whole block
    // of the track), its gating blocks (400 ms, 75 % overlapping) each
    // moved by the square of the evening's gain at its middle when there
    // is one.
    static std::optional<double> LoudnessOfDrawn(std::span<const float> drawn, const GainCurve* curve)
    {
        constexpr std::uint64_t kBlock = CurvePlacement::kPointFrames;
        constexpr std::size_t kPerGatingBlock = 4;
        if (drawn.size() < kPerGatingBlock)
            return GatedLoudnessOf(drawn);
        std::vector<float> gating;
        gating.reserve(drawn.size() - kPerGatingBlock + 1);
        for (std::size_t b = 0; b + kPerGatingBlock <= drawn.size(); ++b) {
            double sum = 0.0;
            for (std::size_t k = 0; k < kPerGatingBlock; ++k)
                sum += drawn[b + k];
            const double gain = curve != nullptr ? curve->At((b + 2) * kBlock) : 1.0;
            gating.push_back(static_cast<float>(sum / kPerGatingBlock * gain * gain));
        }
        return GatedLoudnessOf(gating);
    }

    // Level evening's gain as the file's plan would make it from the
    // energies drawn from what was seen (see DrawnEnergies).
    std::shared_ptr<const GainCurve> EveningOf(const std::vector<float>& drawn) const
    {
        const CurvePlacement placement{m_nFrames, 0, m_level.m_bLoop};
        const std::uint64_t fade = m_level.m_bLoop ? 0 : static_cast<std::uint64_t>(m_level.m_nFadeSeconds) * kRunSampleRate;
        EveningPlan plan = PlanEvening(drawn, placement, fade, *m_level.m_levelRange);
        return std::make_shared<const GainCurve>(std::move(plan.m_curve));
    }

    // The integrated loudness of the sound once evened: each gating block's
    // energy (400 ms from the blocks in order, a sparse block of the even
    // spread on its own) times the square of the evening's gain there.
    std::optional<double> EvenedLoudness(const GainCurve& curve, std::span<const float> inOrder) const
    {
        constexpr std::uint64_t kBlock = CurvePlacement::kPointFrames;
        constexpr std::size_t kPerGatingBlock = 4;
        const auto squared = [&curve](std::uint64_t frame) { return std::pow(curve.At(frame), 2.0); };
        std::vector<float> gating;
        for (std::size_t b = 0; b + kPerGatingBlock <= inOrder.size(); ++b) {
            float sum = 0.0f;
            for (std::size_t k = 0; k < kPerGatingBlock; ++k)
                sum += inOrder[b + k];
            gating.push_back(static_cast<float>(sum / kPerGatingBlock * squared((b + 2) * kBlock)));
        }
        for (auto it = m_evenBlocks.lower_bound(inOrder.size()); it != m_evenBlocks.end(); ++it)
            gating.push_back(static_cast<float>(it->second * squared(it->first * kBlock + kBlock / 2)));
        return GatedLoudnessOf(gating);
    }

    // Publishes the estimate make makes once the last is long enough ago:
    // kPublishInterval, or ten times what the last took to make when that
    // is longer (planning the evening of a day's track takes a while), so
    // that estimates never take more than a tenth of the survey's time.
    template <typename Make>
    void PublishWhenDue(const Make& make)
    {
        const Clock::time_point began = Clock::now();
        if (began < m_nextPublish)
            return;
        const LevelEstimate estimate = make();
        const Clock::time_point made = Clock::now();
        m_owner.Publish(estimate, m_nGeneration, false);
        m_nextPublish = made + std::max<Clock::duration>(kPublishInterval, 10 * (made - began));
    }

    double SparseShare() const
    {
        return static_cast<double>(std::min(m_nSparseFrames, m_nFrames)) / static_cast<double>(m_nFrames);
    }

    // Stretches over the track, up to the sparse share, in the order of
    // SparsePicks: in turn one of an even spread (what its loudness and means
    // are estimated from) and one where its peak most likely lies, led by a
    // forecast of every stretch's level that is made a part at a time after
    // each of the first few stretches. Answers whether to go on.
    bool SurveySparse()
    {
        const LevelEstimator::Options& options = m_owner.m_options;
        if (m_nFrames < kSparseFromFrames && !options.m_bSparseOnly)
            return true;
        // Dry, and shaped layers with a short lead-in: each short stretch
        // would otherwise cost the seconds its effects and filters hear
        // before it, many times its own length; the pass in order runs
        // them as the file does.
        const std::unique_ptr<ScorePiece> piece = MakePiece(m_nFrames, SessionPieceUse::SparseSurvey);
        if (!piece)
            return false;
        const auto budget = static_cast<std::uint64_t>(std::ceil(options.m_dSparseShare * static_cast<double>(m_nStretches)));
        std::optional<LevelPilot> pilot;
        std::vector<StereoFrame> sound(m_nStretchFrames);
        const auto joinSpread = [this](std::uint64_t stretch) { JoinSpread(stretch); };
        for (std::uint64_t picked = 0; picked < budget && KeepGoing(); ++picked) {
            const std::optional<SparsePicks::Pick> pick = m_picks.Next(joinSpread);
            if (!pick)
                break;
            const std::uint64_t first = pick->m_nStretch * m_nStretchFrames;
            const std::uint64_t count = std::min(m_nStretchFrames, m_nFrames - first);
            const double level =
                SurveyStretch(*piece, first, std::span<StereoFrame>(sound.data(), count), pick->m_bEven);
            m_picks.Surveyed(pick->m_nStretch, level);
            m_nSparseFrames += count;
            PublishWhenDue([&] { return Estimate(m_sparse, m_even, {}, SparseShare()); });
            if (!pilot)
                pilot.emplace(*piece, m_nFrames, m_nStretchFrames);  // after the first estimate
            if (!pilot->IsComplete())
                ForecastFurther(*pilot, picked, budget);
        }
        piece->Synthesis().End();
        return KeepGoing();
    }

    // The forecast of the next part of the track, of kForecastParts, after
    // the picked-th stretch; once whole, the survey follows it.
    void ForecastFurther(LevelPilot& pilot, std::uint64_t picked, std::uint64_t budget)
    {
        constexpr std::uint64_t kForecastParts = 8;
        const std::uint64_t part = (m_nFrames + kForecastParts - 1) / kForecastParts;
        if (!pilot.Reach(std::min(m_nFrames, (picked + 1) * part), [this] { return KeepGoing(); }) ||
            !pilot.IsComplete())
            return;
        m_forecast.assign(pilot.Energies().begin(), pilot.Energies().end());
        m_loudnessForecast.assign(pilot.LoudnessEnergies().begin(), pilot.LoudnessEnergies().end());
        m_picks.FollowForecast(LoudestFirst(m_forecast, budget));
    }

    // Surveys the stretch from track frame first; answers its level (root
    // mean square). even: one of the even spread; any other is held for the
    // spread, which counts it once it reaches it.
    double SurveyStretch(ScorePiece& piece, std::uint64_t first, std::span<StereoFrame> sound, bool even)
    {
        std::fill(sound.begin(), sound.end(), StereoFrame{0.0f, 0.0f});
        piece.MoveExcerpt(first);
        SoundSynthesis& synthesis = piece.Synthesis();
        synthesis.SetKeepGoing([this] { return KeepGoing(); });
        if (!synthesis.Begin(sound.size()))
            return 0.0;
        for (std::size_t done = 0; done < sound.size() && KeepGoing(); done += kRenderWindow)
            synthesis.RenderWindow(sound.subspan(done, std::min(kRenderWindow, sound.size() - done)), done);
        StretchLevel level;
        level.Add(sound);
        const std::uint64_t stretch = first / m_nStretchFrames;
        LevelStats extremes;
        extremes.AddExtremes(sound);
        extremes.AddStretch(stretch, level.m_fPeak, level.Rms());
        extremes.AddPeakBlocks(stretch, first, sound);
        m_sparse.Merge(extremes);
        SpreadPart part;
        part.m_stats.Add(sound);
        part.m_stats.AddStretch(stretch, level.m_fPeak, level.Rms());
        BlockEnergySurvey energies;
        energies.Add(sound, first);
        part.m_blocks = energies.TakeEnergies();
        part.m_stats.AddBlockEnergies(part.m_blocks);
        part.m_nFirstBlock = (first + CurvePlacement::kPointFrames - 1) / CurvePlacement::kPointFrames;
        for (std::size_t b = 0; b < part.m_blocks.size(); ++b)
            m_blockEnergies[part.m_nFirstBlock + b] = part.m_blocks[b];
        if (even)
            CountInSpread(part);
        else
            m_heldForSpread.emplace(stretch, std::move(part));
        return level.Rms();
    }

    // What a stretch shows the even spread: its frames' sums and its blocks.
    struct SpreadPart {
        LevelStats m_stats;
        std::uint64_t m_nFirstBlock = 0;
        std::vector<float> m_blocks;
    };

    void CountInSpread(const SpreadPart& part)
    {
        m_sparse.Merge(part.m_stats);
        m_even.Merge(part.m_stats);
        for (std::size_t b = 0; b < part.m_blocks.size(); ++b)
            m_evenBlocks[part.m_nFirstBlock + b] = part.m_blocks[b];
    }

    // The even spread reached stretch, surveyed before it: it counts it.
    void JoinSpread(std::uint64_t stretch)
    {
        const auto held = m_heldForSpread.find(stretch);
        if (held == m_heldForSpread.end())
            return;
        CountInSpread(held->second);
        m_heldForSpread.erase(held);
    }

    // The share surveyed once the pass in order has reached track frame seen.
    double ShareWith(std::uint64_t seen) const
    {
        std::uint64_t frames = seen;
        for (std::uint64_t stretch = seen / m_nStretchFrames; stretch < m_nStretches; ++stretch) {
            if (!m_picks.IsSurveyed(stretch))
                continue;
            const std::uint64_t first = std::max(stretch * m_nStretchFrames, seen);
            frames += std::min(m_nFrames, (stretch + 1) * m_nStretchFrames) - first;
        }
        return static_cast<double>(frames) / static_cast<double>(m_nFrames);
    }

    // The renderer's own passes up to its writing, without a sink: the
    // estimate from what they show and the sparse stretches on the way, and
    // the file's exact gain at the end.
    void SurveyInOrder()
    {
        const std::unique_ptr<ScorePiece> piece = MakePiece(0, SessionPieceUse::AsRendered);
        if (!piece)
            return;
        const std::int32_t fade = m_level.m_nFadeSeconds * kRunSampleRate;
        const StreamLayout layout =
            m_level.m_bLoop ? LoopLayout(m_nFrames, piece->LongestGrainFrames(), fade) : PlainLayout(m_nFrames);
        std::unique_ptr<DeliveryLevelMeter> meter;
        DeliveryPlan plan;
        plan.m_dVolume = m_level.m_nVolume * 0.01;
        plan.m_nFadeFrames = m_level.m_bLoop ? 0 : fade;
        plan.m_nFrames = layout.m_nFrames;
        plan.m_bKeepMeans = piece->BlocksDc();
        if (m_level.m_loudness) {
            meter = std::make_unique<DeliveryLevelMeter>(
                DeliveryLevelPlan{plan.m_dVolume, kRunSampleRate, m_level.m_loudness});
            plan.m_pMeter = meter.get();
        }
        std::unique_ptr<LevelEveningPlan> evening;
        if (m_level.m_levelRange) {
            evening = std::make_unique<LevelEveningPlan>(*m_level.m_levelRange, m_level.m_bLoop);
            plan.m_pEvening = evening.get();
        }
        DeliveryChain chain(plan);
        WatchedSynthesis watched(piece->Synthesis(), layout.m_nWarmUp, m_nFrames, m_nStretchFrames);

        bool writing = false;
        m_nextPublish = Clock::now() + kPublishInterval;
        RenderPacing pacing;
        pacing.m_beginPhase = [&](RenderPipeline::Phase phase) {
            writing = writing || phase == RenderPipeline::Phase::Writing;
        };
        pacing.m_progress = [&](RenderPipeline::Phase phase, std::uint64_t, std::uint64_t, std::uint64_t) {
            if (phase != RenderPipeline::Phase::Generating)
                return;
            PublishWhenDue([&] {
                const LevelStats inOrder = watched.Stats();
                LevelStats all = inOrder;
                all.Merge(m_sparse);
                LevelStats even = inOrder;
                even.Merge(m_even);
                return Estimate(all, even, watched.Blocks(), ShareWith(watched.Seen()));
            });
        };
        pacing.m_serve = [] {};
        pacing.m_keepGoing = [&] { return !writing && KeepGoing(); };
        pacing.m_endPhase = [](RenderPipeline::Phase) {};

        RenderPipeline pipeline(watched, layout, chain.Chain(), pacing);
        NoSink sink;
        pipeline.Run(sink);
        if (!writing || !KeepGoing())
            return;
        // The whole track surveyed: the renderer's own peak and delivery gain.
        // With evening the peak is measured on the evened sound, as the file's is.
        const double peak = evening ? chain.Levels().Finisher().GetPeak() : chain.Levels().SynthesisedPeak();
        LevelEstimate exact;
        exact.m_dGain = peak > 0.0 ? plan.m_dVolume / peak : 1.0;
        if (meter)
            exact.m_dGain *= meter->GetReport().m_dGain;
        exact.m_dMeanLeft = chain.Levels().Finisher().GetMeanLeft();
        exact.m_dMeanRight = chain.Levels().Finisher().GetMeanRight();
        exact.m_bKnown = peak > 0.0;
        exact.m_bExact = true;
        if (evening)
            exact.m_pEvening = std::make_shared<const GainCurve>(evening->Curve());
        exact.m_dSurveyed = 1.0;
        m_owner.Publish(exact, m_nGeneration, true);
    }

    LevelEstimator& m_owner;
    const SessionScore& m_score;
    const Score& m_level;
    const std::uint64_t m_nGeneration;
    const std::uint64_t m_nFrames;
    const std::uint64_t m_nStretchFrames;
    const std::uint64_t m_nStretches;
    SparsePicks m_picks;  // which sparse stretches are surveyed, and which next
    bool m_bBlocksDc = false;      // the file keeps its means (see ScorePiece::BlocksDc)
    std::uint64_t m_nSparseFrames = 0;
    Clock::time_point m_nextPublish{};
    LevelStats m_sparse;  // every sparse stretch
    LevelStats m_even;    // those of the even spread, with their loudness
    // The energy of each whole block of a sparse stretch, by its index from
    // the track's start: of every one, and of those of the even spread.
    std::map<std::uint64_t, float> m_blockEnergies;
    std::map<std::uint64_t, float> m_evenBlocks;
    // The forecast energy of every stretch, once whole (see LevelPilot).
    std::vector<float> m_forecast;
    std::vector<float> m_loudnessForecast;  // the same K-weighted
    // Stretches surveyed before the even spread reached them, by index.
    std::map<std::uint64_t, SpreadPart> m_heldForSpread;
};

LevelEstimator::LevelEstimator() : LevelEstimator(Options{}) {}

LevelEstimator::LevelEstimator(Options options) : m_options(options), m_thread([this] { Work(); }) {}

LevelEstimator::~LevelEstimator()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void LevelEstimator::Survey(std::shared_ptr<const SessionScore> score)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const int volume = score->LevelScore().m_nVolume;
        if (m_pSurveyed && !m_pPending && m_nVolume > 0 && OnlyTheVolumeDiffers(*m_pSurveyed, *score)) {
            const double step = static_cast<double>(volume) / m_nVolume;
            m_estimate.m_dMeanLeft *= step;
            m_estimate.m_dMeanRight *= step;
            m_dMeanScale = static_cast<double>(volume) / m_pSurveyed->LevelScore().m_nVolume;
            m_nVolume = volume;
            m_changed.notify_all();
            return;
        }
        m_pSurveyed = score;
        m_nVolume = volume;
        m_dMeanScale = 1.0;
        m_pPending = std::move(score);
        ++m_nGeneration;
        m_estimate.m_bExact = false;
        m_estimate.m_dSurveyed = 0.0;
        m_bDone = false;
    }
    m_changed.notify_all();
}

LevelEstimate LevelEstimator::GetEstimate() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_estimate;
}

bool LevelEstimator::WaitUntilDone(double timeoutSeconds) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::duration<double>(timeoutSeconds), [this] { return m_bDone; });
}

bool LevelEstimator::IsCurrent(std::uint64_t generation) const
{
    return m_nGeneration.load() == generation && !m_bStop.load();
}

void LevelEstimator::Publish(const LevelEstimate& estimate, std::uint64_t generation, bool done)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nGeneration.load() != generation)
            return;
        // Before anything is heard, the last score's gain is a better guess.
        if (estimate.m_bKnown || !m_estimate.m_bKnown) {
            m_estimate = estimate;
            m_estimate.m_dMeanLeft *= m_dMeanScale;
            m_estimate.m_dMeanRight *= m_dMeanScale;
        }
        else
            m_estimate.m_dSurveyed = estimate.m_dSurveyed;
        m_bDone = done;
    }
    m_changed.notify_all();
}

void LevelEstimator::Work()
{
    if (m_options.m_bLowerPriority)
        LowerThisThreadsPriority();
    for (;;) {
        std::shared_ptr<const SessionScore> score;
        std::uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_bStop.load() || m_pPending != nullptr; });
            if (m_bStop)
                return;
            score = std::move(m_pPending);
            generation = m_nGeneration.load();
        }
        // A chain that cannot be made or cannot go on ends the survey; the
        // session tells of it.
        try {
            Run(*this, *score, generation).Go();
        } catch (const SoundChainFailure&) {
        }
        // A survey that could not be made (a refused score) ends too.
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nGeneration.load() == generation && !m_bDone) {
            m_bDone = true;
            m_changed.notify_all();
        }
    }
}
