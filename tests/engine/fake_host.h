// A host that records everything a run tells it, keeps the displays refreshed
// at every progress point, and can cancel at a chosen point of a chosen stage.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/generation_host.h"
#include "engine/message_box.h"
#include "engine/progress_text.h"

class GenerationRun;

class FakeHost : public GenerationHost {
public:
    // Where the run is, as the host can tell from its bars: Finishing lies
    // between the end of grain synthesis and the start of writing.
    enum class Stage { NotStarted, Loading, Allocating, Generating, Finishing, Writing, Done };

    struct Message {
        int m_nId;
        std::string m_strText;
        unsigned m_nStyle;
    };

    // Raises the run's show-progress flag, so that every progress point refreshes.
    void Attach(GenerationRun& run);
    // Clears the keep-going flag inside the nth pump (from 1) of stage.
    void CancelAt(Stage stage, int nthPump)
    {
        m_cancelStage = stage;
        m_nCancelPump = nthPump;
    }
    // Calls hook inside every pump (after any cancel), e.g. to move a clock.
    void OnPump(std::function<void()> hook) { m_onPump = std::move(hook); }

    int ShowMessage(int stringId, const std::string& text, unsigned style) override
    {
        m_messages.push_back({stringId, text, style});
        return IDOK;
    }
    void SetBarPosition(Phase phase, int percent) override;
    void SetPercentText(Phase phase, int percent) override { m_percentTexts[phase].push_back(FormatPercent(percent)); }
    void SetTimeLeftText(const std::string& text) override { m_timeLeftTexts.push_back(text); }
    void SetWrittenSizeText(const std::string& text) override { m_writtenTexts.push_back(text); }
    int PumpMessages() override;

    std::vector<Message> m_messages;
    std::map<Phase, std::vector<int>> m_bars;
    std::map<Phase, std::vector<std::string>> m_percentTexts;
    std::vector<std::string> m_timeLeftTexts;
    std::vector<std::string> m_writtenTexts;
    std::map<Stage, int> m_pumps;

private:
    GenerationRun* m_pRun = nullptr;
    Stage m_stage = Stage::NotStarted;
    Stage m_cancelStage = Stage::NotStarted;
    int m_nCancelPump = 0;
    std::function<void()> m_onPump;
};
