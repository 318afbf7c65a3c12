// The grain envelopes a user can choose, their formulas and a table of each
// for fast lookup while grains are added.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "engine/base/buffer_allocator.h"
#include "engine/base/zeroed_buffer.h"

// Each shape is a gain g(x) over the grain, x = i / n at frame i of an n-frame
// grain, 0 <= x <= 1. Every shape is periodic in the way the grain window has
// always been: g(0) = g(1) = 0, so frame 0 is silent and the last frame is
// small but not 0. Outside [0, 1] every shape is 0.
//
//   hann      (1 − cos 2πx) / 2
//   tukey     a flat top with raised-cosine tapers, each a quarter of the grain
//             (taper share r = 0.5):
//               x < r/2:       (1 − cos(2πx / r)) / 2
//               x > 1 − r/2:   (1 − cos(2π(1 − x) / r)) / 2
//               otherwise:     1
//   gaussian  g(x) = exp(−½ ((x − ½) / σ)²), σ = 0.15, shifted and rescaled
//             to reach 0 at both ends and 1 in the middle:
//               (g(x) − g(0)) / (1 − g(0))
//   triangle  1 − |2x − 1|
//   decay     a short attack (a = 0.05) and a long decay:
//               x < a:         (1 − cos(πx / a)) / 2
//               otherwise:     (1 − u)³ (1 + 3u),  u = (x − a) / (1 − a)
//             The decay leaves the peak with slope 0, as the attack reaches
//             it, and ends at 0 with slope and curvature 0: no corner, no
//             click at either end.
//   swell     the decay reversed, a long rise and a short release:
//               decay(1 − x)
enum class WindowShape { Hann, Tukey, Gaussian, Triangle, Decay, Swell };

// "hann", "tukey", "gaussian", "triangle", "decay" or "swell": the window
// parameter's choices.
const char* WindowShapeName(WindowShape shape);
// The shape of that exact name (lower case, as WindowShapeName gives it).
std::optional<WindowShape> FindWindowShape(std::string_view name);
// Every shape, Hann first, in the order of the enumeration.
std::span<const WindowShape> AllWindowShapes();

// The gain of shape at x, by its formula, in 64-bit floating point.
double WindowShapeGain(WindowShape shape, double x);

// One shape at every frame of a grain of a given length: frame i of an
// n-frame grain has the gain at x = i / n, as a 32-bit float. Made once for
// each shape and length a render uses, read frame by frame as grains are
// added. Each gain is also kept twice in a row (PairData), so that vector
// code weighting both channels of a frame loads the gains as they lie.
class ShapedWindow {
public:
    // The window of shape for grains of frames frames, or nothing when
    // allocate cannot give its memory.
    static std::optional<ShapedWindow> Make(WindowShape shape, std::int32_t frames, BufferAllocator allocate);

    WindowShape Shape() const { return m_shape; }
    std::int32_t Frames() const { return m_nFrames; }
    const float* Data() const { return m_gains.data(); }
    // Gain i at 2i and 2i + 1.
    const float* PairData() const { return m_gains.data() + m_nFrames; }

private:
    ShapedWindow(WindowShape shape, std::int32_t frames, ZeroedBuffer<float> gains);

    WindowShape m_shape;
    std::int32_t m_nFrames;
    ZeroedBuffer<float> m_gains;  // the gains, then each of them twice
};
