#include "analysis/waveform_overview.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

// What the summaries a column touches add up to.
struct Extremes {
    float m_fMinLeft = std::numeric_limits<float>::infinity();
    float m_fMaxLeft = -std::numeric_limits<float>::infinity();
    float m_fMinRight = std::numeric_limits<float>::infinity();
    float m_fMaxRight = -std::numeric_limits<float>::infinity();
    double m_dSquaresLeft = 0.0;
    double m_dSquaresRight = 0.0;
    std::uint64_t m_nFrames = 0;

    void Add(const StereoFrame& frame)
    {
        m_fMinLeft = std::min(m_fMinLeft, frame.left);
        m_fMaxLeft = std::max(m_fMaxLeft, frame.left);
        m_fMinRight = std::min(m_fMinRight, frame.right);
        m_fMaxRight = std::max(m_fMaxRight, frame.right);
        m_dSquaresLeft += static_cast<double>(frame.left) * frame.left;
        m_dSquaresRight += static_cast<double>(frame.right) * frame.right;
        ++m_nFrames;
    }

    WaveColumn Column() const
    {
        if (m_nFrames == 0)
            return {};
        const auto frames = static_cast<double>(m_nFrames);
        return {{m_fMinLeft, m_fMaxLeft, static_cast<float>(std::sqrt(m_dSquaresLeft / frames))},
                {m_fMinRight, m_fMaxRight, static_cast<float>(std::sqrt(m_dSquaresRight / frames))}};
    }
};

// The frames of column index out of columns over [first, first + count),
// without overflow for any track length.
std::uint64_t ColumnStart(std::uint64_t first, std::uint64_t count, std::size_t index, std::size_t columns)
{
    const std::uint64_t whole = count / columns;
    const std::uint64_t rest = count % columns;
    return first + whole * index + rest * index / columns;
}

}  // namespace

struct WaveformOverview::Coverage : Extremes {
    void Add(const Summary& summary, std::uint64_t frames)
    {
        m_fMinLeft = std::min(m_fMinLeft, summary.m_fMinLeft);
        m_fMaxLeft = std::max(m_fMaxLeft, summary.m_fMaxLeft);
        m_fMinRight = std::min(m_fMinRight, summary.m_fMinRight);
        m_fMaxRight = std::max(m_fMaxRight, summary.m_fMaxRight);
        m_dSquaresLeft += summary.m_fSquaresLeft;
        m_dSquaresRight += summary.m_fSquaresRight;
        m_nFrames += frames;
    }
};

WaveformOverview::WaveformOverview(const WaveformOverviewSettings& settings)
    : m_nBlockFrames(std::bit_ceil(std::max<std::uint64_t>(settings.m_nFinestBlockFrames, 1)))
{
    std::size_t blocks = std::bit_floor(std::max<std::size_t>(settings.m_nMaxBlocks, 2));
    if (settings.m_nExpectedFrames > 0) {
        while (settings.m_nExpectedFrames / m_nBlockFrames >= blocks)
            m_nBlockFrames *= 2;
        const std::uint64_t needed = (settings.m_nExpectedFrames + m_nBlockFrames - 1) / m_nBlockFrames;
        blocks = std::min<std::size_t>(blocks, std::bit_ceil(std::max<std::uint64_t>(needed, 2)));
    }
    m_nMaxBlocks = blocks;
    for (std::size_t capacity = blocks; capacity > 0; capacity /= 2) {
        m_levels.emplace_back();
        m_levels.back().reserve(capacity);
    }
    m_openBlock = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
}

void WaveformOverview::OnStretch(const StereoFrame* frames, std::size_t count)
{
    while (count > 0) {
        const auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_nBlockFrames - m_nOpenFrames));
        AddFrames(frames, taken);
        frames += taken;
        count -= taken;
        if (m_nOpenFrames == m_nBlockFrames)
            CloseBlock();
    }
}

void WaveformOverview::AddFrames(const StereoFrame* frames, std::size_t count)
{
    Extremes extremes;
    for (std::size_t j = 0; j < count; ++j)
        extremes.Add(frames[j]);
    Summary added{extremes.m_fMinLeft,  extremes.m_fMaxLeft,
                  extremes.m_fMinRight, extremes.m_fMaxRight,
                  static_cast<float>(extremes.m_dSquaresLeft), static_cast<float>(extremes.m_dSquaresRight)};
    m_openBlock = m_nOpenFrames == 0 ? added : Merge(m_openBlock, added);
    m_nOpenFrames += count;
    m_nFramesSeen += count;
}

WaveformOverview::Summary WaveformOverview::Merge(const Summary& a, const Summary& b)
{
    return {std::min(a.m_fMinLeft, b.m_fMinLeft),   std::max(a.m_fMaxLeft, b.m_fMaxLeft),
            std::min(a.m_fMinRight, b.m_fMinRight), std::max(a.m_fMaxRight, b.m_fMaxRight),
            a.m_fSquaresLeft + b.m_fSquaresLeft,    a.m_fSquaresRight + b.m_fSquaresRight};
}

void WaveformOverview::CloseBlock()
{
    if (m_levels[0].size() == m_nMaxBlocks) {
        // The closed block is half of a block twice its size: it stays open.
        Coarsen();
        return;
    }
    m_levels[0].push_back(m_openBlock);
    m_nOpenFrames = 0;
    // Each level sums the pairs of the one below as soon as a pair is complete.
    for (std::size_t level = 0; level + 1 < m_levels.size() && m_levels[level].size() % 2 == 0; ++level) {
        const std::vector<Summary>& below = m_levels[level];
        m_levels[level + 1].push_back(Merge(below[below.size() - 2], below.back()));
    }
}

void WaveformOverview::Coarsen()
{
    m_nBlockFrames *= 2;
    // Every level takes the one above's summaries; the capacities halve
    // upwards, as the summaries do, so none grows.
    for (std::size_t level = 0; level + 1 < m_levels.size(); ++level)
        m_levels[level].assign(m_levels[level + 1].begin(), m_levels[level + 1].end());
    m_levels.back().clear();
}

void WaveformOverview::Cover(std::uint64_t from, std::uint64_t to, Coverage& coverage) const
{
    // The finest blocks that the frames touch, taken as few summaries as the
    // pyramid allows: at each level the odd block at either end is taken, and
    // the pairs between them are left to the level above.
    const std::uint64_t complete = m_levels[0].size();
    std::uint64_t low = from / m_nBlockFrames;
    std::uint64_t high = std::min<std::uint64_t>((to + m_nBlockFrames - 1) / m_nBlockFrames, complete);
    for (std::size_t level = 0; low < high; ++level) {
        const std::vector<Summary>& summaries = m_levels[level];
        const std::uint64_t frames = m_nBlockFrames << level;
        if (level + 1 == m_levels.size()) {
            for (; low < high; ++low)
                coverage.Add(summaries[low], frames);
            break;
        }
        if (low % 2 == 1)
            coverage.Add(summaries[low++], frames);
        if (high % 2 == 1)
            coverage.Add(summaries[--high], frames);
        low /= 2;
        high /= 2;
    }
    if (to > complete * m_nBlockFrames && m_nOpenFrames > 0)
        coverage.Add(m_openBlock, m_nOpenFrames);
}

void WaveformOverview::Summarize(std::uint64_t firstFrame, std::uint64_t frameCount,
                                 std::span<WaveColumn> columns) const
{
    for (std::size_t index = 0; index < columns.size(); ++index) {
        const std::uint64_t from = std::min(ColumnStart(firstFrame, frameCount, index, columns.size()), m_nFramesSeen);
        const std::uint64_t to = std::min(ColumnStart(firstFrame, frameCount, index + 1, columns.size()), m_nFramesSeen);
        Coverage coverage;
        if (from < to)
            Cover(from, to, coverage);
        columns[index] = coverage.Column();
    }
}

void SummarizeFrames(const StereoFrame* frames, std::uint64_t frameCount, std::span<WaveColumn> columns)
{
    for (std::size_t index = 0; index < columns.size(); ++index) {
        Extremes extremes;
        const std::uint64_t end = ColumnStart(0, frameCount, index + 1, columns.size());
        for (std::uint64_t j = ColumnStart(0, frameCount, index, columns.size()); j < end; ++j)
            extremes.Add(frames[j]);
        columns[index] = extremes.Column();
    }
}
