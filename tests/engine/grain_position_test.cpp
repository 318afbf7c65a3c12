// Where grains are read from: two candidates wandering through the middle of
// the source, swapped in and out across each segment.
#include <gtest/gtest.h>

#include "tests/engine/fake_host.h"
#include "tests/engine/run_probe.h"

namespace {

constexpr std::int32_t kGrainFrames = 2205;

class GrainPositionTest : public testing::Test {
protected:
    GrainPositionTest()
    {
        GenerationSettings settings;
        settings.m_nGrainFrames = kGrainFrames;
        settings.m_nScanFrames = 100;
        settings.m_nSegmentGrains = 1000;
        m_run.SetSettings(settings);
        UseSpan(100000);
        m_run.SetRandomState(1);
    }

    // The span of start frames is the source length less a grain and one frame.
    void UseSpan(std::uint32_t span) { m_run.UseSourceLength(span + kGrainFrames + 1); }

    FakeHost m_host;
    RunProbe m_run{m_host};
};

}  // namespace

TEST_F(GrainPositionTest, WorkedExampleFromStateOne)
{
    EXPECT_EQ(m_run.ChooseGrainPosition(0), 54978);  // B = 55086 stepped by −108
    EXPECT_EQ(m_run.PositionA(), 10100);
    EXPECT_EQ(m_run.SegmentLength(), 693);

    EXPECT_EQ(m_run.ChooseGrainPosition(1), 55117);  // B again, stepped by +139
    EXPECT_EQ(m_run.PositionA(), 10100);
    EXPECT_EQ(m_run.GrainInSegment(), 2);
}

TEST_F(GrainPositionTest, FirstGrainOfARunAlwaysReadsFromB)
{
    for (std::uint32_t state = 0; state < 200; ++state) {
        m_run.SetRandomState(state);
        const std::int32_t p = m_run.ChooseGrainPosition(0);
        EXPECT_EQ(p, m_run.PositionB()) << "state " << state;
        EXPECT_NE(p, m_run.PositionA()) << "state " << state;
    }
}

// At the middle of an even segment the blend is 0: A is used, and B is given
// its fresh place, from which it is only used afterwards.
TEST_F(GrainPositionTest, MiddleOfAnEvenSegmentReadsFromAAndMovesB)
{
    for (std::uint32_t state = 0; state < 200; ++state) {
        m_run.SetRandomState(state);
        m_run.SetPositions(30000, 70000);
        m_run.SetSegmentState(400, 200);
        const std::int32_t p = m_run.ChooseGrainPosition(5);
        EXPECT_EQ(p, m_run.PositionA()) << "state " << state;
        EXPECT_GE(std::abs(p - 30000), 50) << "a step is at least half the scan";
        EXPECT_LE(std::abs(p - 30000), 150) << "and less than one and a half times it";
        EXPECT_NE(m_run.PositionB(), 70000) << "state " << state;
        EXPECT_GE(m_run.PositionB(), 10000);
        EXPECT_LT(m_run.PositionB(), 90000);
    }
}

TEST_F(GrainPositionTest, EndOfASegmentStartsANewOneFromB)
{
    for (std::uint32_t state = 0; state < 200; ++state) {
        m_run.SetRandomState(state);
        m_run.SetPositions(30000, 70000);
        m_run.SetSegmentState(700, 700);
        const std::int32_t p = m_run.ChooseGrainPosition(9);
        EXPECT_EQ(p, m_run.PositionB());
        EXPECT_NEAR(p, 70000, 150);
        EXPECT_NE(m_run.PositionA(), 30000) << "A moved to a fresh place";
        EXPECT_EQ(m_run.GrainInSegment(), 1);
        EXPECT_GE(m_run.SegmentLength(), 500);  // half to one and a half times the mean
        EXPECT_LT(m_run.SegmentLength(), 1500);
    }
}

TEST_F(GrainPositionTest, StepsStopExactlyOnTheBounds)
{
    int onLow = 0;
    int onHigh = 0;
    for (std::uint32_t state = 0; state < 100; ++state) {
        m_run.SetRandomState(state);
        m_run.SetPositions(10003, 89997);  // just inside trunc(0.1 S) and trunc(0.9 S)
        m_run.SetSegmentState(400, 200);   // reads from A
        const std::int32_t low = m_run.ChooseGrainPosition(3);
        EXPECT_GE(low, 10000);
        onLow += low == 10000;

        m_run.SetPositions(10003, 89997);
        m_run.SetSegmentState(400, 1);  // almost surely B
        const std::int32_t high = m_run.ChooseGrainPosition(3);
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
        const std::int32_t p = m_run.ChooseGrainPosition(k);
        ASSERT_GE(p, 0);
        ASSERT_LE(static_cast<std::uint32_t>(p) + kGrainFrames, sourceFrames) << "grain " << k;
    }
}

TEST_F(GrainPositionTest, SourceOneFrameLongerThanAGrainReadsFromFrameZero)
{
    UseSpan(0);
    for (std::int32_t k = 0; k < 3000; ++k)
        ASSERT_EQ(m_run.ChooseGrainPosition(k), 0);
}
