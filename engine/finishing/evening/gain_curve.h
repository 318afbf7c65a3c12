// A gain that moves slowly over a long sound: one value every 100 ms, and a
// straight line between them, asked for at any frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Where the points of a curve lie on a sound of m_nFrames frames: point k is
// k × kPointFrames frames after m_nOrigin, going forwards (round the seam of a
// loop, whose last frame flows into its first). An open sound's origin is its
// first frame, and its last point lies at or past its last frame; a loop's
// points go round once, and the stretch after its last point runs to point 0.
struct CurvePlacement {
    static constexpr std::uint64_t kPointFrames = 4410;  // 100 ms at the run's rate

    std::uint64_t m_nFrames = 0;
    std::uint64_t m_nOrigin = 0;  // below m_nFrames; 0 for an open sound
    bool m_bLoop = false;

    // An open sound's origin is 0; a loop's lies within it.
    bool IsValid() const;
    // How many points cover the sound (0 for no frames).
    std::size_t PointCount() const;
    // Frames from the origin forwards to frame (frame below m_nFrames).
    std::uint64_t OffsetOf(std::uint64_t frame) const;
};

class GainCurve {
public:
    // A gain of 1 everywhere.
    GainCurve() = default;
    // factors holds placement.PointCount() gains, as factors; throws
    // std::invalid_argument otherwise, or when the placement is not valid.
    GainCurve(const CurvePlacement& placement, std::vector<float> factors);

    // The gain at frame (past the last frame: the last frame's), a factor:
    // the factors of the points either side, weighed by the frame's distance
    // to each. The same frame always gives the same bits.
    double At(std::uint64_t frame) const;

    bool IsUnity() const { return m_factors.empty(); }
    const std::vector<float>& Factors() const { return m_factors; }

private:
    CurvePlacement m_placement;
    std::vector<float> m_factors;
};
