// A studio window for a test: its questions, file choices and typed values
// answered by the test, its unsaved edits kept in a folder of the test's
// own, a score of the bundled sample saved in another.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "studio/app/prompts.h"
#include "studio/app/studio_frame.h"
#include "tests/support/temp_dir.h"

class StudioWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new window (the old one closed without questions).
    studio::StudioFrame& MakeWindow();
    studio::StudioFrame& Window() { return *m_pFrame; }
    // Opens path and waits until it is open (or refused).
    void Open(const std::string& path);
    // A score of the sample, seconds long, saved as name in the test's folder;
    // light: sparse short grains, quick to render.
    std::string SaveSampleScore(const std::string& name, int seconds = 20, bool light = false);

    // The next answers the routines give, in order; a prompt nobody
    // answered is answered No (or Cancel) and recorded all the same.
    std::deque<studio::PromptAnswer> m_answers;
    std::deque<std::optional<std::string>> m_files;
    std::deque<std::optional<std::string>> m_texts;
    std::vector<studio::Prompt> m_prompts;

    TempDir m_folder;
    TempDir m_recovery;
    studio::StudioFrame* m_pFrame = nullptr;
};
