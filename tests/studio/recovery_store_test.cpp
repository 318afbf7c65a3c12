// Unsaved edits kept while a studio runs are found by the next one only once
// the first has gone, and read back as they were kept.
#include <gtest/gtest.h>

#include "studio/model/recovery_store.h"
#include "tests/support/temp_dir.h"

using namespace studio;

TEST(RecoveryStore, AnEntryIsLeftBehindOnlyOnceItsStudioHasGone)
{
    TempDir folder;
    RecoveryRecord record;
    record.m_strDocumentPath = "/home/someone/odd\nname.toml";
    record.m_strFolder = "/home/someone";
    record.m_nPreviewSeed = 4242;
    record.m_nSavedAt = 1700000000;
    record.m_strScoreText = "length = \"1:00\"\n";
    auto running = std::make_unique<RecoveryStore>(folder.Path().string());
    ASSERT_EQ(running->Keep(record), std::nullopt);
    RecoveryStore next(folder.Path().string());
    EXPECT_TRUE(next.FindLeftBehind().empty()) << "the first studio still runs";
    // A studio killed outright leaves its entry (its lock goes with it).
    running.reset();
    const std::vector<RecoveryRecord> found = next.FindLeftBehind();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].m_strDocumentPath, record.m_strDocumentPath);
    EXPECT_EQ(found[0].m_nPreviewSeed, 4242u);
    EXPECT_EQ(found[0].m_strScoreText, record.m_strScoreText);
    next.Remove(found[0]);
    EXPECT_TRUE(next.FindLeftBehind().empty());
}

TEST(RecoveryStore, ASavedDocumentLeavesNothingAndADamagedEntryIsPassedOver)
{
    TempDir folder;
    {
        RecoveryStore store(folder.Path().string());
        ASSERT_EQ(store.Keep(RecoveryRecord{}), std::nullopt);
        store.Clear();
    }
    EXPECT_TRUE(RecoveryStore(folder.Path().string()).FindLeftBehind().empty());
    EXPECT_EQ(ParseRecoveryText("sonnelith-studio recovery 1\ndocument zz\n"), std::nullopt);
    EXPECT_EQ(ParseRecoveryText("something else"), std::nullopt);
}
