// How the live session keeps up: its real-time factor on two worker threads
// (seconds of sound handed to a consumer that pulls as fast as it can, per
// second of wall time, from ten minutes into a track) for one, two and four
// layers of the bundled sample at the defaults and with grains that each
// differ (pitch spread 12, pan spread 100, reverse 50), and for the densest
// one-layer settings (density 10000, 2000 ms grains, pitch spread 12), and
// for one layer at the defaults through one effect (mda's Delay); the
// processor time per second of sound beside it, and that of the renderer's
// excerpt of the same score from the same place on one thread (in the
// renderer's own windows). Then the time from an edit
// to the first frame of the edited score heard by a consumer that pulls in
// real time, over several edits, and the level estimate's progress: its
// error against the exact gain at 5 % and 10 % surveyed of a 5-minute score.
//
//   build/bench/live_session_bench [part of a row's name: only those rows]
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "live_session/level_estimate.h"
#include "live_session/live_session.h"
#include "engine/run/score_piece.h"
#include "studio/listening/session_live_render.h"
#include "studio/listening/source_cache.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
    std::shared_ptr<const SoundBuffer> m_pSound;
};

std::shared_ptr<const SessionScore> SessionOf(const Score& score, const Sample& sample, std::uint32_t seed = 11)
{
    auto session = std::make_shared<SessionScore>();
    session->m_pScore = std::make_shared<const Score>(score);
    session->m_nSeed = seed;
    session->m_sources["sample"] = sample.m_pSound->Span();
    session->m_pHeld = sample.m_pSound;
    session->m_makeChain = studio::PluginChainMaker();
    return session;
}

enum class Grains { Defaults, Varied, Unspread, Densest };

Score ScoreOf(int layers, Grains grains, int seconds)
{
    Score score;
    score.m_nLengthSeconds = seconds;
    for (int i = 0; i < layers; ++i) {
        ScoreLayer layer;
        layer.m_strSourcePath = "sample";
        layer.m_values.Set(ParameterId::Pitch, 3 * i);
        if (grains == Grains::Varied) {
            layer.m_values.Set(ParameterId::PitchSpread, 12);
            layer.m_values.Set(ParameterId::PanSpread, 100);
            layer.m_values.Set(ParameterId::Reverse, 50);
        } else if (grains == Grains::Unspread) {
            layer.m_values.Set(ParameterId::PitchSpread, 12);
            layer.m_values.Set(ParameterId::Reverse, 50);
        } else if (grains == Grains::Densest) {
            layer.m_values.Set(ParameterId::Density, 10000);
            layer.m_values.Set(ParameterId::GrainLength, 2000);
            layer.m_values.Set(ParameterId::PitchSpread, 12);
        }
        score.m_layers.push_back(layer);
    }
    return score;
}

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The frames the consumer moved on by.
std::uint64_t Moved(std::uint64_t before, std::uint64_t after)
{
    return after >= before ? after - before : 0;
}

void RealTimeFactor(const char* name, const Score& score, const Sample& sample, double seconds)
{
    LiveSessionOptions options;
    options.m_nWorkers = 2;
    options.m_bSurveyLevel = false;
    options.m_bIndex = false;
    LiveSession session(options);
    session.SetGain(1.0);
    session.SetScore(SessionOf(score, sample));
    const std::uint64_t start = 600 * 44100;
    session.Start(start);
    std::vector<StereoFrame> block(1024);
    std::uint64_t before = start;
    std::uint64_t sound = 0;
    // Measured once the first second has been pulled, past the stream's
    // short first stretches: from then on about as much is rendered ahead,
    // or under way, at the start as at the end, so the times are those of
    // the sound pulled.
    constexpr std::uint64_t kSettling = 44100;
    const auto wanted = kSettling + static_cast<std::uint64_t>(seconds * 44100);
    std::uint64_t measuredFrom = 0;
    Clock::time_point began{};
    double processBegan = 0.0;
    while (sound < wanted) {
        session.Fill(block.data(), block.size());
        const std::uint64_t after = session.GetConsumerFrame();
        const std::uint64_t got = Moved(before, after);
        before = after;
        if (sound < kSettling && sound + got >= kSettling) {
            began = Clock::now();
            processBegan = ProcessSeconds();
            measuredFrom = sound + got;
        }
        sound += got;
        if (got < block.size())
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    sound -= measuredFrom;
    const double wall = std::chrono::duration<double>(Clock::now() - began).count();
    const double process = ProcessSeconds() - processBegan;
    const double audio = static_cast<double>(sound) / 44100;
    std::printf("%-40s %7.2f x real time   %6.3f s of processor time per second of sound\n", name, audio / wall,
                process / audio);
}

// The renderer's excerpt of frames frames from first (before finishing).
std::vector<StereoFrame> Excerpt(const Score& score, const Sample& sample, std::uint64_t first, std::uint64_t frames,
                                 int threads = 0)
{
    PieceRequest request;
    request.m_pScore = &score;
    request.m_nSeed = 11;
    request.m_nExcerptFirst = first;
    request.m_nExcerptFrames = frames;
    request.m_makeChain = studio::PluginChainMaker();
    const std::map<std::string, std::span<const StereoFrame>> sounds{{"sample", sample.m_pSound->Span()}};
    SynthesisOptions options;
    options.m_nThreads = threads;
    std::unique_ptr<ScorePiece> piece = ScorePiece::Make(request, sounds, options).m_pPiece;
    std::vector<StereoFrame> sound(frames, StereoFrame{0.0f, 0.0f});
    piece->Synthesis().Begin(frames);
    for (std::uint64_t done = 0; done < frames; done += 4096)
        piece->Synthesis().RenderWindow(std::span<StereoFrame>(sound.data() + done, std::min<std::uint64_t>(4096, frames - done)), done);
    piece->Synthesis().End();
    return sound;
}

// The processor time per second of sound of the renderer's excerpt of the
// same score from the same place as RealTimeFactor's, on one thread.
void RenderCost(const Score& score, const Sample& sample, double seconds)
{
    const double began = ProcessSeconds();
    const auto frames = static_cast<std::uint64_t>(seconds * 44100);
    const std::vector<StereoFrame> sound = Excerpt(score, sample, 600 * 44100, frames, 1);
    const double process = ProcessSeconds() - began;
    std::printf("%-40s %6.3f s of processor time per second of sound (%zu frames)\n", "  the excerpt's render, 1 thread",
                process / seconds, sound.size());
}

bool Same(const StereoFrame& a, const StereoFrame& b)
{
    return a.left == b.left && a.right == b.right;
}

// Seconds of sound from an edit to the first frame from which on the
// consumer hears the edited score's excerpt as it is; negative when it never
// does.
double EditToHeard(const Score& before, const Score& after, const Sample& sample)
{
    LiveSessionOptions options;
    options.m_nWorkers = 2;
    options.m_bSurveyLevel = false;
    options.m_bIndex = false;
    LiveSession session(options);
    session.SetGain(1.0);
    session.SetScore(SessionOf(before, sample));
    const std::uint64_t start = 30 * 44100;
    session.Start(start);
    // Only the sound is kept: a frame is sound when the consumer's place
    // moved on by it (a busy machine's render may fall behind).
    constexpr std::size_t kBlock = 256;
    std::vector<StereoFrame> pulled;
    std::vector<StereoFrame> block(kBlock);
    std::uint64_t place = start;
    std::size_t editedAt = 0;
    auto next = Clock::now();
    const auto deadline = next + std::chrono::seconds(120);
    while (pulled.size() < 65536 && Clock::now() < deadline) {
        session.Fill(block.data(), kBlock);
        const std::uint64_t now = session.GetConsumerFrame();
        const auto got = static_cast<long>(std::min<std::uint64_t>(Moved(place, now), kBlock));
        pulled.insert(pulled.end(), block.begin(), block.begin() + got);
        place = now;
        if (editedAt == 0 && pulled.size() >= 22050) {
            session.SetScore(SessionOf(after, sample));
            editedAt = pulled.size();
        }
        next += std::chrono::microseconds(kBlock * 1000000 / 44100);
        std::this_thread::sleep_until(next);
    }
    const std::vector<StereoFrame> edited = Excerpt(after, sample, start, pulled.size());
    for (std::size_t i = editedAt; i < pulled.size(); ++i) {
        if (std::equal(pulled.begin() + static_cast<long>(i), pulled.end(), edited.begin() + static_cast<long>(i), Same))
            return static_cast<double>(i - editedAt) / 44100;
    }
    return -1.0;
}

void LevelProgress(const Sample& sample)
{
    Score score = ScoreOf(2, Grains::Defaults, 300);
    score.m_layers[1].m_dGainDb = -6;
    Keyframe rise;
    rise.m_dSeconds = 150;
    rise.m_gainDb = 6;
    score.m_layers[0].m_keyframes = {rise};
    const auto survey = [&](bool sparseOnly, double share) {
        LevelEstimator::Options options;
        options.m_bSparseOnly = sparseOnly;
        options.m_dSparseShare = share;
        options.m_bLowerPriority = false;
        LevelEstimator estimator(options);
        const auto began = Clock::now();
        estimator.Survey(SessionOf(score, sample));
        estimator.WaitUntilDone(3600);
        return std::pair{estimator.GetEstimate(), std::chrono::duration<double>(Clock::now() - began).count()};
    };
    const auto [exact, exactSeconds] = survey(false, 0.1);
    std::printf("Level of a 5-minute two-layer score: exact %.2f dB after %.1f s (sparse 10 %%, then a pass in order)\n",
                20 * std::log10(exact.m_dGain), exactSeconds);
    for (const double share : {0.05, 0.1}) {
        const auto [early, seconds] = survey(true, share);
        std::printf("  at %4.1f %% surveyed (%.2f s): %.2f dB, %+.2f dB from exact\n", early.m_dSurveyed * 100, seconds,
                    20 * std::log10(early.m_dGain), 20 * std::log10(early.m_dGain / exact.m_dGain));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string only = argc > 1 ? argv[1] : "";
    const auto wanted = [&only](const std::string& name) { return name.find(only) != std::string::npos; };
    studio::SourceCache cache;
    const studio::LoadedSource loaded = cache.Load(SONNELITH_SAMPLE_PATH);
    if (!loaded.m_pSound) {
        std::fprintf(stderr, "cannot load the sample: %s\n", loaded.m_strError.c_str());
        return 1;
    }
    const Sample sample{loaded.m_pSound};
    std::printf("Live session on 2 worker threads, %u processors\n", std::thread::hardware_concurrency());
    const auto row = [&](const std::string& name, const Score& score, double seconds) {
        if (!wanted(name))
            return;
        RealTimeFactor(name.c_str(), score, sample, seconds);
        RenderCost(score, sample, seconds);
    };
    for (const int layers : {1, 2, 4}) {
        const std::string count = std::to_string(layers) + (layers > 1 ? " layers" : " layer");
        row(count + ", defaults", ScoreOf(layers, Grains::Defaults, 1200), 20);
        row(count + ", pitch, pan and reverse", ScoreOf(layers, Grains::Varied, 1200), 20);
    }
    // No pan spread: the layer is not shaped (no width), so its stretches need no prefeed.
    row("1 layer, pitch and reverse, no pan spread", ScoreOf(1, Grains::Unspread, 1200), 20);
    row("1 layer, densest (10000, 2000 ms, pitch 12)", ScoreOf(1, Grains::Densest, 1200), 10);
    Score delayed = ScoreOf(1, Grains::Defaults, 1200);
    EffectSetting delay;
    delay.m_strPlugin = "http://drobilla.net/plugins/mda/Delay";
    delayed.m_layers[0].m_effects = {delay};
    try {
        studio::PluginChainMaker()(delayed.m_layers[0].m_effects);
        row("1 layer, defaults, one effect (mda Delay)", delayed, 20);
    } catch (const SoundChainFailure& failure) {
        std::printf("1 layer, one effect: left out (%s)\n", failure.what());
    }
    if (!only.empty())
        return 0;
    const Score before = ScoreOf(1, Grains::Defaults, 120);
    Score after = before;
    after.m_layers[0].m_values.Set(ParameterId::Pitch, 7);
    std::vector<double> latencies;
    for (int trial = 0; trial < 5; ++trial)
        latencies.push_back(EditToHeard(before, after, sample));
    std::sort(latencies.begin(), latencies.end());
    std::printf("Edit to heard (1 layer, defaults, 5 edits): shortest %.0f ms, median %.0f ms, longest %.0f ms\n",
                latencies.front() * 1000, latencies[2] * 1000, latencies.back() * 1000);
    LevelProgress(sample);
    return 0;
}
