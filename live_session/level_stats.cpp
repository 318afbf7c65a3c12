#include "live_session/level_stats.h"

#include <algorithm>
#include <cmath>

#include "engine/finishing/evening/loudness_series.h"

namespace {

// BS.1770's gates: blocks under -70 LUFS, then blocks more than 10 LU under
// the mean of the rest, do not count.
constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -10.0;

double LoudnessOf(double energy)
{
    return kLoudnessOffsetLu + 10.0 * std::log10(energy);
}

}  // namespace

void LevelStats::Add(std::span<const StereoFrame> frames)
{
    for (const StereoFrame& frame : frames) {
        const float channels[2] = {frame.left, frame.right};
        for (int c = 0; c < 2; ++c) {
            if (std::isnan(channels[c]))
                continue;
            m_dSum[c] += channels[c];
            m_fLowest[c] = m_bAny ? std::min(m_fLowest[c], channels[c]) : channels[c];
            m_fHighest[c] = m_bAny ? std::max(m_fHighest[c], channels[c]) : channels[c];
        }
        m_bAny = true;
    }
    m_nFrames += frames.size();
}

void LevelStats::AddExtremes(std::span<const StereoFrame> frames)
{
    for (const StereoFrame& frame : frames) {
        const float channels[2] = {frame.left, frame.right};
        for (int c = 0; c < 2; ++c) {
            if (std::isnan(channels[c]))
                continue;
            m_fLowest[c] = m_bAny ? std::min(m_fLowest[c], channels[c]) : channels[c];
            m_fHighest[c] = m_bAny ? std::max(m_fHighest[c], channels[c]) : channels[c];
        }
        m_bAny = true;
    }
}

void LevelStats::AddStretch(std::uint64_t index, double peak, double rms)
{
    if (peak > 0.0 && rms > 0.0 && std::isfinite(peak) && std::isfinite(rms))
        m_stretches[index] = {20.0 * std::log10(peak), 20.0 * std::log10(rms)};
}

double LevelStats::LikelyPeak(std::uint64_t stretches, const std::function<double(std::uint64_t)>& gainDbOf,
                              std::span<const float> forecast, std::uint64_t stretchFrames,
                              const std::function<double(std::uint64_t)>& gainAtFrame) const
{
    const auto gainDb = [&gainDbOf](std::uint64_t index) { return gainDbOf ? gainDbOf(index) : 0.0; };
    double seen = Peak();
    if (gainDbOf) {
        // The largest stretch peak, each at the gain its place is given.
        seen = 0.0;
        for (const auto& [index, level] : m_stretches)
            seen = std::max(seen, std::pow(10.0, (level.m_dPeakDb + gainDb(index)) / 20.0));
    }
    const std::size_t count = m_stretches.size();
    if (seen <= 0.0 || count < 8 || count >= stretches)
        return seen;
    const double seenDb = 20.0 * std::log10(seen);
    double largestDb = -INFINITY;
    if (forecast.size() == stretches) {
        // The seen stretches are known: only the unseen ones may hold a
        // larger peak, each at the level the forecast gives it. The seen
        // ones are many and found where the level is highest, so the crests'
        // own upper tail tells how far past the level a peak reaches.
        const ForecastFit fit = FitForecast(forecast);
        const auto levelDb = [&](std::uint64_t j) { return fit.LevelDb(ForecastDbOf(forecast[j])) + gainDb(j); };
        if (gainAtFrame && stretchFrames > 0)
            largestDb = BlockTailDb(stretches, stretchFrames, levelDb, gainDb, gainAtFrame);
        if (!std::isfinite(largestDb))
            largestDb = LargestDrawDb(FitCrestTail(), stretches, levelDb, true);
    } else {
        const auto levelDb = [&](std::uint64_t j) { return InterpolatedLevelDb(j) + gainDb(j); };
        largestDb = LargestDrawDb(FitCrests(), stretches, levelDb, false);
    }
    // The law's tail is longer than a sum of grains' (which is bounded): half
    // way between the peak seen and the law's in decibels came nearest the
    // peak of whole tracks in trials of level-varying scores.
    return std::pow(10.0, (seenDb + std::clamp(largestDb, seenDb, seenDb + 6.0)) / 40.0);
}

// The median largest peak of the unseen stretches (dB), drawn from the tail
// of the seen ones' blocks, each stretch expected at the level levelDb gives
// it (its own, gainDb, where the forecast finds no sound); -∞ when too few
// blocks were seen.
double LevelStats::BlockTailDb(std::uint64_t stretches, std::uint64_t stretchFrames,
                               const std::function<double(std::uint64_t)>& levelDb,
                               const std::function<double(std::uint64_t)>& gainDb,
                               const std::function<double(std::uint64_t)>& gainAtFrame) const
{
    PeakTail::Track track;
    track.m_nStretches = stretches;
    track.m_nStretchFrames = stretchFrames;
    track.m_expectedPower = [&](std::uint64_t j) {
        const double db = levelDb(j);
        if (std::isfinite(db))
            return std::pow(10.0, db / 10.0);
        const auto seen = m_stretches.find(j);
        return seen == m_stretches.end() ? 0.0 : std::pow(10.0, (seen->second.m_dRmsDb + gainDb(j)) / 10.0);
    };
    track.m_gainAt = gainAtFrame;
    track.m_isSeen = [this](std::uint64_t j) { return m_stretches.count(j) != 0; };
    const double largest = m_tail.LikelyLargestUnseen(track);
    return largest > 0.0 ? 20.0 * std::log10(largest) : -INFINITY;
}

// The crest law's upper tail: over the k-th largest crest seen, crests
// taken as exponential with the mean of the k larger ones' excess.
LevelStats::CrestLaw LevelStats::FitCrestTail() const
{
    std::vector<double> crests;
    for (const auto& [index, level] : m_stretches)
        crests.push_back(level.m_dPeakDb - level.m_dRmsDb);
    std::sort(crests.begin(), crests.end(), std::greater<>());
    const std::size_t k = std::min(std::max<std::size_t>(8, crests.size() / 10), crests.size() - 1);
    const double threshold = crests[k];
    double excess = 0.0;
    for (std::size_t i = 0; i < k; ++i)
        excess += crests[i] - threshold;
    CrestLaw law;
    law.m_dScale = std::max(excess / static_cast<double>(k), 0.01);
    law.m_dLocation = threshold + law.m_dScale * std::log(static_cast<double>(k) / static_cast<double>(crests.size()));
    return law;
}

// The crest law, by its moments.
LevelStats::CrestLaw LevelStats::FitCrests() const
{
    const auto count = static_cast<double>(m_stretches.size());
    double mean = 0.0;
    for (const auto& [index, level] : m_stretches)
        mean += level.m_dPeakDb - level.m_dRmsDb;
    mean /= count;
    double variance = 0.0;
    for (const auto& [index, level] : m_stretches) {
        const double crest = level.m_dPeakDb - level.m_dRmsDb;
        variance += (crest - mean) * (crest - mean);
    }
    variance /= count - 1.0;
    constexpr double kEulerGamma = 0.5772156649015329;
    CrestLaw law;
    law.m_dScale = std::max(std::sqrt(6.0 * variance) / M_PI, 0.01);
    law.m_dLocation = mean - kEulerGamma * law.m_dScale;
    return law;
}

// The median of the largest of the stretches' level plus a crest drawn from
// the law (of the unseen ones only, or of all). The largest of Gumbel draws
// located at level + location, each of the same scale, is Gumbel located at
// location + scale × log Σ e^(level / scale); its median lies -scale × log
// log 2 above its location. Summed relative to the loudest level, so the
// exponentials stay in range. -∞ when no stretch is left to draw.
double LevelStats::LargestDrawDb(const CrestLaw& crest, std::uint64_t stretches,
                                 const std::function<double(std::uint64_t)>& levelDb, bool unseenOnly) const
{
    std::vector<double> levels;
    levels.reserve(stretches);
    double loudest = -INFINITY;
    auto seen = m_stretches.begin();
    for (std::uint64_t j = 0; j < stretches; ++j) {
        while (seen != m_stretches.end() && seen->first < j)
            ++seen;
        if (unseenOnly && seen != m_stretches.end() && seen->first == j)
            continue;
        levels.push_back(levelDb(j));
        loudest = std::max(loudest, levels.back());
    }
    if (!std::isfinite(loudest))
        return -INFINITY;
    double sum = 0.0;
    for (const double level : levels)
        sum += std::exp((level - loudest) / crest.m_dScale);
    return loudest + crest.m_dLocation + crest.m_dScale * (std::log(sum) - std::log(std::log(2.0)));
}

// The level of stretch j: its own when seen, else the line between the
// seen ones around it (in dB).
double LevelStats::InterpolatedLevelDb(std::uint64_t j) const
{
    const auto next = m_stretches.lower_bound(j);
    if (next != m_stretches.end() && next->first == j)
        return next->second.m_dRmsDb;
    if (next == m_stretches.begin())
        return next->second.m_dRmsDb;
    const auto before = std::prev(next);
    if (next == m_stretches.end())
        return before->second.m_dRmsDb;
    const double t = static_cast<double>(j - before->first) / static_cast<double>(next->first - before->first);
    return before->second.m_dRmsDb + (next->second.m_dRmsDb - before->second.m_dRmsDb) * t;
}

double LevelStats::ForecastDbOf(float energy)
{
    return energy > 0.0f ? 10.0 * std::log10(static_cast<double>(energy)) : -INFINITY;
}

// The line that best gives the seen stretches' levels from their forecast
// levels (least squares, over those the forecast finds sound in). Its slope
// is near 1 where the level moves as the forecast says (a loud part of the
// source read now and then), and near 0 where the forecast's differences are
// mostly what it leaves out (how grains interfere): the unseen stretches it
// finds loudest are then not taken as loud as it says.
LevelStats::ForecastFit LevelStats::FitForecast(std::span<const float> forecast) const
{
    double count = 0.0;
    double sumX = 0.0;
    double sumY = 0.0;
    for (const auto& [index, level] : m_stretches) {
        if (index < forecast.size() && forecast[index] > 0.0f) {
            count += 1.0;
            sumX += ForecastDbOf(forecast[index]);
            sumY += level.m_dRmsDb;
        }
    }
    ForecastFit fit;
    if (count < 2.0)
        return fit;
    fit.m_dMeanX = sumX / count;
    fit.m_dMeanY = sumY / count;
    double covariance = 0.0;
    double variance = 0.0;
    for (const auto& [index, level] : m_stretches) {
        if (index < forecast.size() && forecast[index] > 0.0f) {
            const double x = ForecastDbOf(forecast[index]) - fit.m_dMeanX;
            covariance += x * (level.m_dRmsDb - fit.m_dMeanY);
            variance += x * x;
        }
    }
    fit.m_dSlope = variance > 0.0 ? std::max(covariance / variance, 0.0) : 0.0;
    return fit;
}

void LevelStats::AddBlockEnergies(std::span<const float> energies)
{
    // BS.1770's gating blocks: 400 ms, 75 % overlapping.
    constexpr std::size_t kBlocksPerGatingBlock = 4;
    if (energies.size() < kBlocksPerGatingBlock) {
        // A stretch too short for one: its blocks each stand for one.
        m_blockEnergies.insert(m_blockEnergies.end(), energies.begin(), energies.end());
        return;
    }
    for (std::size_t i = 0; i + kBlocksPerGatingBlock <= energies.size(); ++i) {
        float sum = 0.0f;
        for (std::size_t j = 0; j < kBlocksPerGatingBlock; ++j)
            sum += energies[i + j];
        m_blockEnergies.push_back(sum / kBlocksPerGatingBlock);
    }
}

void LevelStats::Merge(const LevelStats& other)
{
    if (other.m_bAny) {
        for (int c = 0; c < 2; ++c) {
            m_dSum[c] += other.m_dSum[c];
            m_fLowest[c] = m_bAny ? std::min(m_fLowest[c], other.m_fLowest[c]) : other.m_fLowest[c];
            m_fHighest[c] = m_bAny ? std::max(m_fHighest[c], other.m_fHighest[c]) : other.m_fHighest[c];
        }
        m_bAny = true;
    }
    m_nFrames += other.m_nFrames;
    m_stretches.insert(other.m_stretches.begin(), other.m_stretches.end());
    m_tail.Merge(other.m_tail);
    m_blockEnergies.insert(m_blockEnergies.end(), other.m_blockEnergies.begin(), other.m_blockEnergies.end());
}

double LevelStats::Mean(int channel) const
{
    return m_nFrames == 0 ? 0.0 : m_dSum[channel] / static_cast<double>(m_nFrames);
}

double LevelStats::Peak() const
{
    if (!m_bAny || m_nFrames == 0)
        return 0.0;
    double peak = 0.0;
    for (int c = 0; c < 2; ++c) {
        const double mean = m_dSum[c] / static_cast<double>(m_nFrames);
        peak = std::max({peak, std::fabs(m_fLowest[c] - mean), std::fabs(m_fHighest[c] - mean)});
    }
    return std::isfinite(peak) ? peak : 0.0;
}

std::optional<double> LevelStats::Loudness() const
{
    return GatedLoudnessOf(m_blockEnergies);
}

std::optional<double> GatedLoudnessOf(std::span<const float> blockEnergies)
{
    double sum = 0.0;
    std::size_t count = 0;
    for (const float energy : blockEnergies) {
        if (energy > 0.0f && LoudnessOf(energy) > kAbsoluteGateLufs) {
            sum += energy;
            ++count;
        }
    }
    if (count == 0)
        return blockEnergies.empty() ? std::nullopt : std::optional<double>(-INFINITY);
    const double gate = LoudnessOf(sum / static_cast<double>(count)) + kRelativeGateLu;
    double gated = 0.0;
    std::size_t kept = 0;
    for (const float energy : blockEnergies) {
        if (energy > 0.0f && LoudnessOf(energy) > kAbsoluteGateLufs && LoudnessOf(energy) > gate) {
            gated += energy;
            ++kept;
        }
    }
    return LoudnessOf(gated / static_cast<double>(kept));
}

double FileGainOf(const Score& score, double peak, std::optional<double> loudness)
{
    if (!(peak > 0.0))
        return 1.0;
    const double volume = score.m_nVolume * 0.01;
    const double ceiling = volume / peak;
    if (!score.m_loudness || !loudness || !std::isfinite(*loudness))
        return ceiling;
    // The finished sound's loudness is the synthesised one's moved by the
    // peak gain; the target gain applies to it, held by the ceiling.
    const double finished = *loudness + 20.0 * std::log10(ceiling);
    return ceiling * std::min(std::pow(10.0, (*score.m_loudness - finished) / 20.0), 1.0);
}
