// Sonnelith Studio's window: the document (a score being shaped), its undo
// history, the timeline and the inspector that show it, and listening to it
// while it changes. Opening, saving, recovery and closing live in
// studio_frame_files.cpp; the menus and keys in studio_frame_menus.cpp.
#pragma once

#include <wx/cmdproc.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <memory>
#include <optional>
#include <string>

#include "studio/app/background_work.h"
#include "studio/app/studio_host.h"
#include "studio/listening/live_render.h"
#include "studio/model/recovery_store.h"
#include "studio/model/score_document.h"

class wxSplitterWindow;

namespace studio {

class HeardAnalysis;

class InspectorPanel;
class Listening;
class SourceCache;
class SpectrogramCtrl;
class TimelinePanel;
class TransportBar;

struct StudioOptions {
    std::string m_strRecoveryFolder;  // empty: RecoveryStore::DefaultFolder()
    std::string m_strDevice;          // the sound device; empty: the system's default
    // What plays the document; null: the studio's own live render.
    std::unique_ptr<LiveRender> m_pRender;
};

class StudioFrame : public wxFrame, public StudioHost {
public:
    explicit StudioFrame(StudioOptions options = {});
    ~StudioFrame() override;

    // Opens a score, a rendered file or a sound (asNew: always a new score
    // from the sound), off the window's thread; asks first about unsaved
    // changes.
    void OpenPath(const std::string& path, bool asNew = false);
    // Whether a file is being opened (the window shows it and stays usable).
    bool IsOpening() const { return m_bOpening; }
    // Offers the edits a studio that ended without saving left behind.
    void OfferRecovery();

    // Saves to the document's file (asking for one if it has none); answers
    // whether it was saved.
    bool Save();
    bool SaveAs();
    bool SaveTo(const std::string& path);
    // Asks about unsaved changes: true when the document may go.
    bool ConfirmDiscard(const std::string& action);

    void PlayPause();
    void Render();

    // StudioHost.
    const ScoreDocument& GetDocument() const override { return m_document; }
    void SubmitEdit(ScoreEdit edit) override;
    std::optional<std::size_t> GetSelectedLayer() const override { return m_selectedLayer; }
    void SelectLayer(std::size_t layer) override;
    const LayerMonitor& GetMonitor() const override { return m_monitor; }
    void SetMonitor(const LayerMonitor& monitor) override;
    double GetPlayheadSeconds() const override;
    void MovePlayhead(double seconds) override;
    std::optional<TimeStretch> GetLoop() const override { return m_loop; }
    void SetLoop(std::optional<TimeStretch> loop) override;
    void ShowStatus(const std::string& text) override;

    // The parts, for tests and the screenshot tool.
    TimelinePanel& GetTimeline() { return *m_pTimeline; }
    InspectorPanel& GetInspector() { return *m_pInspector; }
    TransportBar& GetTransport() { return *m_pTransport; }
    Listening& GetListening() { return *m_pListening; }
    wxCommandProcessor& GetCommands() { return m_commands; }
    const RecoveryStore& GetRecovery() const { return m_recovery; }
    // Writes the recovery entry now (the timer does it a moment after each
    // edit).
    void KeepForRecovery();

private:
    void BuildMenus();
    void BuildLayout();
    void BindEvents();

    void SetDocument(ScoreDocument document);
    void ApplyEdit(const ScoreEdit& edit, bool forward);
    void ScoreChanged();
    void SendScoreToListening();
    std::uint64_t PlayheadFrame() const;
    void CueAtPlayhead();
    void UpdateTitle();
    void TakeOpened(DocumentOpening opening, bool fromRecovery);

    void OnTimer(wxTimerEvent& event);
    void UpdateListening();
    void UpdateMeters();
    void OnClose(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnUpdateUi(wxUpdateUIEvent& event);
    void OnMenu(wxCommandEvent& event);
    void OnSysColourChanged(wxSysColourChangedEvent& event);

    void AddLayer();
    void RemoveLayer();
    void AddLane();
    void ChooseSoundDevice();
    void ToggleLoop();
    void ShowAbout();
    void OpenGuide();

    ScoreDocument m_document;
    wxCommandProcessor m_commands;
    LayerMonitor m_monitor;
    std::optional<std::size_t> m_selectedLayer;
    double m_dPlayhead = 0.0;
    std::optional<TimeStretch> m_loop;
    bool m_bLooping = false;
    bool m_bFollow = true;
    bool m_bOpening = false;
    bool m_bRecoveryDue = false;

    std::shared_ptr<SourceCache> m_pSources;
    std::unique_ptr<Listening> m_pListening;
    RecoveryStore m_recovery;
    BackgroundWork m_work;

    TransportBar* m_pTransport = nullptr;
    wxSplitterWindow* m_pSplitter = nullptr;
    TimelinePanel* m_pTimeline = nullptr;
    InspectorPanel* m_pInspector = nullptr;
    SpectrogramCtrl* m_pSpectrogramView = nullptr;

    // Made after the listening and gone before it: it takes what it hears.
    std::unique_ptr<HeardAnalysis> m_pHeard;

    wxTimer m_uiTimer;
    wxTimer m_recoveryTimer;
};

}  // namespace studio
