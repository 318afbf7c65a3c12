// The grain envelopes a user can choose, their formulas and a table of each
// for fast lookup while grains are added.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "engine/buffer_allocator.h"
#include "engine/zeroed_buffer.h"

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

// "hann", "tukey", "gaussian", "triangle", "decay" or "swell".
const char* WindowShapeName(WindowShape shape);
// The shape of that exact name (lower case, as WindowShapeName gives it).
std::optional<WindowShape> FindWindowShape(std::string_view name);
// Every shape, Hann first, in the order of the enumeration.
std::span<const WindowShape> AllWindowShapes();

// The gain of shape at x, by its formula, in 64-bit floating point.
double WindowShapeGain(WindowShape shape, double x);

// One shape sampled at kIntervals + 1 evenly spaced points from x = 0 to
// x = 1, read back by linear interpolation. The points are dense enough for
// the steepest shape (the decay's attack) to come back within 1e-6 of its
// formula everywhere.
class WindowTable {
public:
    static constexpr int kIntervals = 32768;
    // The table holds one value more than the points: a copy of the value at
    // x = 1, so that a read at x = 1 finds its right-hand neighbour.
    static constexpr int kValues = kIntervals + 2;

    // The table of shape, or nothing when allocate cannot give its memory.
    static std::optional<WindowTable> Make(WindowShape shape, BufferAllocator allocate);

    // s = x × kIntervals, i = trunc(s), f = s − i:
    // t[i] + (t[i + 1] − t[i]) × f, in 64-bit floating point, nothing fused.
    // x is first brought into [0, 1] (a value that is not a number counts as
    // 0), so i lies in [0, kIntervals] and t[i + 1] always exists.
    double At(double x) const;

    WindowShape Shape() const { return m_shape; }
    // The kValues values t[0] .. t[kIntervals + 1], t[i] = gain at i / kIntervals.
    const double* Data() const { return m_values.data(); }

private:
    WindowTable(WindowShape shape, ZeroedBuffer<double> values);

    WindowShape m_shape;
    ZeroedBuffer<double> m_values;
};
