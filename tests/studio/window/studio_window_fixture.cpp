#include "tests/studio/window/studio_window_fixture.h"

#include <fstream>

#include "score_file/plain_run_score.h"
#include "score_file/score_writing.h"
#include "tests/support/wx_event_wait.h"

using namespace studio;

void StudioWindowTest::SetUp()
{
    SetPromptRoutine([this](wxWindow*, const Prompt& prompt) {
        m_prompts.push_back(prompt);
        if (m_answers.empty())
            return prompt.m_kind == PromptKind::SaveChanges ? PromptAnswer::Cancel : PromptAnswer::No;
        const PromptAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
    SetFileRoutine([this](wxWindow*, const FileRequest&) -> std::optional<std::string> {
        if (m_files.empty())
            return std::nullopt;
        std::optional<std::string> file = m_files.front();
        m_files.pop_front();
        return file;
    });
    SetTextRoutine([this](wxWindow*, const TextRequest&) -> std::optional<std::string> {
        if (m_texts.empty())
            return std::nullopt;
        std::optional<std::string> text = m_texts.front();
        m_texts.pop_front();
        return text;
    });
    std::filesystem::copy_file(SONNELITH_SAMPLE_PATH, m_folder.File("sample.wav"));
}

void StudioWindowTest::TearDown()
{
    if (m_pFrame != nullptr) {
        m_pFrame->Destroy();
        m_pFrame = nullptr;
        PumpFor(50);
    }
    SetPromptRoutine({});
    SetFileRoutine({});
    SetTextRoutine({});
}

StudioFrame& StudioWindowTest::MakeWindow()
{
    if (m_pFrame != nullptr) {
        m_pFrame->Destroy();
        PumpFor(50);
    }
    StudioOptions options;
    options.m_strRecoveryFolder = m_recovery.Path().string();
    m_pFrame = new StudioFrame(std::move(options));
    m_pFrame->SetPosition(wxPoint(0, 0));
    m_pFrame->Show();
    m_pFrame->Raise();
    EXPECT_TRUE(WaitUntil([this] { return m_pFrame->IsShownOnScreen(); }));
    PumpFor(100);
    return *m_pFrame;
}

void StudioWindowTest::Open(const std::string& path)
{
    const std::size_t prompts = m_prompts.size();
    m_pFrame->OpenPath(path);
    EXPECT_TRUE(WaitUntil([&] { return !m_pFrame->IsOpening(); }));
    // The views settle on the new document.
    PumpFor(100);
    (void)prompts;
}

std::string StudioWindowTest::SaveSampleScore(const std::string& name, int seconds, bool light)
{
    PlainRun run;
    run.m_strInputPath = m_folder.File("sample.wav");
    run.m_nLengthSeconds = seconds;
    run.m_seed = 11;
    if (light) {
        run.m_values.Set(ParameterId::Density, 500);
        run.m_values.Set(ParameterId::GrainLength, 100);
    }
    const Score score = ScoreOfPlainRun(run, m_folder.Path().string());
    std::ofstream(m_folder.File(name)) << WriteScoreText(score);
    return m_folder.File(name);
}
