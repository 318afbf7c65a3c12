// Where grains are read from: two candidates wandering through the middle of
// the source, swapped in and out across each segment.
#include <gtest/gtest.h>

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
