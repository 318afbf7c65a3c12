// Where grains are read from: two candidates wandering through the middle of
// the source, swapped in and out across each segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/scheduling/scan_walk.h"

namespace {

constexpr std::int32_t kGrainFrames = 2205;

class GrainPositionTest : public testing::Test {
protected:
    GrainPositionTest()
    {
        m_walk.SetScanFrames(100);
        m_walk.SetSegmentGrains(1000);
        UseSpan(100000);
        m_walk.SetRandomState(1);
    }

    // The span of start frames: a source of kGrainFrames + 1 + span frames
    // for grains that are not transposed.
    void UseSpan(std::uint32_t span) { m_walk.SetSpan(span); }

    ScanWalk m_walk;
};

}  // namespace

TEST_F(GrainPositionTest, WorkedExampleFromStateOne)
{
    EXPECT_EQ(m_walk.ChooseGrainPosition(0), 54978);  // B = 55086 stepped by −108
    EXPECT_EQ(m_walk.GetPositionA(), 10100);
    EXPECT_EQ(m_walk.GetPositionB(), 54978);
    EXPECT_EQ(m_walk.GetSegmentLength(), 693);

    EXPECT_EQ(m_walk.ChooseGrainPosition(1), 55117);  // B again, stepped by +139
    EXPECT_EQ(m_walk.GetPositionA(), 10100);
    EXPECT_EQ(m_walk.GetPositionB(), 55117);
    EXPECT_EQ(m_walk.GetGrainInSegment(), 2);
}

TEST_F(GrainPositionTest, FirstGrainOfARunAlwaysReadsFromB)
{
    for (std::uint32_t state = 0; state < 200; ++state) {
        m_walk.SetRandomState(state);
        const std::int32_t p = m_walk.ChooseGrainPosition(0);
        EXPECT_EQ(p, m_walk.GetPositionB()) << "state " << state;
        EXPECT_NE(p, m_walk.GetPositionA()) << "state " << state;
    }
}

// At the middle of an even segment the blend is 0: A is used, and B is given
// its fresh place, from which it is only used afterwards.
TEST_F(GrainPositionTest, MiddleOfAnEvenSegmentReadsFromAAndMovesB)
{
    for (std::uint32_t state = 0; state < 200; ++state) {
        m_walk.SetRandomState(state);
        m_walk.SetPositions(30000, 70000);
        m_walk.SetSegment(400, 200);
        const std::int32_t p = m_walk.ChooseGrainPosition(5);
        EXPECT_EQ(p, m_walk.GetPositionA()) << "state " << state;
        EXPECT_GE(std::abs(p - 30000), 50) << "a step is at least half the scan";
        EXPECT_LE(std::abs(p - 30000), 150) << "and less than one and a half times it";
        EXPECT_NE(m_walk.GetPositionB(), 70000) << "state " << state;
        EXPECT_GE(m_walk.GetPositionB(), 10000);
        EXPECT_LT(m_walk.GetPositionB(), 90000);
    }
}

TEST_F(GrainPositionTest, EndOfASegmentStartsANewOneFromB)
{
    for (std::uint32_t state = 0; state < 200; ++state) {
        m_walk.SetRandomState(state);
        m_walk.SetPositions(30000, 70000);
        m_walk.SetSegment(700, 700);
        const std::int32_t p = m_walk.ChooseGrainPosition(9);
        EXPECT_EQ(p, m_walk.GetPositionB());
        EXPECT_NEAR(p, 70000, 150);
        EXPECT_NE(m_walk.GetPositionA(), 30000) << "A moved to a fresh place";
        EXPECT_EQ(m_walk.GetGrainInSegment(), 1);
        EXPECT_GE(m_walk.GetSegmentLength(), 500);  // half to one and a half times the mean
        EXPECT_LT(m_walk.GetSegmentLength(), 1500);
    }
}

TEST_F(GrainPositionTest, StepsStopExactlyOnTheBounds)
{
    int onLow = 0;
    int onHigh = 0;
    for (std::uint32_t state = 0; state < 100; ++state) {
        m_walk.SetRandomState(state);
        m_walk.SetPositions(10003, 89997);  // just inside trunc(0.1 S) and trunc(0.9 S)
        m_walk.SetSegment(400, 200);   // reads from A
        const std::int32_t low = m_walk.ChooseGrainPosition(3);
        EXPECT_GE(low, 10000);
        onLow += low == 10000;

        m_walk.SetPositions(10003, 89997);
        m_walk.SetSegment(400, 1);  // almost surely B
        const std::int32_t high = m_walk.ChooseGrainPosition(3);
        EXPECT_LE(high, 90000);
        onHigh += high == 90000;
    }
    EXPECT_GT(onLow, 0);
    EXPECT_GT(onHigh, 0);
}

TEST_F(GrainPositionTest, ReadsStayInsideTheSourceOverALongRun)
{
    const std::uint32_t sourceFrames = 100000 + kGrainFrames + 1;
    for (std::int32_t k = 0; k < 50000; ++k) {
        const std::int32_t p = m_walk.ChooseGrainPosition(k);
        ASSERT_GE(p, 0);
        ASSERT_LE(static_cast<std::uint32_t>(p) + kGrainFrames, sourceFrames) << "grain " << k;
    }
}

TEST_F(GrainPositionTest, SourceOneFrameLongerThanAGrainReadsFromFrameZero)
{
    UseSpan(0);
    for (std::int32_t k = 0; k < 3000; ++k)
        ASSERT_EQ(m_walk.ChooseGrainPosition(k), 0);
}

// At a density of one grain a second a segment of a second is one grain on
// average: a segment never draws 0 grains (which would never end), so the
// reading still moves to fresh places, each segment after a grain or two.
TEST_F(GrainPositionTest, ASegmentOfOneGrainStillEnds)
{
    m_walk.SetSegmentGrains(1);
    m_walk.SetScanFrames(44100);
    int fresh = 0;
    for (std::int32_t k = 0; k < 200; ++k) {
        m_walk.ChooseGrainPosition(k);
        const WalkState state = m_walk.GetState();
        ASSERT_GE(state.m_nSegmentLength, 1) << k;
        ASSERT_LE(state.m_nGrainInSegment, state.m_nSegmentLength) << k;
        fresh += state.m_nGrainInSegment == 1;
    }
    EXPECT_GT(fresh, 100);
}

// A position with the whole spread is the walk as it always was, to the bit,
// wherever the position lies.
TEST_F(GrainPositionTest, TheWholeSpreadIgnoresThePosition)
{
    std::vector<std::int32_t> plain;
    for (std::int32_t k = 0; k < 5000; ++k)
        plain.push_back(m_walk.ChooseGrainPosition(k));
    for (const double position : {0.0, 0.3, 1.0}) {
        ScanWalk placed;
        placed.SetScanFrames(100);
        placed.SetSegmentGrains(1000);
        placed.SetSpan(100000);
        placed.SetPlace(position, 1.0);
        placed.SetRandomState(1);
        for (std::int32_t k = 0; k < 5000; ++k)
            ASSERT_EQ(placed.ChooseGrainPosition(k), plain[static_cast<std::size_t>(k)]) << position << ", " << k;
    }
}

// A narrower spread keeps every read within spread × 80 % of the span around
// the position (pushed inside near the ends), and the reads fill that
// window; a spread of 0 reads at the position itself, the ends of the span
// included; a position that moves takes the candidates with it.
TEST_F(GrainPositionTest, ASpreadKeepsTheReadsAroundThePosition)
{
    const struct {
        double m_dPosition;
        double m_dSpread;
        std::int32_t m_nLow;
        std::int32_t m_nHigh;
    } cases[] = {{0.3, 0.1, 26000, 34000}, {0.0, 0.1, 1000, 9000}, {1.0, 0.25, 77500, 97500}};
    for (const auto& place : cases) {
        SCOPED_TRACE(place.m_dPosition);
        m_walk.SetPlace(place.m_dPosition, place.m_dSpread);
        std::int32_t lowest = place.m_nHigh;
        std::int32_t highest = place.m_nLow;
        for (std::int32_t k = 0; k < 20000; ++k) {
            const std::int32_t p = m_walk.ChooseGrainPosition(k);
            ASSERT_GE(p, place.m_nLow) << k;
            ASSERT_LE(p, place.m_nHigh) << k;
            lowest = std::min(lowest, p);
            highest = std::max(highest, p);
        }
        EXPECT_LT(lowest, place.m_nLow + 1000);
        EXPECT_GT(highest, place.m_nHigh - 1000);
    }
    for (const double position : {0.0, 0.25, 1.0}) {
        m_walk.SetPlace(position, 0.0);
        for (std::int32_t k = 0; k < 100; ++k)
            ASSERT_EQ(m_walk.ChooseGrainPosition(k), static_cast<std::int32_t>(position * 100000)) << k;
    }
    m_walk.SetPlace(0.2, 0.02);
    m_walk.ChooseGrainPosition(0);
    m_walk.SetPlace(0.7, 0.02);
    const std::int32_t moved = m_walk.ChooseGrainPosition(1);
    EXPECT_GE(moved, 69200);
    EXPECT_LE(moved, 70800);
}

// At one grain a second the step is a second of the source, far wider than a
// narrow window: it is cut to an eighth of the window, so the reads fill the
// window rather than land on its two edges (uncut, all of them would; about
// one in six does).
TEST_F(GrainPositionTest, ANarrowSpreadCutsWideStepsToIt)
{
    m_walk.SetScanFrames(44100);
    m_walk.SetPlace(0.5, 0.1);  // 46000 to 54000
    int onEdges = 0;
    for (std::int32_t k = 0; k < 1000; ++k) {
        const std::int32_t p = m_walk.ChooseGrainPosition(k);
        ASSERT_GE(p, 46000);
        ASSERT_LE(p, 54000);
        onEdges += p == 46000 || p == 54000 ? 1 : 0;
    }
    EXPECT_LT(onEdges, 250);
}

// A position that moves faster than the walk's steps (200 frames a grain
// against steps of 50 to 150) is followed, not trailed: the candidates move
// with the window, so the reads lie around its middle rather than pinned to
// its trailing end, 4000 frames behind.
TEST_F(GrainPositionTest, TheReadingMovesWithAMovingPosition)
{
    double offsets = 0.0;
    for (std::int32_t k = 0; k < 400; ++k) {
        const double position = 0.1 + 0.002 * k;
        m_walk.SetPlace(position, 0.1);
        offsets += m_walk.ChooseGrainPosition(k) - position * 100000;
    }
    EXPECT_LT(std::fabs(offsets / 400), 1500.0);
}
