// A stretch of a live stream whose layers are rendered in groups, each
// group by a worker of its own that goes on from stretch to stretch: every
// layer's part of the stretch is kept here until the last group has made
// its own, then the parts are summed in the layers' order, which gives the
// bits of the whole mix rendered at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"
#include "engine/synthesis/layer_mix_synthesis.h"

class LayerPartsStretch {
public:
    // The stretch at stream offset offset: count frames from track frame
    // track, rendered and summed windowFrames at a time, of a score of
    // layers layers shared by groups groups.
    LayerPartsStretch(std::uint64_t offset, std::uint64_t track, std::size_t count, std::size_t layers,
                      std::size_t windowFrames, int groups);

    std::uint64_t Offset() const { return m_nOffset; }
    std::uint64_t Track() const { return m_nTrack; }
    std::size_t Count() const { return m_nCount; }

    // The parts of the given layers, by mix (begun for them and gone on to
    // this stretch), its excerpt's frames from into on.
    void Render(LayerMixSynthesis& mix, std::span<const std::size_t> layers, std::uint64_t into);
    // Answers true to the first caller only: the group that begins the
    // stretch anew (with a lead-in) is counted once per stretch.
    bool TakeBegun() { return !m_bBegun.exchange(true); }
    // One group is done with the stretch; answers whether it was the last.
    bool GroupDone() { return --m_nGroupsLeft == 0; }
    // Every layer's part summed into frames (Count() of them).
    void Mix(std::span<StereoFrame> frames) const;

private:
    struct Part {
        std::vector<StereoFrame> m_sound;
        std::vector<float> m_gains;
        std::vector<LayerUse> m_uses;  // one per window
    };

    const std::uint64_t m_nOffset;
    const std::uint64_t m_nTrack;
    const std::size_t m_nCount;
    const std::size_t m_nWindowFrames;
    std::vector<Part> m_parts;  // by layer
    std::atomic<bool> m_bBegun{false};
    std::atomic<int> m_nGroupsLeft;
};

// The layers of a score of layers layers shared among groups workers, each
// group's in the score's order (layer i to group i mod groups); none when
// fewer than two groups would work.
std::vector<std::vector<std::size_t>> LayerGroups(std::size_t layers, std::size_t workers);
