// The waveform overview draws what the frames themselves show, at every zoom,
// from a bounded pyramid: its columns hold the exact extremes of their frames
// (and at most a block more at their edges) and the RMS of their blocks,
// however the sound arrives and however long it grows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/waveform_overview.h"
#include "tests/analysis/analysis_signals.h"

namespace {

// Noise whose loudness swings slowly, so neighbouring columns differ.
std::vector<StereoFrame> SwellingNoise(std::size_t frames)
{
    std::vector<StereoFrame> noise = Noise(1.0f, frames, 11);
    for (std::size_t j = 0; j < frames; ++j) {
        const auto swell = static_cast<float>(0.55 + 0.45 * std::sin(static_cast<double>(j) / 9000.0));
        noise[j].left *= swell;
        noise[j].right *= swell * 0.5f;
    }
    return noise;
}

// Each overview column must contain the exact column's extremes and lie
// within the exact extremes of the column widened by one block each side.
void ExpectOutlineOf(const WaveformOverview& overview, const std::vector<StereoFrame>& frames, std::uint64_t first,
                     std::uint64_t count, std::size_t columns)
{
    const std::uint64_t slack = overview.GetBlockFrames();
    std::vector<WaveColumn> drawn(columns);
    overview.Summarize(first, count, drawn);
    for (std::size_t c = 0; c < columns; ++c) {
        const std::uint64_t from = first + count * c / columns;
        const std::uint64_t to = first + count * (c + 1) / columns;
        WaveColumn exact;
        SummarizeFrames(frames.data() + from, to - from, std::span<WaveColumn>(&exact, 1));
        const std::uint64_t wideFrom = from > slack ? from - slack : 0;
        const std::uint64_t wideTo = std::min<std::uint64_t>(to + slack, frames.size());
        WaveColumn wide;
        SummarizeFrames(frames.data() + wideFrom, wideTo - wideFrom, std::span<WaveColumn>(&wide, 1));
        ASSERT_LE(drawn[c].m_left.m_fMin, exact.m_left.m_fMin) << "column " << c;
        ASSERT_GE(drawn[c].m_left.m_fMin, wide.m_left.m_fMin) << "column " << c;
        ASSERT_GE(drawn[c].m_right.m_fMax, exact.m_right.m_fMax) << "column " << c;
        ASSERT_LE(drawn[c].m_right.m_fMax, wide.m_right.m_fMax) << "column " << c;
        // The RMS is that of the column's whole blocks, exactly but for the
        // rounding of float sums.
        const std::uint64_t blocksFrom = from / slack * slack;
        const std::uint64_t blocksTo = std::min<std::uint64_t>((to + slack - 1) / slack * slack, frames.size());
        WaveColumn blocks;
        SummarizeFrames(frames.data() + blocksFrom, blocksTo - blocksFrom, std::span<WaveColumn>(&blocks, 1));
        ASSERT_NEAR(drawn[c].m_left.m_fRms, blocks.m_left.m_fRms, 1e-4f) << "column " << c;
        ASSERT_NEAR(drawn[c].m_right.m_fRms, blocks.m_right.m_fRms, 1e-4f) << "column " << c;
    }
}

}  // namespace

TEST(WaveformOverview, OutlinesEveryZoomFromTheWholeSoundToAFewSummaries)
{
    const std::vector<StereoFrame> frames = SwellingNoise(600000);
    WaveformOverviewSettings settings;
    settings.m_nExpectedFrames = frames.size();
    WaveformOverview overview(settings);
    FeedInPieces(overview, frames, {1000, 3, 65536, 257});
    ASSERT_EQ(overview.GetFrameCount(), frames.size());
    ASSERT_EQ(overview.GetBlockFrames(), 256u);

    ExpectOutlineOf(overview, frames, 0, frames.size(), 1000);
    ExpectOutlineOf(overview, frames, 0, frames.size(), 7);
    ExpectOutlineOf(overview, frames, 123456, 44100, 300);
    ExpectOutlineOf(overview, frames, 599000, 1000, 2);
}

TEST(WaveformOverview, ColumnsPastTheSoundAreSilent)
{
    const std::vector<StereoFrame> frames = SwellingNoise(10000);
    WaveformOverview overview;
    overview.OnStretch(frames.data(), frames.size());
    std::vector<WaveColumn> drawn(4);
    overview.Summarize(0, 20000, drawn);
    EXPECT_GT(drawn[1].m_left.m_fMax, 0.1f);
    EXPECT_EQ(drawn[3].m_left.m_fMax, 0.0f);
    EXPECT_EQ(drawn[3].m_right.m_fRms, 0.0f);
}

TEST(WaveformOverview, ALongerSoundThanItsRoomCoarsensItsBlocksAndStaysRight)
{
    // Room for 64 blocks of 256 frames, and no length known: 200000 frames
    // take blocks of 4096 (48 of them and a part).
    WaveformOverviewSettings settings;
    settings.m_nMaxBlocks = 64;
    WaveformOverview overview(settings);
    const std::vector<StereoFrame> frames = SwellingNoise(200000);
    FeedInPieces(overview, frames, {999, 4096, 1});
    EXPECT_EQ(overview.GetBlockFrames(), 4096u);
    ExpectOutlineOf(overview, frames, 0, frames.size(), 40);
    ExpectOutlineOf(overview, frames, 190000, 10000, 2);
}

TEST(WaveformOverview, AKnownLengthChoosesBlocksThatFitTheRoom)
{
    WaveformOverviewSettings settings;
    // A day at 44100 Hz in 65536 summaries: blocks of 65536 frames.
    settings.m_nExpectedFrames = 24ull * 3600 * 44100;
    EXPECT_EQ(WaveformOverview(settings).GetBlockFrames(), 65536u);
    settings.m_nExpectedFrames = 44100;
    EXPECT_EQ(WaveformOverview(settings).GetBlockFrames(), 256u);
}
