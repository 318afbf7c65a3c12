// ProgressDialog: the modal window that hosts one generation run. It starts
// the run from its first timer tick, shows a bar and a percentage for each of
// the three long phases, the size written and the time left, and lets the
// user cancel after a confirmation. It ends itself when the run returns.
#pragma once

#include "engine/run/generation_host.h"
#include "engine/run/generation_run.h"
#include "ui/dialog_template/template_dialog.h"
#include "engine/base/wall_clock.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <cstdint>

class wxGauge;
class wxStaticText;
struct TemplateControl;

// Fill the run's settings (GetRun().SetSettings) and ShowModal: the window
// returns wxID_CANCEL after the run, whatever its outcome, having shown the
// run's own message (none after a cancel).
class ProgressDialog : public TemplateDialog, public GenerationHost {
public:
    explicit ProgressDialog(wxWindow* parent = nullptr);
    ~ProgressDialog() override;

    GenerationRun& GetRun() { return m_run; }
    // Replaces the wall clock of the window and of its run.
    void SetClock(WallClock clock);

    // GenerationHost: the run's events, shown in the window.
    void ReportProgress(const Progress& progress) override;
    bool KeepGoing() override;
    void EndPhase(Phase phase) override;
    void ShowMessage(const RunMessage& message, MessageKind kind) override;

    static constexpr int kStartTimerId = 1;
    static constexpr int kRefreshTimerId = 2;
    static constexpr int kStartMilliseconds = 100;
    static constexpr int kRefreshMilliseconds = 500;

protected:
    // Opening: seed the generator, zero the displays, start both timers.
    bool OnInitDialog() override;
    // The first tick of the start timer: the whole run.
    void OnStart();
    // Every tick of the refresh timer: raises the show-progress flag at most
    // once per second of the wall clock and lowers it at the next tick.
    void OnRefreshTick();
    // The Cancel button and the close box: ask, and stop the run on Yes.
    void OnCancel();
    void OnCloseRequest() override;

    // The displays the run's events set.
    virtual void SetBarPosition(Phase phase, int percent);
    virtual void SetPercentText(Phase phase, int percent);
    virtual void SetTimeLeftText(const std::string& text);
    virtual void SetWrittenSizeText(const std::string& text);
    // Handles everything waiting (repaints, timers, the Cancel button) and
    // returns at once when nothing is left; never waits.
    virtual int PumpMessages();

private:
    void CreateLayoutControls();
    void CreateLayoutControl(const TemplateControl& control);
    void UseOneCaptionSize();
    void DoDataExchange();
    wxGauge* BarOf(Phase phase) const;
    wxStaticText* PercentTextOf(Phase phase) const;
    void SetText(wxStaticText* control, const std::string& text);

    void OnTimer(wxTimerEvent& event);
    void OnCancelButton(wxCommandEvent& event);
    void OnOkCommand(wxCommandEvent& event);

    GenerationRun m_run;
    WallClock m_clock;
    int m_bKeepGoing = 0;     // 1 while the run may go on
    int m_bShowProgress = 0;  // 1 while the displays may be refreshed at the run's progress points
    std::int64_t m_tLastRefresh = 0;
    wxTimer m_startTimer;
    wxTimer m_refreshTimer;

    wxStaticText* m_pTimeLeft = nullptr;           // 1034
    wxStaticText* m_pWrittenSize = nullptr;        // 1032
    wxStaticText* m_pWritingPercent = nullptr;     // 1030
    wxStaticText* m_pLoadingPercent = nullptr;     // 1028
    wxStaticText* m_pGeneratingPercent = nullptr;  // 1029
    wxGauge* m_pWritingBar = nullptr;              // 1006
    wxGauge* m_pLoadingBar = nullptr;              // 1002
    wxGauge* m_pGeneratingBar = nullptr;           // 1003
};
