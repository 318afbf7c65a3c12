#include "live_session/peak_tail.h"

#include <algorithm>
#include <cmath>

namespace {

// The threshold leaves this share of all blocks seen over it: high enough
// that the excesses over it follow the tail's law, low enough that a few
// per cent of a track give a few hundred swells over it.
constexpr double kShareOverThreshold = 0.04;
constexpr std::size_t kFewestBlocksOver = 16;
constexpr std::size_t kFewestSwells = 4;

bool HasSound(double power)
{
    return power > 0.0 && std::isfinite(power);
}

// A block's power, at the gain its place is given, over its stretch's
// expected power.
double PowerOverExpected(float peak, std::uint64_t frame, double expected, const PeakTail::Track& track)
{
    const double gained = peak * track.m_gainAt(frame);
    return gained * gained / expected;
}

}  // namespace

void PeakTail::Add(std::uint64_t stretch, std::uint64_t firstFrame, std::span<const StereoFrame> frames)
{
    std::vector<Block> blocks;
    blocks.reserve(frames.size() / kBlockFrames + 1);
    for (std::size_t first = 0; first < frames.size(); first += kBlockFrames) {
        Block block;
        const std::size_t end = std::min<std::size_t>(frames.size(), first + kBlockFrames);
        for (std::size_t i = first; i < end; ++i) {
            const float magnitude = std::max(std::fabs(frames[i].left), std::fabs(frames[i].right));
            if (magnitude > block.m_fPeak) {  // not-a-number values are never larger
                block.m_fPeak = magnitude;
                block.m_nFrame = firstFrame + i;
            }
        }
        blocks.push_back(block);
    }
    const std::size_t kept = std::min(kKeptPerStretch, blocks.size());
    const auto keptEnd = blocks.begin() + static_cast<std::ptrdiff_t>(kept);
    std::partial_sort(blocks.begin(), keptEnd, blocks.end(),
                      [](const Block& a, const Block& b) { return a.m_fPeak > b.m_fPeak; });
    Seen& seen = m_stretches[stretch];
    seen.m_loudest.assign(blocks.begin(), keptEnd);
    seen.m_nBlocks = blocks.size();
}

void PeakTail::Merge(const PeakTail& other)
{
    m_stretches.insert(other.m_stretches.begin(), other.m_stretches.end());
}

// Each kept block's power, at the gain its place is given, over its
// stretch's expected power; blocks: how many blocks those stretches hold.
std::vector<double> PeakTail::PowersOverExpected(const Track& track, double& blocks) const
{
    std::vector<double> powers;
    blocks = 0.0;
    for (const auto& [stretch, seen] : m_stretches) {
        const double expected = track.m_expectedPower(stretch);
        if (!HasSound(expected))
            continue;
        blocks += static_cast<double>(seen.m_nBlocks);
        for (const Block& block : seen.m_loudest)
            powers.push_back(PowerOverExpected(block.m_fPeak, block.m_nFrame, expected, track));
    }
    return powers;
}

// The largest excess over threshold of each swell: blocks over it no more
// than kSwellFrames apart in one stretch are one.
std::vector<double> PeakTail::SwellExcesses(const Track& track, double threshold) const
{
    std::vector<double> excesses;
    std::vector<std::pair<std::uint64_t, double>> over;  // frame, excess
    for (const auto& [stretch, seen] : m_stretches) {
        const double expected = track.m_expectedPower(stretch);
        if (!HasSound(expected))
            continue;
        over.clear();
        for (const Block& block : seen.m_loudest) {
            const double power = PowerOverExpected(block.m_fPeak, block.m_nFrame, expected, track);
            if (power > threshold)
                over.emplace_back(block.m_nFrame, power - threshold);
        }
        std::sort(over.begin(), over.end());
        for (std::size_t i = 0; i < over.size(); ++i) {
            if (i == 0 || over[i].first - over[i - 1].first > kSwellFrames)
                excesses.push_back(over[i].second);
            else
                excesses.back() = std::max(excesses.back(), over[i].second);
        }
    }
    return excesses;
}

// The threshold the power kShareOverThreshold of the blocks seen are over;
// the swells' excesses over it exponential with their mean (the most
// likely such law), and as frequent a block as swells were.
bool PeakTail::FitLaw(const Track& track, ExcessLaw& law) const
{
    double blocks = 0.0;
    std::vector<double> powers = PowersOverExpected(track, blocks);
    const auto k = static_cast<std::size_t>(kShareOverThreshold * blocks);
    if (k < kFewestBlocksOver || k >= powers.size())
        return false;
    std::nth_element(powers.begin(), powers.begin() + static_cast<std::ptrdiff_t>(k), powers.end(), std::greater<>());
    law.m_dThreshold = powers[k];
    const std::vector<double> excesses = SwellExcesses(track, law.m_dThreshold);
    if (excesses.size() < kFewestSwells)
        return false;
    double sum = 0.0;
    for (const double excess : excesses)
        sum += excess;
    law.m_dScale = sum / static_cast<double>(excesses.size());
    law.m_dRate = static_cast<double>(excesses.size()) / blocks;
    return law.m_dScale > 0.0;
}

// The unseen stretches' expected powers, those alike (to a thousandth of a
// decibel) taken as one, so that a day's track is summed over quickly.
PeakTail::Levels PeakTail::UnseenLevels(const Track& track)
{
    std::map<std::int64_t, double> counts;
    for (std::uint64_t j = 0; j < track.m_nStretches; ++j) {
        if (track.m_isSeen(j))
            continue;
        const double power = track.m_expectedPower(j);
        if (HasSound(power))
            counts[std::llround(10000.0 * std::log10(power))] += 1.0;
    }
    Levels levels;
    levels.reserve(counts.size());
    for (const auto& [key, count] : counts)
        levels.emplace_back(std::pow(10.0, static_cast<double>(key) / 10000.0), count);
    return levels;
}

// How many swells of the stretches of these levels are expected over power.
double PeakTail::SwellsOver(const Levels& levels, double blocksPerStretch, const ExcessLaw& law, double power)
{
    double expected = 0.0;
    for (const auto& [level, count] : levels)
        expected += count * std::exp(-(power / level - law.m_dThreshold) / law.m_dScale);
    return expected * blocksPerStretch * law.m_dRate;
}

// The largest of many swells is under power with the chance e^(-expected
// count over it), one half at its median: the count ln 2, found by halving
// (in the logarithm) between a power none is likely to reach and one far
// under it.
double PeakTail::LikelyLargestUnseen(const Track& track) const
{
    ExcessLaw law;
    if (!FitLaw(track, law))
        return 0.0;
    const Levels levels = UnseenLevels(track);
    if (levels.empty())
        return 0.0;
    double loudest = 0.0;
    double stretches = 0.0;
    for (const auto& [level, count] : levels) {
        loudest = std::max(loudest, level);
        stretches += count;
    }
    const double blocksPerStretch = std::ceil(static_cast<double>(track.m_nStretchFrames) / kBlockFrames);
    const double swells = stretches * blocksPerStretch * law.m_dRate;
    // All at the loudest level, the count would be ln 2 here.
    const double most = law.m_dThreshold + law.m_dScale * std::log(std::max(swells / std::log(2.0), 1.0));
    double high = std::log(loudest * most * 1.001);
    double low = high - std::log(1e6);
    for (int i = 0; i < 48; ++i) {
        const double middle = 0.5 * (low + high);
        (SwellsOver(levels, blocksPerStretch, law, std::exp(middle)) > std::log(2.0) ? low : high) = middle;
    }
    return std::sqrt(std::exp(0.5 * (low + high)));
}
