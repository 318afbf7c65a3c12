#include "live_session/level_pilot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>

#include "engine/run/score_piece.h"
#include "engine/seek/seek_plan.h"
#include "engine/source/source_loudness.h"

namespace {

// How often a long forecast asks whether to go on: a few thousand grains
// are decided in well under a millisecond.
constexpr std::uint64_t kGrainsBetweenPolls = 4096;

// The energy of a source's frames by position: running sums over short
// blocks, read between them as if each block's energy were spread evenly
// over it. Blocks are short beside any grain, and few enough to keep the
// sums of an hour's source within a few megabytes.
class SourceEnergyMap {
public:
    explicit SourceEnergyMap(std::span<const StereoFrame> frames)
        : m_nFrames(frames.size()), m_nBlockBits(BlockBitsFor(frames.size()))
    {
        const std::uint64_t block = std::uint64_t{1} << m_nBlockBits;
        m_dPerBlock = 1.0 / static_cast<double>(block);
        m_sums.reserve(frames.size() / block + 2);
        m_sums.push_back(0.0);
        double sum = 0.0;
        for (std::uint64_t first = 0; first < frames.size(); first += block) {
            const std::uint64_t end = std::min<std::uint64_t>(first + block, frames.size());
            for (std::uint64_t i = first; i < end; ++i) {
                const double left = frames[i].left;
                const double right = frames[i].right;
                const double energy = left * left + right * right;
                sum += std::isfinite(energy) ? energy : 0.0;
            }
            m_sums.push_back(sum);
        }
        m_sums.push_back(sum);  // past the last block: nothing more
        MeasureWeighting(frames);
    }

    // What K-weighting makes of the energy of the source around position
    // (the ratio of its weighted to its plain energy over a 100 ms block):
    // loudness hears the high frequencies more and the lowest not at all.
    double WeightingAt(double position) const
    {
        const double block = std::max(position, 0.0) / static_cast<double>(SourceLoudness::kBlockFrames);
        return m_weighting[std::min(static_cast<std::size_t>(block), m_weighting.size() - 1)];
    }

    // The mean energy of a frame between source positions from and to
    // (either way round).
    double MeanBetween(double from, double to) const
    {
        const auto frames = static_cast<double>(m_nFrames);
        double low = std::clamp(std::min(from, to), 0.0, frames);
        double high = std::clamp(std::max(from, to), 0.0, frames);
        if (high - low < 1.0) {
            // A grain read (nearly) at one place: the energy of its frame.
            low = std::max(0.0, std::min(low, frames - 1.0));
            high = low + 1.0;
        }
        return (SumTo(high) - SumTo(low)) / (high - low);
    }

private:
    void MeasureWeighting(std::span<const StereoFrame> frames)
    {
        const SourceLoudness weighted(frames);
        const auto blockFrames = static_cast<std::size_t>(SourceLoudness::kBlockFrames);
        m_weighting.assign(std::max<std::size_t>(weighted.Blocks(), 1), 1.0f);
        for (std::size_t b = 0; b < weighted.Blocks(); ++b) {
            // The plain energy from the running sums already made.
            const std::size_t end = std::min(frames.size(), (b + 1) * blockFrames);
            const double plain = MeanBetween(static_cast<double>(b * blockFrames), static_cast<double>(end));
            if (plain > 0.0)
                m_weighting[b] = static_cast<float>(weighted.BlockEnergy(b) / plain);
        }
    }

    // Blocks of 16 frames, or longer ones for a long source, so that there
    // are at most about a million.
    static int BlockBitsFor(std::uint64_t frames)
    {
        int bits = 4;
        while ((frames >> bits) > (std::uint64_t{1} << 20))
            ++bits;
        return bits;
    }

    double SumTo(double position) const
    {
        const double at = position * m_dPerBlock;
        const auto block = static_cast<std::size_t>(at);
        return m_sums[block] + (m_sums[block + 1] - m_sums[block]) * (at - static_cast<double>(block));
    }

    std::uint64_t m_nFrames;
    int m_nBlockBits;
    double m_dPerBlock = 1.0;
    std::vector<double> m_sums;  // of the blocks before each block
    std::vector<float> m_weighting;  // by 100 ms block (see WeightingAt)
};

// The energy of the Hann window sin²(πx) from its start to the share u of
// its length: ∫₀ᵘ sin⁴(πx) dx, 3/8 over the whole window. Tabulated, read
// between the entries: a grain's share of a stretch needs no sines.
class WindowEnergy {
public:
    WindowEnergy()
    {
        for (std::size_t i = 0; i < kEntries; ++i) {
            const double u = static_cast<double>(i) / (kEntries - 1);
            m_table[i] = 3.0 * u / 8.0 - std::sin(2.0 * M_PI * u) / (4.0 * M_PI) + std::sin(4.0 * M_PI * u) / (32.0 * M_PI);
        }
    }
    double UpTo(double u) const
    {
        const double at = std::clamp(u, 0.0, 1.0) * (kEntries - 1);
        const auto i = std::min(static_cast<std::size_t>(at), kEntries - 2);
        return m_table[i] + (m_table[i + 1] - m_table[i]) * (at - static_cast<double>(i));
    }

private:
    static constexpr std::size_t kEntries = 1025;
    std::array<double, kEntries> m_table{};
};

const WindowEnergy kHannEnergy;

}  // namespace

// One layer's grains, decided in order, each adding its share to the
// stretches it reaches.
class LevelPilot::Layer {
public:
    Layer(const ScorePiece& piece, std::size_t index, const LayerSchedulePlan& plan, std::uint64_t renderFrames,
          std::uint64_t warmUp, std::shared_ptr<const SourceEnergyMap> source)
        : m_piece(piece)
        , m_nIndex(index)
        , m_schedule(plan, renderFrames, warmUp)
        , m_nWarmUp(warmUp)
        , m_pSource(std::move(source))
        , m_nStride(StrideOf(plan.m_settings))
        , m_pHold(piece.LayerLevelHold(index))
    {
        if (m_pHold != nullptr) {
            // A thousand frames, or more for a source of hours: at most a
            // quarter of a million steps.
            const std::size_t frames = piece.LayerSourceFrames(index).size();
            m_nHoldStep = std::max<std::size_t>(1024, (frames >> 18) + 1);
            m_holds.resize(frames / m_nHoldStep + 1);
        }
    }

    // Decides the grains that start before track frame frame, at most
    // grains of them; answers how many.
    std::uint64_t Reach(std::uint64_t frame, std::uint64_t grains, const Forecasts& forecasts,
                        std::uint64_t stretchFrames)
    {
        GrainScheduler& scheduler = m_schedule.Scheduler();
        std::uint64_t decided = 0;
        while (decided < grains && !scheduler.IsComplete() && scheduler.NextGrain().m_nStart < m_nWarmUp + frame) {
            if (scheduler.NextGrain().m_nIndex % m_nStride == 0)
                Add(scheduler.PlaceNext(), forecasts, stretchFrames);
            else
                scheduler.SkipNext();
            ++decided;
        }
        return decided;
    }

private:
    // Of dense grains, every stride-th is decided whole and stands for the
    // stride of them around it: a hundred milliseconds still hold some
    // dozens, and the others only move the walk and the clock, which costs
    // far less.
    static std::int32_t StrideOf(const GrainSettings& settings)
    {
        constexpr double kDecidedPerStretch = 32.0;
        const double perStretch = settings.m_nGrainsPerSecond * 0.1;
        return std::max(1, static_cast<std::int32_t>(perStretch / kDecidedPerStretch));
    }

    void Add(const GrainEvent& grain, const Forecasts& forecasts, std::uint64_t stretchFrames)
    {
        if (grain.m_nFrames <= 0 || grain.End() <= m_nWarmUp)
            return;
        const auto length = static_cast<double>(grain.m_nFrames);
        const double hold = HoldOf(grain);
        const double gain = 0.5 * (grain.m_dGainLeft * grain.m_dGainLeft + grain.m_dGainRight * grain.m_dGainRight) *
                            hold * hold * LayerGainSquaredAt(grain.m_nOutput) * m_nStride;
        if (!(gain > 0.0))
            return;
        // Track frames, counted from the grain's start (which may lie in a
        // loop's warm-up, before the track's first frame).
        const auto start = static_cast<std::int64_t>(grain.m_nOutput) - static_cast<std::int64_t>(m_nWarmUp);
        const auto firstStretch = static_cast<std::uint64_t>(std::max<std::int64_t>(start, 0)) / stretchFrames;
        const std::span<float> energies = forecasts.m_energies;
        for (std::uint64_t stretch = firstStretch; stretch < energies.size(); ++stretch) {
            const auto stretchFirst = static_cast<std::int64_t>(stretch * stretchFrames);
            if (stretchFirst >= start + grain.m_nFrames)
                break;
            const auto from = static_cast<double>(std::max<std::int64_t>(stretchFirst - start, 0));
            const auto to = static_cast<double>(
                std::min<std::int64_t>(stretchFirst + static_cast<std::int64_t>(stretchFrames) - start, grain.m_nFrames));
            const double window = length * (kHannEnergy.UpTo(to / length) - kHannEnergy.UpTo(from / length));
            const double readFrom = grain.m_dFirstRead + from * grain.m_dIncrement;
            const double readTo = grain.m_dFirstRead + to * grain.m_dIncrement;
            const double read = m_pSource->MeanBetween(readFrom, readTo);
            energies[stretch] += static_cast<float>(gain * window * read);
            forecasts.m_loudness[stretch] += static_cast<float>(
                gain * window * read * m_pSource->WeightingAt(0.5 * (readFrom + readTo)));
        }
    }

    // The gain the level hold gives a grain for what it reads (1 without a
    // hold), taken once for each thousand frames of source (for a grain
    // reading as long a stretch around their middle): it weighs at least
    // 400 ms of source, so it
    // moves slowly along it, and it costs many times what the rest of a
    // grain's forecast does.
    double HoldOf(const GrainEvent& grain)
    {
        if (m_pHold == nullptr || grain.m_nFrames <= 0)
            return 1.0;
        const double read = static_cast<double>(grain.m_nFrames - 1) * std::fabs(grain.m_dIncrement) + 1.0;
        const double last = grain.m_dFirstRead + static_cast<double>(grain.m_nFrames - 1) * grain.m_dIncrement;
        const double middle = std::max(0.5 * (grain.m_dFirstRead + last), 0.0);
        const auto step = std::min(static_cast<std::size_t>(middle) / m_nHoldStep, m_holds.size() - 1);
        Hold& held = m_holds[step];
        if (held.m_dRead != read) {
            held.m_dRead = read;
            const double stepMiddle = static_cast<double>(step * m_nHoldStep + m_nHoldStep / 2);
            held.m_dGain = m_pHold->GainOf(stepMiddle - 0.5 * read, read);
        }
        return held.m_dGain;
    }

    // The layer's gain squared, taken once per stretch of a hundred
    // milliseconds: it moves along keyframes, far slower than grains come.
    double LayerGainSquaredAt(std::uint64_t renderFrame)
    {
        constexpr std::uint64_t kGainStep = 4410;
        const std::uint64_t step = renderFrame / kGainStep;
        if (step != m_nGainStep) {
            const double gain = m_piece.LayerGainAt(m_nIndex, step * kGainStep + kGainStep / 2);
            m_dGainSquared = gain * gain;
            m_nGainStep = step;
        }
        return m_dGainSquared;
    }

    const ScorePiece& m_piece;
    std::size_t m_nIndex;
    LayerSchedule m_schedule;
    std::uint64_t m_nWarmUp;
    std::shared_ptr<const SourceEnergyMap> m_pSource;
    std::int32_t m_nStride;  // every grain of this many decided whole
    // The level hold's gain for each few thousand frames of source, and the
    // read it was taken for (0: none yet).
    std::size_t m_nHoldStep = 1;  // frames of source
    struct Hold {
        double m_dRead = 0.0;
        double m_dGain = 1.0;
    };
    const GrainLevelGain* m_pHold;
    std::vector<Hold> m_holds;
    std::uint64_t m_nGainStep = UINT64_MAX;
    double m_dGainSquared = 1.0;
};

LevelPilot::LevelPilot(const ScorePiece& piece, std::uint64_t trackFrames, std::uint64_t stretchFrames)
    : m_nTrackFrames(trackFrames)
    , m_nStretchFrames(stretchFrames)
    , m_energies((trackFrames + stretchFrames - 1) / stretchFrames, 0.0f)
    , m_loudness(m_energies.size(), 0.0f)
{
    const SeekPlan& plan = piece.GetSeekPlan();
    // Layers that read the same frames share their map.
    std::map<const StereoFrame*, std::shared_ptr<const SourceEnergyMap>> maps;
    for (std::size_t i = 0; i < plan.m_layers.size(); ++i) {
        const std::span<const StereoFrame> frames = piece.LayerSourceFrames(i);
        std::shared_ptr<const SourceEnergyMap>& map = maps[frames.data()];
        if (!map)
            map = std::make_shared<const SourceEnergyMap>(frames);
        m_layers.push_back(
            std::make_unique<Layer>(piece, i, plan.m_layers[i], plan.m_nRenderFrames, plan.m_nWarmUpFrames, map));
    }
}

LevelPilot::~LevelPilot() = default;

bool LevelPilot::Reach(std::uint64_t frame, const std::function<bool()>& keepGoing)
{
    for (const std::unique_ptr<Layer>& layer : m_layers) {
        for (;;) {
            const std::uint64_t decided =
                layer->Reach(frame, kGrainsBetweenPolls, {m_energies, m_loudness}, m_nStretchFrames);
            m_nGrains += decided;
            if (decided < kGrainsBetweenPolls)
                break;
            if (!keepGoing())
                return false;
        }
    }
    m_nReached = std::max(m_nReached, frame);
    return true;
}

bool LevelPilot::IsComplete() const
{
    return m_nReached >= m_nTrackFrames;
}

std::vector<std::uint32_t> LoudestFirst(std::span<const float> energies, std::size_t count)
{
    std::vector<std::uint32_t> order(energies.size());
    std::iota(order.begin(), order.end(), 0u);
    count = std::min(count, order.size());
    // Ties go to the earlier stretch, so the order is the same on any machine.
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count), order.end(),
                      [energies](std::uint32_t a, std::uint32_t b) {
                          return energies[a] > energies[b] || (energies[a] == energies[b] && a < b);
                      });
    return std::vector<std::uint32_t>(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count));
}
