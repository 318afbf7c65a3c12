#include "studio/listening/level_survey.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine/frame_sink.h"
#include "engine/render/render_pipeline.h"
#include "formats/delivery_level_meter.h"
#include "formats/loudness_meter.h"

namespace studio {

namespace {

// Takes nothing: the survey stops before its writing pass.
class NoSink final : public FrameSink {
public:
    std::optional<RunMessage> Create(const std::string&) override { return std::nullopt; }
    void Write(const StereoFrame*, std::size_t) override {}
    void Finish(bool) override {}
    void Discard() override {}
    std::uint64_t GetBytesWritten() const override { return 0; }
};

// The synthesis the pipeline asks for, watched on its way: the running means,
// extremes and raw loudness the estimate comes from.
class WatchedSynthesis final : public SoundSynthesis {
public:
    WatchedSynthesis(SoundSynthesis& inner, std::uint64_t warmUp, std::uint64_t frames, bool loudness)
        : m_inner(inner), m_nWarmUp(warmUp), m_nFrames(frames)
    {
        if (loudness)
            m_pLoudness = std::make_unique<LoudnessMeter>(kRunSampleRate);
    }

    bool Begin(std::uint64_t frames) override { return m_inner.Begin(frames); }
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress) override
    {
        m_inner.RenderWhole(sound, progress);
    }
    void End() override { m_inner.End(); }

    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override
    {
        m_inner.RenderWindow(window, first);
        // Only the frames of the finished sound count (not a loop's warm-up
        // or the stretch past its end).
        const std::uint64_t from = std::max(first, m_nWarmUp);
        const std::uint64_t to = std::min<std::uint64_t>(first + window.size(), m_nWarmUp + m_nFrames);
        if (to <= from)
            return;
        const auto piece = window.subspan(from - first, to - from);
        for (const StereoFrame& frame : piece) {
            m_dSum[0] += frame.left;
            m_dSum[1] += frame.right;
            m_fLow[0] = std::min(m_fLow[0], frame.left);
            m_fLow[1] = std::min(m_fLow[1], frame.right);
            m_fHigh[0] = std::max(m_fHigh[0], frame.left);
            m_fHigh[1] = std::max(m_fHigh[1], frame.right);
        }
        m_nSeen += piece.size();
        if (m_pLoudness)
            m_pLoudness->Add(piece);
    }

    // The peak after the means come off, from what was seen.
    double Peak() const
    {
        if (m_nSeen == 0)
            return 0.0;
        double peak = 0.0;
        for (int c = 0; c < 2; ++c) {
            const double mean = m_dSum[c] / static_cast<double>(m_nSeen);
            peak = std::max({peak, std::fabs(m_fLow[c] - mean), std::fabs(m_fHigh[c] - mean)});
        }
        return peak;
    }
    std::optional<double> Loudness() const { return m_pLoudness ? m_pLoudness->Integrated() : std::nullopt; }
    double Share() const { return m_nFrames == 0 ? 1.0 : static_cast<double>(m_nSeen) / static_cast<double>(m_nFrames); }

private:
    SoundSynthesis& m_inner;
    std::uint64_t m_nWarmUp;
    std::uint64_t m_nFrames;
    double m_dSum[2] = {0.0, 0.0};
    float m_fLow[2] = {0.0f, 0.0f};
    float m_fHigh[2] = {0.0f, 0.0f};
    std::uint64_t m_nSeen = 0;
    std::unique_ptr<LoudnessMeter> m_pLoudness;
};

// The gain from a peak (after the means) and, with a target, the loudness
// of the sound before it is scaled.
double GainFrom(const Score& score, double peak, std::optional<double> rawLoudness)
{
    if (peak <= 0.0)
        return 1.0;
    const double volume = score.m_nVolume * 0.01;
    double gain = volume / peak;
    if (score.m_loudness && rawLoudness && std::isfinite(*rawLoudness)) {
        const double finished = *rawLoudness + 20.0 * std::log10(gain);
        gain *= std::min(std::pow(10.0, (*score.m_loudness - finished) / 20.0), 1.0);
    }
    return gain;
}

// The survey gives the machine's spare time to the sound being heard.
void LowerThisThreadsPriority()
{
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}

}  // namespace

LevelSurvey::LevelSurvey() : m_thread([this] { Work(); }) {}

LevelSurvey::~LevelSurvey()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void LevelSurvey::Survey(std::shared_ptr<const CheckedScore> checked)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pPending = std::move(checked);
        ++m_nGeneration;
        m_estimate.m_bExact = false;
        m_estimate.m_dSurveyed = 0.0;
    }
    m_changed.notify_all();
}

LevelEstimate LevelSurvey::GetEstimate() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_estimate;
}

bool LevelSurvey::WaitUntilExact(double timeoutSeconds) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::duration<double>(timeoutSeconds),
                              [this] { return m_estimate.m_bExact; });
}

void LevelSurvey::Publish(const LevelEstimate& estimate, std::uint64_t generation)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nGeneration.load() != generation)
            return;
        m_estimate = estimate;
    }
    m_changed.notify_all();
}

void LevelSurvey::Work()
{
    LowerThisThreadsPriority();
    for (;;) {
        std::shared_ptr<const CheckedScore> checked;
        std::uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_bStop.load() || m_pPending != nullptr; });
            if (m_bStop)
                return;
            checked = std::move(m_pPending);
            generation = m_nGeneration.load();
        }
        Run(*checked, generation);
    }
}

void LevelSurvey::Run(const CheckedScore& checked, std::uint64_t generation)
{
    const Score& score = checked.m_score;
    PieceMaking making = MakePiece(checked, "score", 0, 0, 1);
    if (!making.m_pPiece)
        return;
    const std::uint64_t frames = TrackFrames(score);
    RenderPlan plan;
    const std::int32_t fade = score.m_nFadeSeconds * kRunSampleRate;
    plan.m_layout = score.m_bLoop ? LoopLayout(frames, making.m_pPiece->LongestGrainFrames(), fade) : PlainLayout(frames);
    plan.m_dVolume = score.m_nVolume * 0.01;
    plan.m_nFadeFrames = score.m_bLoop ? 0 : fade;
    WatchedSynthesis watched(making.m_pPiece->Synthesis(), plan.m_layout.m_nWarmUp, frames, score.m_loudness.has_value());

    bool writing = false;
    auto lastPublished = std::chrono::steady_clock::now();
    RenderPacing pacing;
    pacing.m_beginPhase = [&](RenderPipeline::Phase phase) { writing = writing || phase == RenderPipeline::Phase::Writing; };
    pacing.m_progress = [&](RenderPipeline::Phase phase, std::uint64_t, std::uint64_t, std::uint64_t) {
        const auto now = std::chrono::steady_clock::now();
        if (phase != RenderPipeline::Phase::Generating || now - lastPublished < std::chrono::milliseconds(100))
            return;
        lastPublished = now;
        LevelEstimate estimate;
        estimate.m_dGain = GainFrom(score, watched.Peak(), watched.Loudness());
        estimate.m_bKnown = watched.Peak() > 0.0;
        estimate.m_dSurveyed = watched.Share();
        Publish(estimate, generation);
    };
    pacing.m_serve = [] {};
    pacing.m_keepGoing = [&] { return !writing && IsCurrent(generation); };
    pacing.m_endPhase = [](RenderPipeline::Phase) {};

    RenderPipeline pipeline(watched, plan, pacing);
    std::unique_ptr<DeliveryLevelMeter> meter;
    if (score.m_loudness) {
        meter = std::make_unique<DeliveryLevelMeter>(DeliveryLevelPlan{plan.m_dVolume, kRunSampleRate, score.m_loudness});
        pipeline.SetMeter(meter.get());
    }
    NoSink sink;
    pipeline.Run(sink);
    if (!writing || !IsCurrent(generation))
        return;
    // The pass is complete: the renderer's own peak and delivery gain.
    const double peak = pipeline.GetSynthesisedPeak();
    LevelEstimate exact;
    exact.m_dGain = peak > 0.0 ? plan.m_dVolume / peak : 1.0;
    if (meter)
        exact.m_dGain *= meter->GetReport().m_dGain;
    exact.m_bKnown = true;
    // Level evening moves the gain over the track: one gain is its average.
    exact.m_bExact = !score.m_levelRange.has_value();
    exact.m_dSurveyed = 1.0;
    Publish(exact, generation);
}

}  // namespace studio
