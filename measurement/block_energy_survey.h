// The K-weighted energy of each 100 ms block of a long sound, measured by
// libebur128 as the sound arrives: in order, or a loop's body first and its
// head last.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"

// The pieces must follow one another: each starts where the one before ended,
// except that a loop's head (frames from 0 on) may come after its body (which
// began at a later frame, the origin) and then runs up to the origin. The
// sound goes through one K-weighting filter in that order, which is also the
// order a loop plays in (its last frame is followed by its first), and is cut
// into blocks of 4410 frames counted from the origin; each whole block's mean
// square, summed over left and right, is kept. Samples that are not finite
// are measured as 0. The energies take 4 bytes per block: 3.5 MB for a day.
class BlockEnergySurvey {
public:
    // Throws std::bad_alloc when libebur128 cannot be set up.
    BlockEnergySurvey();
    ~BlockEnergySurvey();
    BlockEnergySurvey(const BlockEnergySurvey&) = delete;
    BlockEnergySurvey& operator=(const BlockEnergySurvey&) = delete;

    // Frames [first, first + piece.size()) of the sound. Throws
    // std::logic_error when the piece does not follow on as described.
    void Add(std::span<const StereoFrame> piece, std::uint64_t first);

    // The frame the first piece began at.
    std::uint64_t Origin() const { return m_nOrigin; }
    // Whether the pieces so far make a sound of frames frames exactly once:
    // from frame 0 to its end in order, or, for a loop, from the origin round
    // through frame 0 back to the origin.
    bool Covers(std::uint64_t frames, bool loop) const;
    // The energy of each whole block, in order from the origin; the survey is
    // left without them.
    std::vector<float> TakeEnergies();

private:
    struct State;  // libebur128's, which has no name to declare ahead

    void Follow(std::uint64_t first, std::uint64_t count);
    void Gather(std::span<const StereoFrame> frames);
    void MeasureBlock();

    std::unique_ptr<State> m_pState;
    std::vector<float> m_energies;
    std::vector<float> m_block;  // the block being gathered, interleaved
    std::size_t m_nGathered = 0;  // frames of it so far
    bool m_bStarted = false;
    bool m_bWrapped = false;
    std::uint64_t m_nOrigin = 0;
    std::uint64_t m_nNext = 0;     // the frame the next piece must start at
    std::uint64_t m_nWrapEnd = 0;  // where the body ended, when the head came after it
};
