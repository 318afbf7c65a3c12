// The spectrogram shows a sine at its level in the row of its frequency, far
// above the rows around it; its columns come at fixed steps whatever pieces
// the sound arrives in; it keeps only its newest columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/spectrogram.h"
#include "tests/analysis/analysis_signals.h"

namespace {

std::size_t RowOf(const LogFrequencyAxis& axis, double hz)
{
    for (std::size_t row = 0; row < axis.GetRowCount(); ++row) {
        if (hz < axis.GetRowHighHz(row))
            return row;
    }
    return axis.GetRowCount() - 1;
}

}  // namespace

TEST(LogFrequencyAxis, RowsTileTheSpanWithEqualRatios)
{
    const LogFrequencyAxis axis(120, 20.0, 20000.0, 44100.0 / 2048, 1025);
    EXPECT_NEAR(axis.GetRowLowHz(0), 20.0, 1e-9);
    EXPECT_NEAR(axis.GetRowHighHz(119), 20000.0, 1e-6);
    // 1000 to 1 over 120 rows: every 12 rows span a tenth of that, anywhere.
    for (std::size_t row = 0; row + 12 <= 120; row += 9)
        EXPECT_NEAR(axis.GetRowHighHz(row + 11) / axis.GetRowLowHz(row), std::pow(1000.0, 0.1), 1e-9);
    EXPECT_NEAR(axis.GetRowCentreHz(0), std::sqrt(axis.GetRowLowHz(0) * axis.GetRowHighHz(0)), 1e-9);
}

TEST(LogFrequencyAxis, EveryBinInTheSpanLightsTheRowOfItsFrequency)
{
    constexpr std::size_t kBins = 1025;
    const double binHz = 44100.0 / 2048;
    const LogFrequencyAxis axis(64, 100.0, 16000.0, binHz, kBins);
    std::vector<float> bins(kBins, 0.0f);
    std::vector<float> rows(axis.GetRowCount());
    // Bins well inside the span, in rows wide enough to hold bins.
    for (std::size_t bin = 40; bin < 700; bin += 13) {
        bins.assign(kBins, 0.0f);
        bins[bin] = 1.0f;
        axis.Map(bins.data(), rows.data());
        const std::size_t row = RowOf(axis, static_cast<double>(bin) * binHz);
        EXPECT_EQ(rows[row], 1.0f) << "bin " << bin;
        EXPECT_EQ(std::count(rows.begin(), rows.end(), 1.0f), 1) << "bin " << bin;
    }
}

TEST(Spectrogram, ASineReadsItsLevelInItsRowAndLittleElsewhere)
{
    Spectrogram spectrogram;
    // Bin 93 of 2048 at 44100 Hz: a sine on a bin's centre reads without the
    // window's scalloping loss.
    const double hz = 93.0 * 44100.0 / 2048.0;
    const std::vector<StereoFrame> sine = Sine(hz, 0.5f, 44100);
    spectrogram.OnStretch(sine.data(), sine.size());
    ASSERT_GT(spectrogram.GetColumnCount(), 10u);

    const std::span<const float> column = spectrogram.GetColumn(spectrogram.GetColumnCount() - 1);
    const std::size_t row = RowOf(spectrogram.GetAxis(), hz);
    // Amplitude 0.5 is 6.02 dB below full scale.
    EXPECT_NEAR(column[row], -6.02f, 0.05f);
    EXPECT_EQ(std::max_element(column.begin(), column.end()) - column.begin(), static_cast<long>(row));
    // Two octaves away the Hann window's side lobes are long gone.
    EXPECT_LT(column[RowOf(spectrogram.GetAxis(), hz / 4)], -80.0f);
    EXPECT_LT(column[RowOf(spectrogram.GetAxis(), hz * 4)], -80.0f);
}

TEST(Spectrogram, ASineBetweenBinsLosesAtMostTheWindowsScalloping)
{
    Spectrogram spectrogram;
    const double hz = 93.5 * 44100.0 / 2048.0;
    const std::vector<StereoFrame> sine = Sine(hz, 1.0f, 8192);
    spectrogram.OnStretch(sine.data(), sine.size());
    const std::span<const float> column = spectrogram.GetColumn(0);
    const float level = column[RowOf(spectrogram.GetAxis(), hz)];
    // A Hann window loses 1.42 dB half-way between bins.
    EXPECT_GT(level, -1.5f);
    EXPECT_LT(level, -1.3f);
}

TEST(Spectrogram, SilenceReadsTheFloor)
{
    Spectrogram spectrogram;
    const std::vector<StereoFrame> silence(4096, StereoFrame{0.0f, 0.0f});
    spectrogram.OnStretch(silence.data(), silence.size());
    const std::span<const float> column = spectrogram.GetColumn(0);
    EXPECT_EQ(*std::max_element(column.begin(), column.end()), -120.0f);
}

TEST(Spectrogram, ColumnsDoNotDependOnHowTheSoundIsCutIntoStretches)
{
    const std::vector<StereoFrame> noise = Noise(0.7f, 20000, 5);
    Spectrogram whole;
    whole.OnStretch(noise.data(), noise.size());
    Spectrogram pieces;
    FeedInPieces(pieces, noise, {1, 511, 513, 2047, 7, 4096});

    // A window of 2048 and a step of 512: one column at 2048 frames, then one
    // for each 512 more.
    ASSERT_EQ(whole.GetColumnCount(), 1 + (20000 - 2048) / 512u);
    ASSERT_EQ(pieces.GetColumnCount(), whole.GetColumnCount());
    for (std::uint64_t index = 0; index < whole.GetColumnCount(); ++index) {
        const std::span<const float> a = whole.GetColumn(index);
        const std::span<const float> b = pieces.GetColumn(index);
        ASSERT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << "column " << index;
    }
}

TEST(Spectrogram, KeepsTheNewestColumnsAndStartsAfreshOnReset)
{
    SpectrogramSettings settings;
    settings.m_nColumnsKept = 4;
    Spectrogram spectrogram(settings);
    // Loud first, then quiet: the quiet columns are the ones kept.
    const std::vector<StereoFrame> loud = Sine(1000.0, 1.0f, 2048 + 5 * 512);
    const std::vector<StereoFrame> quiet = Sine(1000.0, 0.01f, 6 * 512);
    spectrogram.OnStretch(loud.data(), loud.size());
    spectrogram.OnStretch(quiet.data(), quiet.size());
    const std::uint64_t count = spectrogram.GetColumnCount();
    ASSERT_EQ(count, 12u);
    EXPECT_TRUE(spectrogram.GetColumn(count - 5).empty());
    EXPECT_TRUE(spectrogram.GetColumn(count).empty());
    const std::size_t row = RowOf(spectrogram.GetAxis(), 1000.0);
    EXPECT_NEAR(spectrogram.GetColumn(count - 1)[row], -40.0f, 1.5f);
    EXPECT_EQ(spectrogram.GetColumnFirstFrame(count - 1), (count - 1) * 512);

    spectrogram.Reset();
    EXPECT_EQ(spectrogram.GetColumnCount(), 0u);
    spectrogram.OnStretch(loud.data(), 2048);
    ASSERT_EQ(spectrogram.GetColumnCount(), 1u);
    EXPECT_NEAR(spectrogram.GetColumn(0)[row], 0.0f, 1.5f);
}
