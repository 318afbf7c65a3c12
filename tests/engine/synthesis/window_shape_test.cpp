// The grain envelopes: each formula at the points where its value is known by
// hand, its symmetry, its smoothness, and the table that stands in for it.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/synthesis/envelope_shapes.h"
#include "engine/synthesis/window_shape.h"

namespace {

// A few roundings of 64-bit arithmetic away from the exact value.
constexpr double kFormulaTolerance = 1e-12;

// The largest x below 1 an n-frame grain reads, for the grain of 2205
// frames (50 ms): the last frame of every shape is small but not silent.
constexpr double kLastFrameOfShortGrain = 2204.0 / 2205.0;

double Gain(WindowShape shape, double x)
{
    return WindowShapeGain(shape, x);
}

std::unique_ptr<std::byte[]> RefusingAllocate(std::size_t)
{
    return nullptr;
}

WindowTable TableOf(WindowShape shape)
{
    std::optional<WindowTable> table = WindowTable::Make(shape, SystemAllocate);
    EXPECT_TRUE(table.has_value());
    return std::move(table).value();
}

}  // namespace

TEST(WindowShape, EveryShapeIsSilentAtBothEndsAndOutsideTheGrain)
{
    for (const WindowShape shape : AllWindowShapes()) {
        SCOPED_TRACE(WindowShapeName(shape));
        EXPECT_EQ(Gain(shape, 0.0), 0.0);
        EXPECT_NEAR(Gain(shape, 1.0), 0.0, kFormulaTolerance);
        EXPECT_EQ(Gain(shape, -0.25), 0.0);
        EXPECT_EQ(Gain(shape, 1.25), 0.0);
        EXPECT_GT(Gain(shape, kLastFrameOfShortGrain), 0.0);
        EXPECT_LT(Gain(shape, kLastFrameOfShortGrain), 0.01);
    }
}

TEST(WindowShape, HannIsARaisedCosine)
{
    EXPECT_NEAR(Gain(WindowShape::Hann, 0.25), 0.5, kFormulaTolerance);
    EXPECT_NEAR(Gain(WindowShape::Hann, 0.5), 1.0, kFormulaTolerance);
    EXPECT_NEAR(Gain(WindowShape::Hann, 0.75), 0.5, kFormulaTolerance);
    // (1 − cos(2π/8)) / 2 = (1 − √½) / 2
    EXPECT_NEAR(Gain(WindowShape::Hann, 0.125), (1.0 - std::sqrt(0.5)) / 2.0, kFormulaTolerance);
}

TEST(WindowShape, TukeyIsFlatBetweenItsQuarterLengthTapers)
{
    EXPECT_NEAR(Gain(WindowShape::Tukey, 0.125), 0.5, kFormulaTolerance);  // the middle of the rising taper
    EXPECT_NEAR(Gain(WindowShape::Tukey, 0.875), 0.5, kFormulaTolerance);
    for (const double x : {0.25, 0.3, 0.5, 0.7, 0.75})
        EXPECT_EQ(Gain(WindowShape::Tukey, x), 1.0) << x;
    EXPECT_LT(Gain(WindowShape::Tukey, 0.24), 1.0);
    EXPECT_LT(Gain(WindowShape::Tukey, 0.76), 1.0);
}

TEST(WindowShape, GaussianIsABellOfWidthPointFifteenBroughtToZeroAtItsEnds)
{
    // At x = ¼: (x − ½) / σ = −5/3, so the bell is exp(−25/18); at the ends
    // it is exp(−50/9).
    const double edge = std::exp(-50.0 / 9.0);
    EXPECT_NEAR(Gain(WindowShape::Gaussian, 0.25), (std::exp(-25.0 / 18.0) - edge) / (1.0 - edge), kFormulaTolerance);
    EXPECT_NEAR(Gain(WindowShape::Gaussian, 0.5), 1.0, kFormulaTolerance);
    EXPECT_NEAR(Gain(WindowShape::Gaussian, 0.75), (std::exp(-25.0 / 18.0) - edge) / (1.0 - edge), kFormulaTolerance);
}

TEST(WindowShape, TriangleRisesAndFallsInStraightLines)
{
    EXPECT_NEAR(Gain(WindowShape::Triangle, 0.25), 0.5, kFormulaTolerance);
    EXPECT_NEAR(Gain(WindowShape::Triangle, 0.5), 1.0, kFormulaTolerance);
    EXPECT_NEAR(Gain(WindowShape::Triangle, 0.75), 0.5, kFormulaTolerance);
    EXPECT_NEAR(Gain(WindowShape::Triangle, 0.1), 0.2, kFormulaTolerance);
}

TEST(WindowShape, DecayPeaksAfterAShortAttackAndFallsSlowly)
{
    EXPECT_NEAR(Gain(WindowShape::Decay, 0.025), 0.5, kFormulaTolerance);  // the middle of the attack
    EXPECT_NEAR(Gain(WindowShape::Decay, 0.05), 1.0, kFormulaTolerance);
    // x = ¼ is u = 4/19 into the decay: (15/19)³ (1 + 12/19) = 104625 / 130321.
    EXPECT_NEAR(Gain(WindowShape::Decay, 0.25), 104625.0 / 130321.0, kFormulaTolerance);
    // x = ½ is u = 9/19: (10/19)³ (1 + 27/19) = 46000 / 130321.
    EXPECT_NEAR(Gain(WindowShape::Decay, 0.5), 46000.0 / 130321.0, kFormulaTolerance);
    // x = ¾ is u = 14/19: (5/19)³ (1 + 42/19) = 7625 / 130321.
    EXPECT_NEAR(Gain(WindowShape::Decay, 0.75), 7625.0 / 130321.0, kFormulaTolerance);
}

TEST(WindowShape, DecayRisesThenOnlyFalls)
{
    double previous = 0.0;
    for (int i = 1; i <= 1000; ++i) {
        const double x = i / 1000.0;
        const double gain = Gain(WindowShape::Decay, x);
        if (x <= 0.05) {
            EXPECT_GT(gain, previous) << x;
        } else {
            EXPECT_LT(gain, previous) << x;
        }
        previous = gain;
    }
}

TEST(WindowShape, SwellIsTheDecayPlayedBackwards)
{
    for (int i = 0; i <= 1000; ++i) {
        const double x = i / 1000.0;
        EXPECT_EQ(Gain(WindowShape::Swell, x), Gain(WindowShape::Decay, 1.0 - x)) << x;
    }
    EXPECT_NEAR(Gain(WindowShape::Swell, 0.95), 1.0, kFormulaTolerance);
}

TEST(WindowShape, SymmetricShapesReadTheSameFromEitherEnd)
{
    for (const WindowShape shape :
         {WindowShape::Hann, WindowShape::Tukey, WindowShape::Gaussian, WindowShape::Triangle}) {
        SCOPED_TRACE(WindowShapeName(shape));
        for (int i = 0; i <= 997; ++i) {
            const double x = i / 997.0;
            EXPECT_NEAR(Gain(shape, x), Gain(shape, 1.0 - x), kFormulaTolerance) << x;
        }
    }
}

TEST(WindowShape, GainsStayBetweenZeroAndOne)
{
    for (const WindowShape shape : AllWindowShapes()) {
        for (int i = 0; i <= 4099; ++i) {
            const double gain = Gain(shape, i / 4099.0);
            EXPECT_GE(gain, 0.0);
            EXPECT_LE(gain, 1.0 + kFormulaTolerance);
        }
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
    EXPECT_FALSE(FindWindowShape("foo").has_value());
    EXPECT_FALSE(FindWindowShape("").has_value());
    EXPECT_FALSE(FindWindowShape("Hann").has_value());
    EXPECT_FALSE(FindWindowShape("hann ").has_value());
}

// No shape jumps: between neighbouring table points no gain changes by more
// than the steepest shape can. The decay's attack is the steepest: a raised
// cosine over a = 0.05 climbs at most π / (2a) ≈ 31.4 per unit of x, which is
// 0.00096 per table interval.
TEST(WindowTable, NoShapeStepsBetweenNeighbouringPoints)
{
    const double largestStep = 3.1416 / (2 * 0.05) / WindowTable::kIntervals;
    for (const WindowShape shape : AllWindowShapes()) {
        SCOPED_TRACE(WindowShapeName(shape));
        const WindowTable table = TableOf(shape);
        double steepest = 0.0;
        for (int i = 0; i < WindowTable::kIntervals; ++i)
            steepest = std::max(steepest, std::abs(table.Data()[i + 1] - table.Data()[i]));
        EXPECT_LE(steepest, largestStep);
        EXPECT_EQ(table.Data()[WindowTable::kIntervals + 1], table.Data()[WindowTable::kIntervals]);
    }
}

// Linear interpolation between points 1/kIntervals apart misses a curve by at
// most (1/kIntervals)² / 8 times its curvature: for the decay's attack,
// (π/a)² / 2 ≈ 1974, that is 2.3e-7, well inside the 1e-6 the table promises.
TEST(WindowTable, InterpolationStaysWithinAMillionthOfTheFormula)
{
    for (const WindowShape shape : AllWindowShapes()) {
        SCOPED_TRACE(WindowShapeName(shape));
        const WindowTable table = TableOf(shape);
        EXPECT_EQ(table.Shape(), shape);
        double worst = 0.0;
        // A spacing that is no fraction of the table's, so the samples fall
        // at every offset between points.
        for (int i = 0; i < 200000; ++i) {
            const double x = i / 199999.7;
            worst = std::max(worst, std::abs(table.At(x) - Gain(shape, x)));
        }
        for (const double x : {0.0, 0.05, 0.25, 0.5, 0.75, 0.95, 1.0 - 1e-12, 1.0})
            worst = std::max(worst, std::abs(table.At(x) - Gain(shape, x)));
        EXPECT_LT(worst, 1e-6);
    }
}

TEST(WindowTable, ReadsOutsideTheGrainAreItsEnds)
{
    const WindowTable table = TableOf(WindowShape::Swell);
    EXPECT_EQ(table.At(-0.5), table.At(0.0));
    EXPECT_EQ(table.At(1.5), table.At(1.0));
    EXPECT_EQ(table.At(std::nan("")), table.At(0.0));
    EXPECT_NEAR(table.At(1.0), 0.0, kFormulaTolerance);
}

// The table's Hann is today's grain window: at every frame of grains from
// 10 ms to 2 s, within the table's promised 1e-6.
TEST(WindowTable, HannMatchesTheGrainWindow)
{
    const WindowTable table = TableOf(WindowShape::Hann);
    for (const std::int32_t n : {441, 2205, 35280, 88200}) {
        double worst = 0.0;
        for (std::int32_t i = 0; i < n; ++i) {
            const double x = i / static_cast<double>(n);
            worst = std::max(worst, std::abs(table.At(x) - GrainWindowGain(static_cast<std::uint32_t>(i), n)));
        }
        EXPECT_LT(worst, 1e-6) << n << " frames";
    }
}

TEST(WindowTable, WithoutMemoryThereIsNoTable)
{
    EXPECT_FALSE(WindowTable::Make(WindowShape::Hann, RefusingAllocate).has_value());
}
