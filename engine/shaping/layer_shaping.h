// A layer's sound shaped after its grains: its tone (a low cut and a high
// cut), its width (the channels decorrelated as its grains spread) and its
// place (an equal-power pan), each only when asked for, so a layer that asks
// for none keeps its sound to the bit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "engine/shaping/channel_decorrelator.h"
#include "engine/shaping/tone_filter.h"
#include "engine/base/stereo_frame.h"

// The values that move, at one frame.
struct ShapingValues {
    double m_dPan = 0.0;            // -100 (left) to 100 (right)
    double m_dWidth = 0.0;          // 0 to 1: the spread of the grains
    double m_dHighCutHz = 20000.0;  // the high cut's cut-off (20000: open)
    double m_dLowCutHz = 0.0;       // the low cut's cut-off (0: open)
};

// What a layer asks for, and where its values come from.
struct ShapingPlan {
    bool m_bPan = false;
    bool m_bWidth = false;
    bool m_bHighCut = false;
    bool m_bLowCut = false;
    int m_nSlopeDb = 12;  // of both cuts: 12 or 24 dB per octave
    // The values at a frame of the sound; they are taken at every 32nd frame
    // and move in straight lines between.
    std::function<ShapingValues(std::uint64_t frame)> m_valuesAt;

    bool Any() const { return m_bPan || m_bWidth || m_bHighCut || m_bLowCut; }
};

class LayerShaping {
public:
    static constexpr std::uint64_t kStepFrames = 32;

    explicit LayerShaping(ShapingPlan plan);

    // Back to silence, as before the first frame.
    void Reset();
    // Frames from first (of the sound the values are given for), in place.
    // Pieces come in order without gaps; how the sound is cut into pieces
    // does not change a bit of the result.
    void Process(std::span<StereoFrame> piece, std::uint64_t first);

private:
    // The values turned into what the frames use.
    struct Point {
        double m_dPanLeft = 1.0;
        double m_dPanRight = 1.0;
        double m_dWidth = 0.0;
        double m_dHighG = 0.0;
        double m_dLowG = 0.0;
    };

    Point PointAt(std::uint64_t frame) const;
    void ProcessFrame(const Point& point, StereoFrame& frame);

    ShapingPlan m_plan;
    ToneCut m_highCut;
    ToneCut m_lowCut;
    ChannelDecorrelator m_decorrelator;
    // The points at both ends of the current step.
    std::optional<std::uint64_t> m_step;
    Point m_from;
    Point m_to;
};
