// A waveform's outline at every zoom: the smallest and largest sample and the
// RMS of each channel over stretches of any length, from a pyramid of
// summaries of bounded size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/finishing/stretch_observer.h"

// What one column of a waveform picture shows of one channel.
struct WaveChannelSummary {
    float m_fMin = 0.0f;
    float m_fMax = 0.0f;
    float m_fRms = 0.0f;
};

struct WaveColumn {
    WaveChannelSummary m_left;
    WaveChannelSummary m_right;
};

struct WaveformOverviewSettings {
    // The finest summary covers this many frames (a power of two), unless the
    // sound is too long for the blocks allowed.
    std::uint64_t m_nFinestBlockFrames = 256;
    // Summaries at the finest level at most (a power of two): with the levels
    // above, the overview holds under twice this many, 24 bytes each.
    std::size_t m_nMaxBlocks = std::size_t{1} << 16;
    // The sound's length when known (a source), 0 when not (a render still
    // going): a known length sets the finest block and the memory taken.
    std::uint64_t m_nExpectedFrames = 0;
};

// Level 0 summarises blocks of frames, each level above summarises pairs of
// the level below, so that a picture column of any width combines at most
// two summaries per level. When a sound outgrows the finest level, the blocks double
// (level 1 becomes level 0), so memory stays bounded however long the sound
// is: a day of sound in the default settings takes 3 MB, with blocks of
// 65536 frames. Everything is allocated by the constructor.
//
// Not for two threads at once, like the other observers.
class WaveformOverview final : public StretchObserver {
public:
    explicit WaveformOverview(const WaveformOverviewSettings& settings = {});

    void OnStretch(const StereoFrame* frames, std::size_t count) override;

    std::uint64_t GetFrameCount() const { return m_nFramesSeen; }
    // The frames each finest summary covers now. A picture with fewer frames
    // than this per column is better drawn from the frames themselves
    // (SummarizeFrames).
    std::uint64_t GetBlockFrames() const { return m_nBlockFrames; }

    // Fills columns with the outline of frameCount frames from firstFrame,
    // split evenly over the columns. A column takes in the whole blocks its
    // frames touch, so its edges may reach up to a block into its
    // neighbours'; it combines a few summaries per level of the pyramid, so
    // a column costs the same at every zoom. Columns past the sound are
    // silent.
    void Summarize(std::uint64_t firstFrame, std::uint64_t frameCount, std::span<WaveColumn> columns) const;

private:
    struct Summary {
        float m_fMinLeft, m_fMaxLeft, m_fMinRight, m_fMaxRight;
        float m_fSquaresLeft, m_fSquaresRight;  // sums of the squared samples
    };
    struct Coverage;

    static Summary Merge(const Summary& a, const Summary& b);
    void AddFrames(const StereoFrame* frames, std::size_t count);
    void CloseBlock();
    void Coarsen();
    void Cover(std::uint64_t from, std::uint64_t to, Coverage& coverage) const;

    std::uint64_t m_nBlockFrames;
    std::size_t m_nMaxBlocks;                    // at the finest level
    std::vector<std::vector<Summary>> m_levels;  // reserved at construction, never grown past it
    Summary m_openBlock{};                       // the block being filled
    std::uint64_t m_nOpenFrames = 0;
    std::uint64_t m_nFramesSeen = 0;
};

// The outline of frames held in memory, drawn from the samples themselves,
// split evenly over the columns.
void SummarizeFrames(const StereoFrame* frames, std::uint64_t frameCount, std::span<WaveColumn> columns);
