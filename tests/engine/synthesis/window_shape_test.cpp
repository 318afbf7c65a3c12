// The grain envelopes: each formula where its value is known by hand, its
// symmetry and smoothness, and the table that stands in for it.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/synthesis/envelope_shapes.h"
#include "engine/synthesis/window_shape.h"

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

WindowTable TableOf(WindowShape shape)
{
    return WindowTable::Make(shape, SystemAllocate).value();
}

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

// No shape jumps: neighbouring table points differ by no more than the
// steepest shape climbs between them. That is the decay's attack, a raised
// cosine over a = 0.05 rising at most π / (2a) ≈ 31.4 per unit of x.
// Linear interpolation between points 1/kIntervals apart misses a curve by at
// most (1/kIntervals)² / 8 times its curvature, for the same attack
// (π/a)² / 2 ≈ 1974: 2.3e-7, inside the table's promised 1e-6.
TEST(WindowTable, EveryShapeIsContinuousAndReadsBackWithinAMillionth)
{
    for (const WindowShape shape : AllWindowShapes()) {
        SCOPED_TRACE(WindowShapeName(shape));
        const WindowTable table = TableOf(shape);
        EXPECT_EQ(table.Shape(), shape);
        double steepest = 0.0;
        for (int i = 0; i < WindowTable::kIntervals; ++i)
            steepest = std::max(steepest, std::abs(table.Data()[i + 1] - table.Data()[i]));
        EXPECT_LE(steepest, 3.1416 / (2 * 0.05) / WindowTable::kIntervals);
        EXPECT_EQ(table.Data()[WindowTable::kIntervals + 1], table.Data()[WindowTable::kIntervals]);
        double worst = 0.0;
        // A spacing that is no fraction of the table's: samples at every
        // offset between points, and the ends.
        for (int i = 0; i < 200000; ++i)
            worst = std::max(worst, std::abs(table.At(i / 199999.7) - WindowShapeGain(shape, i / 199999.7)));
        for (const double x : {0.0, 0.05, 0.95, 1.0 - 1e-12, 1.0})
            worst = std::max(worst, std::abs(table.At(x) - WindowShapeGain(shape, x)));
        EXPECT_LT(worst, 1e-6);
    }
}

TEST(WindowTable, ReadsOutsideTheGrainGiveItsEnds)
{
    const WindowTable table = TableOf(WindowShape::Swell);
    EXPECT_EQ(table.At(-0.5), table.At(0.0));
    EXPECT_EQ(table.At(1.5), table.At(1.0));
    EXPECT_EQ(table.At(std::nan("")), table.At(0.0));
    EXPECT_FALSE(WindowTable::Make(WindowShape::Hann, RefusingAllocate).has_value());
}

// The table's Hann is today's grain window at every frame of grains from
// 10 ms to 2 s, within the table's promised 1e-6.
TEST(WindowTable, HannMatchesTheGrainWindow)
{
    const WindowTable table = TableOf(WindowShape::Hann);
    for (const std::int32_t n : {441, 2205, 35280, 88200}) {
        double worst = 0.0;
        for (std::int32_t i = 0; i < n; ++i) {
            const double window = GrainWindowGain(static_cast<std::uint32_t>(i), n);
            worst = std::max(worst, std::abs(table.At(i / static_cast<double>(n)) - window));
        }
        EXPECT_LT(worst, 1e-6) << n << " frames";
    }
}
