// Score edits are undone exactly, whichever parts they touch, and the edits
// of the piece's and a layer's own values touch nothing else.
#include <gtest/gtest.h>

#include "studio/model/score_edit.h"
#include "tests/studio/studio_test_support.h"

using namespace studio;

TEST(ScoreEdit, StepsOnEveryPartAreTakenBackInReverseOrder)
{
    const Score start = SampleScore();
    Score score = start;
    ScoreEdit edit("A bit of everything");
    Keyframe keyframe;
    keyframe.m_dSeconds = 4;
    keyframe.m_gainDb = -3;
    edit.ApplyStep(score, InsertKeyframe{0, 0, keyframe});
    Keyframe louder = keyframe;
    louder.m_gainDb = 2;
    edit.ApplyStep(score, ReplaceKeyframe{0, 0, keyframe, louder});
    edit.ApplyStep(score, InsertLayer{1, score.m_layers[0]});
    edit.ApplyStep(score, EraseKeyframe{0, 0, louder});
    ScoreLayer own = LayerOwnPart(score.m_layers[1]);
    own.m_dGainDb = -12;
    edit.ApplyStep(score, ReplaceLayerOwn{1, LayerOwnPart(score.m_layers[1]), own});
    Score top = TopPart(score);
    top.m_nVolume = 80;
    edit.ApplyStep(score, ReplaceTop{TopPart(score), top});
    ASSERT_EQ(score.m_layers.size(), 2u);
    EXPECT_TRUE(score.m_layers[0].m_keyframes.empty());
    EXPECT_EQ(score.m_layers[1].m_keyframes.size(), 1u);  // the copy kept the keyframe
    EXPECT_EQ(score.m_layers[1].m_dGainDb, -12);
    EXPECT_EQ(score.m_nVolume, 80);
    const Score edited = score;
    edit.Revert(score);
    EXPECT_EQ(score, start);
    edit.Apply(score);
    EXPECT_EQ(score, edited);
}

TEST(ScoreEdit, TheOwnValuesOfAPieceOrALayerLeaveTheRestAlone)
{
    Score score = SampleScore();
    Keyframe keyframe;
    keyframe.m_dSeconds = 3;
    keyframe.m_gainDb = -1;
    score.m_layers[0].m_keyframes.push_back(keyframe);
    ScoreLayer own = LayerOwnPart(score.m_layers[0]);
    own.m_sourceStartSeconds = 0.5;
    const ScoreEdit layer = EditLayerOwn(score, 0, own, "Change source stretch");
    Score top = TopPart(score);
    top.m_bLoop = true;
    const ScoreEdit piece = EditTop(score, top, "Loop");
    layer.Apply(score);
    piece.Apply(score);
    EXPECT_EQ(score.m_layers[0].m_keyframes.size(), 1u);
    EXPECT_EQ(score.m_layers[0].m_sourceStartSeconds, 0.5);
    EXPECT_TRUE(score.m_bLoop);
    // Nothing changed is no edit at all: nothing to undo.
    EXPECT_TRUE(EditTop(score, TopPart(score), "Nothing").IsEmpty());
    EXPECT_TRUE(EditLayerOwn(score, 0, LayerOwnPart(score.m_layers[0]), "Nothing").IsEmpty());
}
