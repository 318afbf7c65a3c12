// How near the level estimate comes to the file's gain once 2, 5 and 10 % of
// a track are surveyed in sparse stretches, for sources whose level varies
// (a swell, quiet and loud parts, a rising sweep, noise with bursts, the
// bundled sample), each read by one light layer and by two layers whose gains
// move, for a peak, a loudness and level evening; and what the survey costs
// (seconds for the sparse share and for the exact pass, and for an hour-long
// track with evening), and what the forecast that leads it costs of that
// (the forecast alone, against the sparse survey of 5 % it is part of, each
// the least of three rounds taken in turn). Each row's figure is the error of
// largest magnitude over its seeds; with evening it is the largest, over the
// track, of the difference between the estimated and the exact gain at each
// place.
//
// With --seeds N, each row is rendered with N seeds (three by default), and
// each column also says the mean magnitude of the error and the share of
// seeds within 1 dB, over the row and over all rows shown. With evening, a
// row also says how far the exact gain strays between seeds: the evened
// track's peak as it is, and over two levels the forecast of the grain
// schedule gives (the loudest stretch's, and the whole track's, each at the
// exact evening's gain): what no estimate of a track from a part of it can
// know.
//
// --first-seed S renders with seeds S, S + 1 and so on instead (seeds no
// change was tried on).
//
//   build/bench/level_estimate_bench [--seeds N] [--first-seed S] [part of a row's name: only those rows]
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "live_session/level_estimate.h"
#include "live_session/level_pilot.h"
#include "studio/listening/source_cache.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRate = 44100.0;
constexpr double kSourceSeconds = 10.0;
// The seeds each row is rendered with, by default; more go on from kMoreSeeds.
constexpr std::uint32_t kSeeds[] = {4321, 11, 2026};
constexpr std::uint32_t kMoreSeeds = 100;
constexpr double kShares[] = {0.02, 0.05, 0.1};

using Shape = std::function<StereoFrame(double seconds, std::uint32_t& noise)>;

// A white noise draw in [-1, 1) from a linear congruential generator.
float Noise(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
}

std::vector<StereoFrame> SourceOf(const Shape& shape)
{
    std::vector<StereoFrame> sound(static_cast<std::size_t>(kSourceSeconds * kRate));
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < sound.size(); ++i)
        sound[i] = shape(static_cast<double>(i) / kRate, noise);
    return sound;
}

StereoFrame Tones(double t, double level)
{
    return {static_cast<float>(level * (0.4 * std::sin(2 * M_PI * 440 * t) + 0.1 * std::sin(2 * M_PI * 3 * t))),
            static_cast<float>(level * 0.3 * std::sin(2 * M_PI * 661 * t))};
}

struct NamedSource {
    std::string m_strName;
    std::shared_ptr<std::vector<StereoFrame>> m_pSound;
};

std::vector<NamedSource> Sources(const SoundBuffer* sample)
{
    std::vector<NamedSource> sources;
    const auto add = [&](const char* name, const Shape& shape) {
        sources.push_back({name, std::make_shared<std::vector<StereoFrame>>(SourceOf(shape))});
    };
    add("swell", [](double t, std::uint32_t&) {
        return Tones(t, 0.05 + 0.95 * std::pow(std::sin(M_PI * t / kSourceSeconds), 4));
    });
    add("steps", [](double t, std::uint32_t&) { return Tones(t, std::fmod(t, 3.5) < 3.0 ? 0.06 : 1.0); });
    add("sweep", [](double t, std::uint32_t&) {
        const double phase = 2 * M_PI * 100 * kSourceSeconds / std::log(80.0) * (std::pow(80.0, t / kSourceSeconds) - 1);
        const auto value = static_cast<float>(0.1 * std::pow(10.0, t / kSourceSeconds) * std::sin(phase));
        return StereoFrame{value, value * 0.7f};
    });
    add("bursts", [](double t, std::uint32_t& noise) {
        const double level = std::fmod(t, 1.3) < 0.04 ? 0.9 : 0.03;
        return StereoFrame{static_cast<float>(level * Noise(noise)), static_cast<float>(level * Noise(noise))};
    });
    if (sample != nullptr) {
        const std::span<const StereoFrame> frames = sample->Span();
        sources.push_back({"sample", std::make_shared<std::vector<StereoFrame>>(frames.begin(), frames.end())});
    }
    return sources;
}

Keyframe GainAt(double seconds, double db)
{
    Keyframe keyframe;
    keyframe.m_dSeconds = seconds;
    keyframe.m_curve = Curve::Smooth;
    keyframe.m_gainDb = db;
    return keyframe;
}

ScoreLayer Layer()
{
    ScoreLayer layer;
    layer.m_strSourcePath = "source";
    layer.m_values.Set(ParameterId::Density, 500);
    layer.m_values.Set(ParameterId::GrainLength, 80);
    layer.m_values.Set(ParameterId::Segment, 3);
    return layer;
}

// One light layer, or two whose gains move (one by 12 dB along keyframes,
// one steady 18 dB under it).
Score ScoreOf(bool moving, int seconds)
{
    Score score;
    score.m_nLengthSeconds = seconds;
    score.m_layers = {Layer()};
    if (moving) {
        const double s = seconds;
        score.m_layers[0].m_keyframes = {GainAt(0, -12), GainAt(0.4 * s, 0), GainAt(0.7 * s, -3), GainAt(s, -9)};
        ScoreLayer under = Layer();
        under.m_dGainDb = -18;
        score.m_layers.push_back(under);
    }
    return score;
}

struct Outcome {
    LevelEstimate m_estimate;
    double m_dSeconds = 0.0;
};

std::shared_ptr<SessionScore> SessionOf(const Score& score, const NamedSource& source, std::uint32_t seed)
{
    auto session = std::make_shared<SessionScore>();
    session->m_pScore = std::make_shared<const Score>(score);
    session->m_nSeed = seed;
    session->m_sources["source"] = *source.m_pSound;
    session->m_pHeld = source.m_pSound;
    return session;
}

Outcome Survey(const Score& score, const NamedSource& source, std::uint32_t seed, bool sparseOnly, double share)
{
    const std::shared_ptr<SessionScore> session = SessionOf(score, source, seed);
    LevelEstimator::Options options;
    options.m_bSparseOnly = sparseOnly;
    options.m_dSparseShare = share;
    options.m_bLowerPriority = false;
    LevelEstimator estimator(options);
    const auto began = Clock::now();
    estimator.Survey(session);
    estimator.WaitUntilDone(3600);
    return {estimator.GetEstimate(), std::chrono::duration<double>(Clock::now() - began).count()};
}

// The largest difference in dB between the gains the two estimates give
// over a track of frames frames (every 100 ms).
double LargestErrorDb(const LevelEstimate& early, const LevelEstimate& exact, std::uint64_t frames)
{
    double largest = 0.0;
    for (std::uint64_t frame = 0; frame < frames; frame += 4410) {
        const double error = 20.0 * std::log10(early.GainAt(frame) / exact.GainAt(frame));
        if (std::fabs(error) > std::fabs(largest))
            largest = error;
    }
    return largest;
}

// The forecast of the whole track alone, as the survey makes it: seconds,
// and how many grains it decided.
std::pair<double, std::uint64_t> ForecastAlone(const Score& score, const NamedSource& source)
{
    const std::shared_ptr<SessionScore> session = SessionOf(score, source, kSeeds[0]);
    const std::uint64_t frames = TrackFramesOf(score);
    const ScorePiece::Making made = MakeSessionPiece(*session, score, frames, SessionPieceUse::SparseSurvey);
    const auto began = Clock::now();
    LevelPilot pilot(*made.m_pPiece, frames, LevelEstimator::Options{}.m_nStretchFrames);
    pilot.Reach(frames, [] { return true; });
    return {std::chrono::duration<double>(Clock::now() - began).count(), pilot.GrainsDecided()};
}

void PrintForecastCost(const std::string& name, const Score& score, const NamedSource& source)
{
    double forecast = INFINITY;
    double sparse = INFINITY;
    std::uint64_t grains = 0;
    for (int round = 0; round < 3; ++round) {
        const auto [seconds, decided] = ForecastAlone(score, source);
        forecast = std::min(forecast, seconds);
        grains = decided;
        sparse = std::min(sparse, Survey(score, source, kSeeds[0], true, 0.05).m_dSeconds);
    }
    std::printf("%-34s %9.3f %9.0f %9.3f %8.0f %%\n", name.c_str(), forecast, grains / forecast * 1e-6, sparse,
                100.0 * forecast / sparse);
}

// The errors of one column of a row, or of all rows, in dB, one a seed.
class Errors {
public:
    void Add(double error) { m_errors.push_back(error); }
    void Add(const Errors& other) { m_errors.insert(m_errors.end(), other.m_errors.begin(), other.m_errors.end()); }
    double Worst() const
    {
        double worst = 0.0;
        for (const double error : m_errors)
            worst = std::fabs(error) > std::fabs(worst) ? error : worst;
        return worst;
    }
    double MeanMagnitude() const
    {
        double sum = 0.0;
        for (const double error : m_errors)
            sum += std::fabs(error);
        return m_errors.empty() ? 0.0 : sum / static_cast<double>(m_errors.size());
    }
    double ShareWithin(double db) const
    {
        const auto within =
            std::count_if(m_errors.begin(), m_errors.end(), [db](double e) { return std::fabs(e) <= db; });
        return m_errors.empty() ? 0.0 : static_cast<double>(within) / static_cast<double>(m_errors.size());
    }

private:
    std::vector<double> m_errors;
};

// count seeds: the default ones and on from kMoreSeeds, or with a first
// seed, that and those after it.
std::vector<std::uint32_t> SeedsOf(int count, std::optional<std::uint32_t> firstSeed)
{
    std::vector<std::uint32_t> seeds;
    for (int i = 0; i < count; ++i) {
        const auto step = static_cast<std::uint32_t>(i);
        if (firstSeed)
            seeds.push_back(*firstSeed + step);
        else
            seeds.push_back(i < static_cast<int>(std::size(kSeeds)) ? kSeeds[i] : kMoreSeeds + step);
    }
    return seeds;
}

// The forecast energy of every stretch of the track score renders with seed.
std::vector<float> ForecastOf(const Score& score, const NamedSource& source, std::uint32_t seed)
{
    const std::shared_ptr<SessionScore> session = SessionOf(score, source, seed);
    const std::uint64_t frames = TrackFramesOf(score);
    const ScorePiece::Making made = MakeSessionPiece(*session, score, frames, SessionPieceUse::SparseSurvey);
    LevelPilot pilot(*made.m_pPiece, frames, LevelEstimator::Options{}.m_nStretchFrames);
    pilot.Reach(frames, [] { return true; });
    return {pilot.Energies().begin(), pilot.Energies().end()};
}

// An evened track's exact peak in dB, and the same over the levels the
// forecast gives it at the exact evening's gain: its loudest stretch's, and
// its whole track's (each up to one constant, the same for every seed).
struct EvenedPeak {
    double m_dPeakDb = 0.0;
    double m_dOverLoudestDb = 0.0;
    double m_dOverTrackDb = 0.0;
};

EvenedPeak EvenedPeakOf(const Score& score, const LevelEstimate& exact, std::span<const float> forecast)
{
    const std::uint64_t stretchFrames = LevelEstimator::Options{}.m_nStretchFrames;
    double loudest = 0.0;
    double sum = 0.0;
    for (std::size_t j = 0; j < forecast.size(); ++j) {
        const double gain = exact.m_pEvening ? exact.m_pEvening->At(j * stretchFrames + stretchFrames / 2) : 1.0;
        const double energy = forecast[j] * gain * gain;
        loudest = std::max(loudest, energy);
        sum += energy;
    }
    EvenedPeak peak;
    peak.m_dPeakDb = 20.0 * std::log10(score.m_nVolume * 0.01 / exact.m_dGain);
    peak.m_dOverLoudestDb = peak.m_dPeakDb - 10.0 * std::log10(loudest);
    peak.m_dOverTrackDb = peak.m_dPeakDb - 10.0 * std::log10(sum / static_cast<double>(forecast.size()));
    return peak;
}

// How far values stray from their median: the median, the lowest and
// highest less it, their standard deviation, the mean distance from the
// median and the share within 1 dB of it (what an estimate that always
// answered the median would err by).
void PrintSpread(const char* what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto n = static_cast<double>(values.size());
    const std::size_t half = values.size() / 2;
    const double median = values.size() % 2 == 1 ? values[half] : 0.5 * (values[half - 1] + values[half]);
    double mean = 0.0;
    for (const double value : values)
        mean += value / n;
    double variance = 0.0;
    double distance = 0.0;
    double within = 0.0;
    for (const double value : values) {
        variance += (value - mean) * (value - mean) / std::max(n - 1.0, 1.0);
        distance += std::fabs(value - median) / n;
        within += std::fabs(value - median) <= 1.0 ? 1.0 / n : 0.0;
    }
    std::printf("    %-36s median %+7.2f, from %+5.2f to %+5.2f, sd %4.2f, mean |off| %4.2f, in 1 dB %3.0f %%\n", what,
                median, values.front() - median, values.back() - median, std::sqrt(variance), distance, 100 * within);
}

void PrintEvenedSpread(const std::vector<EvenedPeak>& peaks)
{
    std::vector<double> asIs;
    std::vector<double> overLoudest;
    std::vector<double> overTrack;
    for (const EvenedPeak& peak : peaks) {
        asIs.push_back(peak.m_dPeakDb);
        overLoudest.push_back(peak.m_dOverLoudestDb);
        overTrack.push_back(peak.m_dOverTrackDb);
    }
    PrintSpread("exact evened peak", asIs);
    PrintSpread("over the forecast's loudest stretch", overLoudest);
    PrintSpread("over the forecast's whole track", overTrack);
}

Score RowScore(const char* target, bool moving, int seconds)
{
    Score score = ScoreOf(moving, seconds);
    if (std::string(target) == "loudness") {
        score.m_loudness = -30.0;
        score.m_nVolume = 90;
    } else if (std::string(target) == "evening") {
        score.m_levelRange = 6.0;
    }
    return score;
}

// One row: the worst error at each share (and with several seeds the mean
// magnitude and the share within 1 dB), seconds, and with evening how the
// exact peak strays between seeds. Adds its errors to totals.
void PrintRow(const std::string& name, const char* target, const Score& score, const NamedSource& source,
              const std::vector<std::uint32_t>& seeds, Errors (&totals)[3])
{
    Errors errors[3];
    double secondsAtFive = 0.0;
    double secondsExact = 0.0;
    bool allExact = true;
    std::vector<EvenedPeak> evened;
    for (const std::uint32_t seed : seeds) {
        const Outcome exact = Survey(score, source, seed, false, 0.1);
        allExact = allExact && exact.m_estimate.m_bExact;
        secondsExact += exact.m_dSeconds / static_cast<double>(seeds.size());
        for (std::size_t column = 0; column < std::size(kShares); ++column) {
            const Outcome early = Survey(score, source, seed, true, kShares[column]);
            if (kShares[column] == 0.05)
                secondsAtFive += early.m_dSeconds / static_cast<double>(seeds.size());
            errors[column].Add(LargestErrorDb(early.m_estimate, exact.m_estimate, TrackFramesOf(score)));
        }
        if (seeds.size() > std::size(kSeeds) && std::string(target) == "evening")
            evened.push_back(EvenedPeakOf(score, exact.m_estimate, ForecastOf(score, source, seed)));
    }
    std::printf("%-34s %+8.2f %+8.2f %+8.2f %9.3f %9.2f%s\n", name.c_str(), errors[0].Worst(), errors[1].Worst(),
                errors[2].Worst(), secondsAtFive, secondsExact, allExact ? "" : " (not exact)");
    if (seeds.size() > std::size(kSeeds)) {
        std::printf("    mean |error| %5.2f %5.2f %5.2f dB; within 1 dB %3.0f %3.0f %3.0f %%\n",
                    errors[0].MeanMagnitude(), errors[1].MeanMagnitude(), errors[2].MeanMagnitude(),
                    100 * errors[0].ShareWithin(1.0), 100 * errors[1].ShareWithin(1.0),
                    100 * errors[2].ShareWithin(1.0));
    }
    if (!evened.empty())
        PrintEvenedSpread(evened);
    for (std::size_t column = 0; column < std::size(kShares); ++column)
        totals[column].Add(errors[column]);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int seedCount = static_cast<int>(std::size(kSeeds));
    std::optional<std::uint32_t> firstSeed;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--seeds" && i + 1 < argc)
            seedCount = std::max(1, std::atoi(argv[++i]));
        else if (std::string(argv[i]) == "--first-seed" && i + 1 < argc)
            firstSeed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else
            only = argv[i];
    }
    const std::vector<std::uint32_t> seeds = SeedsOf(seedCount, firstSeed);
    studio::SourceCache cache;
    const studio::LoadedSource loaded = cache.Load(SONNELITH_SAMPLE_PATH);
    const std::vector<NamedSource> sources = Sources(loaded.m_pSound.get());
    constexpr int kSeconds = 180;
    std::printf("Level estimate of 3-minute tracks: error in dB against the exact gain (estimate minus exact;\n"
                "with evening the largest over the track), the worst of %zu seeds, and seconds taken on one thread\n",
                seeds.size());
    std::printf("%-34s %8s %8s %8s %9s %9s\n", "source, layers, target", "2 %", "5 %", "10 %", "s at 5 %", "s exact");
    Errors totals[3];
    for (const NamedSource& source : sources) {
        for (const bool moving : {false, true}) {
            for (const char* target : {"peak", "loudness", "evening"}) {
                const std::string name =
                    source.m_strName + (moving ? ", two moving" : ", one") + ", " + target;
                if (name.find(only) == std::string::npos)
                    continue;
                PrintRow(name, target, RowScore(target, moving, kSeconds), source, seeds, totals);
            }
        }
    }
    if (seeds.size() > std::size(kSeeds)) {
        std::printf("All rows shown: mean |error| %5.2f %5.2f %5.2f dB; within 1 dB %3.0f %3.0f %3.0f %%\n",
                    totals[0].MeanMagnitude(), totals[1].MeanMagnitude(), totals[2].MeanMagnitude(),
                    100 * totals[0].ShareWithin(1.0), 100 * totals[1].ShareWithin(1.0),
                    100 * totals[2].ShareWithin(1.0));
    }
    // What the survey of a long track costs: an hour of the sample with
    // level evening, whose plan is drawn again with each estimate.
    if (std::string("hour").find(only) != std::string::npos || only.empty()) {
        Score score = ScoreOf(false, 3600);
        score.m_levelRange = 6.0;
        const NamedSource& sample = sources.back();
        const Outcome sparse = Survey(score, sample, kSeeds[0], true, 0.05);
        const Outcome exact = Survey(score, sample, kSeeds[0], false, 0.1);
        std::printf("An hour of %s, one layer, evening: 5 %% surveyed in %.2f s; exact after %.1f s (10 %% sparse, "
                    "then the pass in order); error at 5 %% %+.2f dB\n",
                    sample.m_strName.c_str(), sparse.m_dSeconds, exact.m_dSeconds,
                    LargestErrorDb(sparse.m_estimate, exact.m_estimate, TrackFramesOf(score)));
    }
    // What the forecast costs of the sparse survey it leads.
    if (std::string("forecast").find(only) != std::string::npos || only.empty()) {
        std::printf("\nThe forecast's own cost (least of three rounds, in turn with the sparse survey it is part of)\n");
        std::printf("%-34s %9s %9s %9s %9s\n", "track, layers", "forecast", "M grain/s", "5 % (s)", "share");
        const NamedSource& sample = sources.back();
        PrintForecastCost("3 min of sample, one", ScoreOf(false, kSeconds), sample);
        PrintForecastCost("3 min of sample, two moving", ScoreOf(true, kSeconds), sample);
        Score dense = ScoreOf(false, kSeconds);
        dense.m_layers[0].m_values.Set(ParameterId::Density, 10000);
        PrintForecastCost("3 min of sample, one at 10000/s", dense, sample);
        PrintForecastCost("an hour of sample, one", ScoreOf(false, 3600), sample);
    }
    return 0;
}
