// The grain envelopes: each formula where its value is known by hand, its
// symmetry and smoothness, and the table that stands in for it.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/scheduling/envelope_shapes.h"
#include "engine/scheduling/window_shape.h"

namespace {

// A few roundings of 64-bit arithmetic away from the exact value.
constexpr double kFormulaTolerance = 1e-12;

struct KnownGain {
    WindowShape m_shape;
    double m_dX;
    double m_dGain;
};

// Gaussian: at x = ¼, (x − ½) / σ = −5/3, so the bell is exp(−25/18); at the
// ends it is exp(−50/9). Decay: x = ¼, ½, ¾ are u = 4/19, 9/19, 14/19 into
// the decay, so (1 − u)³ (1 + 3u) = (15/19)³ (31/19), (10/19)³ (46/19),
// (5/19)³ (61/19).
const double kGaussianEdge = std::exp(-50.0 / 9.0);
const double kGaussianQuarter = (std::exp(-25.0 / 18.0) - kGaussianEdge) / (1.0 - kGaussianEdge);
const KnownGain kKnownGains[] = {
    {WindowShape::Hann, 0.125, (1.0 - std::sqrt(0.5)) / 2.0},
    {WindowShape::Hann, 0.25, 0.5},
    {WindowShape::Hann, 0.5, 1.0},
    {WindowShape::Hann, 0.75, 0.5},
    {WindowShape::Tukey, 0.125, 0.5},
    {WindowShape::Tukey, 0.25, 1.0},
    {WindowShape::Tukey, 0.5, 1.0},
    {WindowShape::Tukey, 0.75, 1.0},
    {WindowShape::Tukey, 0.875, 0.5},
    {WindowShape::Gaussian, 0.25, kGaussianQuarter},
    {WindowShape::Gaussian, 0.5, 1.0},
    {WindowShape::Gaussian, 0.75, kGaussianQuarter},
    {WindowShape::Triangle, 0.1, 0.2},
    {WindowShape::Triangle, 0.25, 0.5},
    {WindowShape::Triangle, 0.5, 1.0},
    {WindowShape::Triangle, 0.75, 0.5},
    {WindowShape::Decay, 0.025, 0.5},
    {WindowShape::Decay, 0.05, 1.0},
    {WindowShape::Decay, 0.25, 104625.0 / 130321.0},
    {WindowShape::Decay, 0.5, 46000.0 / 130321.0},
    {WindowShape::Decay, 0.75, 7625.0 / 130321.0},
    {WindowShape::Swell, 0.75, 104625.0 / 130321.0},
    {WindowShape::Swell, 0.95, 1.0},
};

std::unique_ptr<std::byte[]> RefusingAllocate(std::size_t)
{
    return nullptr;
}

}  // namespace

TEST(WindowShape, EachFormulaGivesItsValuesKnownByHand)
{
    for (const KnownGain& known : kKnownGains) {
        EXPECT_NEAR(WindowShapeGain(known.m_shape, known.m_dX), known.m_dGain, kFormulaTolerance)
            << WindowShapeName(known.m_shape) << " at " << known.m_dX;
    }
}

// Silent at 0 and 1 and outside; the last frame of a 50 ms grain is quiet
// but not silent; nothing goes below 0 or above 1.
TEST(WindowShape, EveryShapeIsSilentAtItsEndsAndStaysWithinZeroAndOne)
{
    for (const WindowShape shape : AllWindowShapes()) {
        SCOPED_TRACE(WindowShapeName(shape));
        EXPECT_EQ(WindowShapeGain(shape, 0.0), 0.0);
        EXPECT_NEAR(WindowShapeGain(shape, 1.0), 0.0, kFormulaTolerance);
        EXPECT_EQ(WindowShapeGain(shape, -0.25), 0.0);
        EXPECT_EQ(WindowShapeGain(shape, 1.25), 0.0);
        const double last = WindowShapeGain(shape, 2204.0 / 2205.0);
        EXPECT_GT(last, 0.0);
        EXPECT_LT(last, 0.01);
        for (int i = 0; i <= 4099; ++i) {
            const double gain = WindowShapeGain(shape, i / 4099.0);
            ASSERT_GE(gain, 0.0);
            ASSERT_LE(gain, 1.0 + kFormulaTolerance);
        }
    }
}

TEST(WindowShape, SymmetricShapesReadTheSameFromEitherEndAndSwellIsDecayReversed)
{
    for (int i = 0; i <= 997; ++i) {
        const double x = i / 997.0;
        for (const WindowShape shape :
             {WindowShape::Hann, WindowShape::Tukey, WindowShape::Gaussian, WindowShape::Triangle})
            EXPECT_NEAR(WindowShapeGain(shape, x), WindowShapeGain(shape, 1.0 - x), kFormulaTolerance);
        EXPECT_EQ(WindowShapeGain(WindowShape::Swell, x), WindowShapeGain(WindowShape::Decay, 1.0 - x));
    }
    // The decay rises through its attack (to x = 0.05), then only falls.
    for (int i = 1; i <= 1000; ++i) {
        const double gain = WindowShapeGain(WindowShape::Decay, i / 1000.0);
        const double before = WindowShapeGain(WindowShape::Decay, (i - 1) / 1000.0);
        EXPECT_TRUE(i <= 50 ? gain > before : gain < before) << i;
    }
}

TEST(WindowShape, NamesAreDistinctAndFindTheirShape)
{
    std::set<std::string> names;
    for (const WindowShape shape : AllWindowShapes()) {
        names.insert(WindowShapeName(shape));
        EXPECT_EQ(FindWindowShape(WindowShapeName(shape)), shape);
    }
    EXPECT_EQ(names, (std::set<std::string>{"hann", "tukey", "gaussian", "triangle", "decay", "swell"}));
    EXPECT_EQ(AllWindowShapes().front(), WindowShape::Hann);
    for (const char* unknown : {"foo", "", "Hann", "hann "})
        EXPECT_FALSE(FindWindowShape(unknown).has_value()) << unknown;
}

// Frame i of an n-frame grain has the gain at i / n, to the rounding of a
// 32-bit float; the Hann window is today's grain window at every frame of
// grains from 10 ms to 2 s to that rounding too.
TEST(ShapedWindow, EachFrameHasItsShapesGain)
{
    for (const WindowShape shape : AllWindowShapes()) {
        for (const std::int32_t n : {441, 3307, 88200}) {
            const std::optional<ShapedWindow> window = ShapedWindow::Make(shape, n, SystemAllocate);
            ASSERT_TRUE(window.has_value());
            EXPECT_EQ(window->Shape(), shape);
            ASSERT_EQ(window->Frames(), n);
            for (std::int32_t i = 0; i < n; i += 7) {
                const double expected = WindowShapeGain(shape, static_cast<double>(i) / n);
                ASSERT_NEAR(window->Data()[i], expected, 6e-8) << WindowShapeName(shape) << " frame " << i;
                if (shape == WindowShape::Hann) {
                    ASSERT_NEAR(window->Data()[i], GrainWindowGain(static_cast<std::uint32_t>(i), n), 1e-7);
                }
            }
            // The paired gains are the gains themselves, each twice.
            for (std::int32_t i = 0; i < n; ++i) {
                ASSERT_EQ(window->PairData()[2 * i], window->Data()[i]) << "frame " << i;
                ASSERT_EQ(window->PairData()[2 * i + 1], window->Data()[i]) << "frame " << i;
            }
        }
    }
    EXPECT_FALSE(ShapedWindow::Make(WindowShape::Hann, 441, RefusingAllocate).has_value());
}
