// A host that records everything a run tells it as a window whose displays
// are refreshed at every progress point would show it, and can cancel at a
// chosen pump of a chosen stage.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/run/generation_host.h"

class FakeHost : public GenerationHost {
public:
    // Where the run is, as the host can tell from its events: Finishing lies
    // between the end of grain synthesis and the start of writing (a streamed
    // run with a meter measures there).
    enum class Stage { NotStarted, Loading, Allocating, Generating, Finishing, Measuring, Writing, Done };

    struct Message {
        int m_nId;
        std::string m_strText;
        MessageKind m_kind;
    };

    // Answers no from the nth KeepGoing (from 1) of stage on.
    void CancelAt(Stage stage, int nthPump)
    {
        m_cancelStage = stage;
        m_nCancelPump = nthPump;
    }
    // Calls hook inside every KeepGoing (after any cancel), e.g. to move a clock.
    void OnPump(std::function<void()> hook) { m_onPump = std::move(hook); }

    void ReportProgress(const Progress& progress) override;
    bool KeepGoing() override;
    void EndPhase(Phase phase) override;
    void ShowMessage(const RunMessage& message, MessageKind kind) override
    {
        m_messages.push_back({message.m_nStringId, message.m_strText, kind});
    }

    std::vector<Message> m_messages;
    std::vector<Progress> m_progress;
    std::map<Phase, std::vector<int>> m_bars;
    std::map<Phase, std::vector<std::string>> m_percentTexts;
    std::vector<std::string> m_timeLeftTexts;
    std::vector<std::string> m_writtenTexts;
    std::map<Stage, int> m_pumps;

private:
    Stage m_stage = Stage::NotStarted;
    Stage m_cancelStage = Stage::NotStarted;
    int m_nCancelPump = 0;
    bool m_bCancelled = false;
    std::function<void()> m_onPump;
};
