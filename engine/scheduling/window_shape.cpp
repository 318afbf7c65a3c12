#include "engine/scheduling/window_shape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <utility>

#include "engine/parameters/parameter_table.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

constexpr std::array kShapes{WindowShape::Hann,     WindowShape::Tukey, WindowShape::Gaussian,
                             WindowShape::Triangle, WindowShape::Decay, WindowShape::Swell};

constexpr double kTukeyTaperShare = 0.5;
constexpr double kGaussianSigma = 0.15;
constexpr double kDecayAttack = 0.05;

double RaisedCosine(double phase)
{
    return (1.0 - std::cos(phase)) * 0.5;
}

double HannGain(double x)
{
    return RaisedCosine(kTwoPi * x);
}

double TukeyGain(double x)
{
    const double taper = kTukeyTaperShare * 0.5;
    if (x < taper)
        return RaisedCosine(kTwoPi * x / kTukeyTaperShare);
    if (x > 1.0 - taper)
        return RaisedCosine(kTwoPi * (1.0 - x) / kTukeyTaperShare);
    return 1.0;
}

double GaussianBell(double x)
{
    const double z = (x - 0.5) / kGaussianSigma;
    return std::exp(-0.5 * z * z);
}

double GaussianGain(double x)
{
    const double atEdge = GaussianBell(0.0);
    return (GaussianBell(x) - atEdge) / (1.0 - atEdge);
}

double TriangleGain(double x)
{
    return 1.0 - std::abs(2.0 * x - 1.0);
}

// (1 − u)³ (1 + 3u) falls from 1 to 0 with slope 0 at both ends, and with
// curvature 0 as it reaches 0.
double DecayGain(double x)
{
    if (x < kDecayAttack)
        return RaisedCosine(kPi * x / kDecayAttack);
    const double u = (x - kDecayAttack) / (1.0 - kDecayAttack);
    const double rest = 1.0 - u;
    return rest * rest * rest * (1.0 + 3.0 * u);
}

}  // namespace

// The names are the window parameter's choices, in the order of the shapes.
const char* WindowShapeName(WindowShape shape)
{
    static_assert(std::size(kWindowChoices) == std::size(kShapes));
    return kWindowChoices[static_cast<std::size_t>(shape)];
}

std::optional<WindowShape> FindWindowShape(std::string_view name)
{
    for (const WindowShape shape : kShapes) {
        if (name == WindowShapeName(shape))
            return shape;
    }
    return std::nullopt;
}

std::span<const WindowShape> AllWindowShapes()
{
    return kShapes;
}

double WindowShapeGain(WindowShape shape, double x)
{
    if (!(x >= 0.0 && x <= 1.0))
        return 0.0;
    switch (shape) {
    case WindowShape::Hann:
        return HannGain(x);
    case WindowShape::Tukey:
        return TukeyGain(x);
    case WindowShape::Gaussian:
        return GaussianGain(x);
    case WindowShape::Triangle:
        return TriangleGain(x);
    case WindowShape::Decay:
        return DecayGain(x);
    case WindowShape::Swell:
        return DecayGain(1.0 - x);
    }
    return 0.0;
}

std::optional<ShapedWindow> ShapedWindow::Make(WindowShape shape, std::int32_t frames, BufferAllocator allocate)
{
    const auto count = static_cast<std::uint64_t>(std::max(frames, 0));
    // One allocation: the gains, then the same gains each twice.
    std::optional<ZeroedBuffer<float>> gains = ZeroedBuffer<float>::Allocate(allocate, 3 * count);
    if (!gains)
        return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(count);
        const auto gain = static_cast<float>(WindowShapeGain(shape, x));
        (*gains)[i] = gain;
        (*gains)[count + 2 * i] = gain;
        (*gains)[count + 2 * i + 1] = gain;
    }
    return ShapedWindow(shape, static_cast<std::int32_t>(count), std::move(*gains));
}

ShapedWindow::ShapedWindow(WindowShape shape, std::int32_t frames, ZeroedBuffer<float> gains)
    : m_shape(shape)
    , m_nFrames(frames)
    , m_gains(std::move(gains))
{
}
