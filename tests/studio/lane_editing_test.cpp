// Editing a lane's points keeps the score one the score reader takes, with
// times inside the track and values inside the parameter table's ranges,
// and every edit is taken back exactly by its undo.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/parameters/parameter_table.h"
#include "studio/model/lane_editing.h"
#include "studio/model/lane_points.h"
#include "tests/studio/studio_test_support.h"

using namespace studio;

namespace {

const LaneKey kDensity = LaneKey::Of(ParameterId::Density);
const LaneKey kPitch = LaneKey::Of(ParameterId::Pitch);

// A number lane's value.
LaneValue Number(double value)
{
    return LaneValue{value, {}};
}

// edit applied to score, which answers it for chaining.
Score& Apply(Score& score, const ScoreEdit& edit)
{
    edit.Apply(score);
    return score;
}

}  // namespace

TEST(LaneEditing, APointAddedWhereAKeyframeStandsJoinsIt)
{
    Score score = SampleScore();
    Apply(score, AddPoint(score, {0, kDensity}, 5.0, Number(2000)));
    Apply(score, AddPoint(score, {0, kPitch}, 5.0, Number(-7)));
    ASSERT_EQ(score.m_layers[0].m_keyframes.size(), 1u);
    const Keyframe& keyframe = score.m_layers[0].m_keyframes[0];
    EXPECT_EQ(keyframe.m_values.at(ParameterId::Density), 2000);
    EXPECT_EQ(keyframe.m_values.at(ParameterId::Pitch), -7);
    EXPECT_EQ(ReadBack(score), score);
}

TEST(LaneEditing, AMovedPointTakesOnlyItsOwnValueAlong)
{
    Score score = SampleScore();
    Apply(score, AddPoint(score, {0, kDensity}, 5.0, Number(2000)));
    Apply(score, AddPoint(score, {0, kPitch}, 5.0, Number(-7)));
    Apply(score, MovePoint(score, {0, kPitch}, 0, 8.0, Number(3)));
    const std::vector<Keyframe>& keyframes = score.m_layers[0].m_keyframes;
    ASSERT_EQ(keyframes.size(), 2u);
    EXPECT_EQ(keyframes[0].m_dSeconds, 5.0);
    EXPECT_EQ(keyframes[0].m_values.count(ParameterId::Pitch), 0u);
    EXPECT_EQ(keyframes[0].m_values.at(ParameterId::Density), 2000);
    EXPECT_EQ(keyframes[1].m_dSeconds, 8.0);
    EXPECT_EQ(keyframes[1].m_values.at(ParameterId::Pitch), 3);
    // Moved back onto the density's keyframe, it joins it again.
    Apply(score, MovePoint(score, {0, kPitch}, 1, 5.0, Number(3)));
    ASSERT_EQ(score.m_layers[0].m_keyframes.size(), 1u);
    EXPECT_EQ(score.m_layers[0].m_keyframes[0].m_values.size(), 2u);
    EXPECT_EQ(ReadBack(score), score);
}

TEST(LaneEditing, TimesStayInTheTrackAndValuesInTheTablesRangeOnItsSteps)
{
    Score score = SampleScore(20);
    Apply(score, AddPoint(score, {0, kDensity}, -4.0, Number(123456)));
    Apply(score, AddPoint(score, {0, kDensity}, 1e9, Number(777)));
    Apply(score, AddPoint(score, {0, kDensity}, 3.14159265, Number(-1)));
    const std::vector<LanePoint> points = PointsOf(score.m_layers[0], kDensity);
    ASSERT_EQ(points.size(), 3u);
    const ParameterRow& row = RowOf(ParameterId::Density);
    EXPECT_EQ(points[0].m_dSeconds, 0.0);
    EXPECT_EQ(points[0].m_dValue, row.m_dMaximum);
    // Whole milliseconds.
    EXPECT_EQ(points[1].m_dSeconds, 3.142);
    EXPECT_EQ(points[1].m_dValue, LowestOf(row));  // 1: sparse grains reach below the steps
    EXPECT_EQ(points[2].m_dSeconds, 20.0);
    // 777 grains a second is not on the table's steps of 50 from 500: the nearest is.
    EXPECT_EQ(points[2].m_dValue, 800.0);
    // A silent gain stays silent; a gain past the range is kept to it.
    Apply(score, AddPoint(score, {0, LaneKey::Gain()}, 2.0, Number(-INFINITY)));
    Apply(score, AddPoint(score, {0, LaneKey::Gain()}, 4.0, Number(99)));
    const std::vector<LanePoint> gains = PointsOf(score.m_layers[0], LaneKey::Gain());
    EXPECT_EQ(gains[0].m_dValue, -INFINITY);
    EXPECT_EQ(gains[1].m_dValue, kLoudestGainDb);
    EXPECT_EQ(ReadBack(score), score);
}

TEST(LaneEditing, DeletingAKeyframesLastValueRemovesTheKeyframe)
{
    Score score = SampleScore();
    Apply(score, AddPoint(score, {0, kDensity}, 5.0, Number(2000)));
    Apply(score, AddPoint(score, {0, kPitch}, 5.0, Number(2)));
    Apply(score, DeletePoint(score, {0, kDensity}, 0));
    ASSERT_EQ(score.m_layers[0].m_keyframes.size(), 1u);
    Apply(score, DeletePoint(score, {0, kPitch}, 0));
    EXPECT_TRUE(score.m_layers[0].m_keyframes.empty());
    // A lane's points and drift go together when it is cleared.
    Apply(score, AddPoint(score, {0, kPitch}, 5.0, Number(2)));
    Apply(score, SetLaneDrift(score, {0, kPitch}, Drift{0.5, 30}));
    EXPECT_TRUE(LaneMoves(score.m_layers[0], kPitch));
    Apply(score, ClearLane(score, {0, kPitch}));
    EXPECT_FALSE(LaneMoves(score.m_layers[0], kPitch));
}

// Edits in any order on any lane of the table, then undone in the reverse
// order: every score on the way is one the reader takes as it is, and the
// last undo gives back the score that was first.
TEST(LaneEditing, AnyEditsLeaveAReadableScoreAndTheirUndoRestoresTheStart)
{
    const Score start = SampleScore(60);
    Score score = start;
    std::mt19937 random(2026);
    const std::vector<LaneKey> lanes = AllLanes();
    std::vector<ScoreEdit> done;
    for (int i = 0; i < 300; ++i) {
        const LaneKey lane = lanes[random() % lanes.size()];
        const LaneFacts facts = FactsOf(lane);
        std::uniform_real_distribution<double> time(-5.0, 65.0);
        std::uniform_real_distribution<double> value(facts.m_dLowest - 10, facts.m_dHighest + 10);
        LaneValue chosen{value(random), {value(random), value(random)}};
        const std::vector<LanePoint> points = PointsOf(score.m_layers[0], lane);
        ScoreEdit edit;
        switch (points.empty() ? 0 : random() % 5) {
        case 0: edit = AddPoint(score, {0, lane}, time(random), chosen); break;
        case 1:
            edit = MovePoint(score, {0, lane}, points[random() % points.size()].m_nKeyframe, time(random), chosen);
            break;
        case 2: edit = DeletePoint(score, {0, lane}, points[random() % points.size()].m_nKeyframe); break;
        case 3:
            edit = SetPointCurve(score, {0, lane}, points[random() % points.size()].m_nKeyframe,
                                 static_cast<Curve>(random() % 3));
            break;
        default:
            edit = facts.m_bCanDrift ? SetLaneDrift(score, {0, lane}, Drift{std::fabs(chosen.m_dNumber) + 0.1, 5.0})
                                     : ClearLane(score, {0, lane});
            break;
        }
        edit.Apply(score);
        done.push_back(edit);
        ASSERT_EQ(RefusalOf(score), "") << "after edit " << i << " (" << edit.GetName() << ")";
        ASSERT_EQ(ReadBack(score), score) << "after edit " << i;
    }
    for (auto edit = done.rbegin(); edit != done.rend(); ++edit)
        edit->Revert(score);
    EXPECT_EQ(score, start);
}

TEST(LaneFacts, EachLaneTakesItsRangeUnitAndChoicesFromTheParameterTable)
{
    for (const LaneKey lane : AllLanes()) {
        if (lane.IsGain())
            continue;
        const ParameterRow& row = RowOf(*lane.m_parameter);
        const LaneFacts facts = FactsOf(lane);
        EXPECT_EQ(facts.m_strUnit, row.m_szUnit) << row.m_szName;
        if (row.m_kind == ParameterKind::Choice) {
            EXPECT_EQ(facts.m_choices.size(), row.m_choices.size()) << row.m_szName;
        } else {
            EXPECT_EQ(facts.m_dLowest, LowestOf(row)) << row.m_szName;
            EXPECT_EQ(facts.m_dHighest, row.m_dMaximum) << row.m_szName;
        }
    }
    // The volume and the fade are the whole piece's, not a layer's lanes.
    for (const LaneKey lane : AllLanes())
        EXPECT_TRUE(lane.IsGain() || (lane.m_parameter != ParameterId::Volume && lane.m_parameter != ParameterId::Fade));
}

TEST(LaneFacts, TypedValuesAreReadInTheLanesUnitAndRefusedOffItsRangeOrSteps)
{
    const LaneFacts grain = FactsOf(LaneKey::Of(ParameterId::GrainLength));
    EXPECT_EQ(ParseLaneValue(grain, " 825 ms "), 825.0);
    EXPECT_EQ(ParseLaneValue(grain, "810"), std::nullopt);  // steps of 25
    EXPECT_EQ(ParseLaneValue(grain, "5000"), std::nullopt);
    EXPECT_EQ(ParseLaneValue(grain, "8e2"), std::nullopt);
    const LaneFacts gain = FactsOf(LaneKey::Gain());
    EXPECT_EQ(ParseLaneValue(gain, "-inf"), -INFINITY);
    EXPECT_EQ(ParseLaneValue(gain, "-6.5 dB"), -6.5);
    const LaneFacts window = FactsOf(LaneKey::Of(ParameterId::Window));
    EXPECT_EQ(ParseLaneValue(window, "tukey"), 1.0);
    EXPECT_EQ(ParseLaneValue(window, "Tukey"), std::nullopt);
    const LaneFacts set = FactsOf(LaneKey::Of(ParameterId::PitchSet));
    EXPECT_EQ(ParseLaneList(set, "0, 7, 12 st"), (std::vector<double>{0, 7, 12}));
    EXPECT_EQ(ParseLaneList(set, "0, 70"), std::nullopt);
    const LaneFacts pitch = FactsOf(kPitch);
    EXPECT_EQ(ParseDriftText(pitch, "0.5 1:30"), (Drift{0.5, 90}));
    EXPECT_EQ(ParseDriftText(pitch, "0.5 0:00.5"), std::nullopt);  // a drift turns once a second at most
    EXPECT_EQ(ParseDriftText(pitch, "99 10"), std::nullopt);       // deeper than the range is wide
}

// The density reaches down to 1 grain a second, as scores and the command
// line allow: every whole number below the steps, the steps of 50 from 500.
TEST(LaneFacts, TheDensityLaneReachesSparseGrainsBelowItsSteps)
{
    const LaneFacts density = FactsOf(kDensity);
    EXPECT_EQ(density.m_dLowest, 1.0);
    EXPECT_EQ(KeepValue(density, 0.0), 1.0);
    EXPECT_EQ(KeepValue(density, 7.4), 7.0);
    EXPECT_EQ(KeepValue(density, 499.6), 500.0);
    EXPECT_EQ(KeepValue(density, 524.0), 500.0);
    EXPECT_EQ(KeepValue(density, 526.0), 550.0);
    EXPECT_EQ(ParseLaneValue(density, "3"), 3.0);
    EXPECT_EQ(ParseLaneValue(density, "510"), std::nullopt);
    EXPECT_EQ(DescribeLaneRange(density), "1 to 499, or 500 to 10000 in steps of 50 grains/s");
    for (const double value : {1.0, 7.0, 499.0, 500.0, 550.0, 10000.0})
        EXPECT_TRUE(IsAllowedValue(RowOf(ParameterId::Density), KeepValue(density, value))) << value;
}

TEST(LaneFacts, DragsMoveWholeNumbersByTheirStepAndRealsByARoundFraction)
{
    EXPECT_EQ(DragResolution(FactsOf(kDensity), false), 50.0);
    EXPECT_EQ(DragResolution(FactsOf(kDensity), true), 50.0);
    EXPECT_DOUBLE_EQ(DragResolution(FactsOf(kPitch), false), 0.01);
    EXPECT_DOUBLE_EQ(DragResolution(FactsOf(kPitch), true), 0.001);
    EXPECT_EQ(SnapValue(FactsOf(kPitch), 0.1 + 0.2, 0.01), 0.3);
    EXPECT_EQ(SnapValue(FactsOf(kDensity), 3333, 50), 3350);
}
