#include "studio/app/studio_frame.h"

#include <wx/dnd.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/tglbtn.h>

#include <algorithm>
#include <cmath>

#include "studio/app/prompts.h"
#include "studio/app/score_command.h"
#include "studio/app/studio_ids.h"
#include "studio/app/transport_bar.h"
#include "studio/inspector/inspector_panel.h"
#include "studio/listening/heard_analysis.h"
#include "studio/listening/listening.h"
#include "studio/listening/source_cache.h"
#include "studio/meters/level_meter_ctrl.h"
#include "studio/meters/spectrogram_ctrl.h"
#include "studio/timeline/ruler_ctrl.h"
#include "studio/timeline/timeline_canvas.h"
#include "studio/timeline/timeline_panel.h"

namespace studio {

namespace {

// The window's readings (playhead, meters, listening state) refresh this often.
constexpr int kUiTimerMs = 33;
// Unsaved edits reach the recovery folder this long after the last one.
constexpr int kRecoveryDelayMs = 500;
// Frames taken from the tap at a time.

// A file dropped on the window opens as though it had been chosen.
class DropOpener : public wxFileDropTarget {
public:
    explicit DropOpener(StudioFrame& frame) : m_frame(frame) {}
    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override
    {
        if (files.empty())
            return false;
        const std::string path = files[0].utf8_string();
        // After the drop ends: a question may need a modal dialog.
        m_frame.CallAfter([this, path] { m_frame.OpenPath(path); });
        return true;
    }

private:
    StudioFrame& m_frame;
};

std::string Decibels(double gain)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f dB", 20.0 * std::log10(gain));
    return text;
}

}  // namespace

StudioFrame::StudioFrame(StudioOptions options)
    : wxFrame(nullptr, wxID_ANY, "Sonnelith Studio", wxDefaultPosition, wxDefaultSize)
    , m_pSources(std::make_shared<SourceCache>())
    , m_recovery(options.m_strRecoveryFolder.empty() ? RecoveryStore::DefaultFolder() : options.m_strRecoveryFolder)
    , m_uiTimer(this)
    , m_recoveryTimer(this)
{
    SetName("Sonnelith Studio");
    m_pListening = std::make_unique<Listening>(m_pSources, options.m_strDevice, std::move(options.m_pRender));
    m_pHeard = std::make_unique<HeardAnalysis>(
        [this](StereoFrame* frames, std::size_t count) { return m_pListening->TakeHeard(frames, count); }, kUiTimerMs);
    BuildMenus();
    BuildLayout();
    BindEvents();
    SetDropTarget(new DropOpener(*this));
    // The history writes the Undo and Redo items' labels, shortcuts
    // included: the desktop's Ctrl+Shift+Z, not its own Ctrl+Y.
    m_commands.SetRedoAccelerator("\tCtrl+Shift+Z");
    m_commands.SetEditMenu(GetMenuBar()->GetMenu(GetMenuBar()->FindMenu("Edit")));
    m_commands.Initialize();
    SetSize(FromDIP(wxSize(1180, 760)));
    SetMinSize(FromDIP(wxSize(760, 480)));
    ScoreChanged();
    m_uiTimer.StartOnce(kUiTimerMs);
}

StudioFrame::~StudioFrame()
{
    m_uiTimer.Stop();
    m_recoveryTimer.Stop();
    m_commands.ClearCommands();
    // What hears the device stops first, then the device, before the views
    // that read what it played go.
    m_pHeard.reset();
    m_pListening.reset();
}

void StudioFrame::BuildLayout()
{
    auto* root = new wxPanel(this);
    m_pTransport = new TransportBar(root);
    m_pSplitter = new wxSplitterWindow(root, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_LIVE_UPDATE | wxSP_3DSASH);
    m_pSplitter->SetName("splitter");
    auto* left = new wxPanel(m_pSplitter);
    m_pTimeline = new TimelinePanel(left, *this);
    m_pSpectrogramView = new SpectrogramCtrl(left, *m_pHeard);
    auto* leftColumn = new wxBoxSizer(wxVERTICAL);
    leftColumn->Add(m_pTimeline, 1, wxEXPAND);
    leftColumn->Add(m_pSpectrogramView, 0, wxEXPAND | wxTOP, FromDIP(2));
    left->SetSizer(leftColumn);
    m_pInspector = new InspectorPanel(m_pSplitter, *this, m_pSources);
    m_pSplitter->SplitVertically(left, m_pInspector, -FromDIP(360));
    m_pSplitter->SetSashGravity(1.0);
    m_pSplitter->SetMinimumPaneSize(FromDIP(200));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(m_pTransport, 0, wxEXPAND);
    column->Add(m_pSplitter, 1, wxEXPAND);
    root->SetSizer(column);
    CreateStatusBar(2);
    const int widths[] = {-1, FromDIP(260)};
    GetStatusBar()->SetStatusWidths(2, widths);
}

void StudioFrame::BindEvents()
{
    Bind(wxEVT_TIMER, &StudioFrame::OnTimer, this);
    Bind(wxEVT_CLOSE_WINDOW, &StudioFrame::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, &StudioFrame::OnCharHook, this);
    Bind(wxEVT_MENU, &StudioFrame::OnMenu, this);
    Bind(wxEVT_BUTTON, &StudioFrame::OnMenu, this, kIdPlayPause);
    Bind(wxEVT_TOGGLEBUTTON, &StudioFrame::OnMenu, this, kIdLoop);
    Bind(wxEVT_UPDATE_UI, &StudioFrame::OnUpdateUi, this);
    Bind(wxEVT_SYS_COLOUR_CHANGED, &StudioFrame::OnSysColourChanged, this);
}

void StudioFrame::OnSysColourChanged(wxSysColourChangedEvent& event)
{
    m_pTimeline->ThemeChanged();
    Refresh();
    event.Skip();
}

void StudioFrame::SetDocument(ScoreDocument document)
{
    m_pListening->Pause();
    m_commands.ClearCommands();
    m_document = std::move(document);
    m_selectedLayer = m_document.HasLayers() ? std::optional<std::size_t>(0) : std::nullopt;
    m_monitor = LayerMonitor();
    m_loop.reset();
    m_bLooping = false;
    m_pListening->SetLoop(std::nullopt);
    m_dPlayhead = 0.0;
    m_pHeard->Reset();
    m_pSpectrogramView->Clear();
    m_pTimeline->GetView().SetTrackSeconds(m_document.GetScore().m_nLengthSeconds);
    m_pTimeline->ShowAll();
    ScoreChanged();
}

void StudioFrame::SubmitEdit(ScoreEdit edit)
{
    if (edit.IsEmpty())
        return;
    m_commands.Submit(new ScoreCommand(std::move(edit), [this](const ScoreEdit& e, bool forward) {
        ApplyEdit(e, forward);
    }));
}

void StudioFrame::ApplyEdit(const ScoreEdit& edit, bool forward)
{
    if (forward)
        m_document.Apply(edit);
    else
        m_document.Revert(edit);
    ScoreChanged();
}

// Everything that shows or plays the score follows it.
void StudioFrame::ScoreChanged()
{
    const Score& score = m_document.GetScore();
    m_monitor.Fit(score.m_layers.size());
    if (m_selectedLayer && *m_selectedLayer >= score.m_layers.size())
        m_selectedLayer = score.m_layers.empty() ? std::nullopt : std::optional<std::size_t>(score.m_layers.size() - 1);
    const double length = score.m_nLengthSeconds;
    m_dPlayhead = std::min(m_dPlayhead, length);
    if (m_loop && m_loop->second > length) {
        m_loop.reset();
        m_bLooping = false;
        m_pListening->SetLoop(std::nullopt);
    }
    m_pTimeline->DocumentChanged();
    m_pInspector->DocumentChanged();
    SendScoreToListening();
    UpdateTitle();
    if (m_document.HasLayers()) {
        m_bRecoveryDue = true;
        m_recoveryTimer.StartOnce(kRecoveryDelayMs);
    }
}

void StudioFrame::SendScoreToListening()
{
    if (!m_document.HasLayers())
        return;
    LiveScore live;
    live.m_pScore = std::make_shared<const Score>(m_document.GetScore());
    live.m_nSeed = m_document.GetSeed();
    live.m_strDisplayName = m_document.GetTitle();
    live.m_strFolder = m_document.GetFolder();
    if (!m_monitor.HearsAll()) {
        for (std::size_t i = 0; i < m_monitor.GetLayerCount(); ++i)
            live.m_heard.push_back(m_monitor.IsHeard(i));
    }
    m_pListening->SetScore(live);
    CueAtPlayhead();
}

void StudioFrame::UpdateTitle()
{
    std::string title = m_document.HasLayers() ? m_document.GetTitle() : "";
    if (m_document.HasLayers() && m_document.IsModified())
        title = "*" + title;
    title += title.empty() ? "Sonnelith Studio" : " - Sonnelith Studio";
    const wxString text = wxString::FromUTF8(title);
    if (GetTitle() != text)
        SetTitle(text);
}

void StudioFrame::SelectLayer(std::size_t layer)
{
    if (m_selectedLayer == layer)
        return;
    m_selectedLayer = layer;
    m_pInspector->DocumentChanged();
    m_pTimeline->GetCanvas().Refresh();
}

void StudioFrame::SetMonitor(const LayerMonitor& monitor)
{
    if (monitor == m_monitor)
        return;
    m_monitor = monitor;
    SendScoreToListening();
    m_pTimeline->GetCanvas().Refresh();
}

double StudioFrame::GetPlayheadSeconds() const
{
    if (m_pListening->IsPlaying())
        return static_cast<double>(m_pListening->GetHeardFrame()) / kRunSampleRate;
    return m_dPlayhead;
}

void StudioFrame::MovePlayhead(double seconds)
{
    const double length = m_document.GetScore().m_nLengthSeconds;
    m_dPlayhead = std::clamp(seconds, 0.0, length);
    const auto frame = static_cast<std::uint64_t>(std::llround(m_dPlayhead * kRunSampleRate));
    m_pHeard->Reset();
    m_pSpectrogramView->Clear();
    if (m_pListening->IsPlaying())
        m_pListening->Play(frame);
    else
        m_pListening->Cue(frame);
    m_pTimeline->SetPlayhead(m_dPlayhead, false);
}

void StudioFrame::SetLoop(std::optional<TimeStretch> loop)
{
    m_loop = loop;
    m_bLooping = loop.has_value();
    std::optional<FrameStretch> frames;
    if (loop) {
        frames = FrameStretch{static_cast<std::uint64_t>(std::llround(loop->first * kRunSampleRate)),
                              static_cast<std::uint64_t>(std::llround(loop->second * kRunSampleRate))};
        // Playing on from inside the loop, or from its start.
        if (m_dPlayhead < loop->first || m_dPlayhead >= loop->second)
            m_dPlayhead = loop->first;
    }
    m_pListening->SetLoop(frames);
    CueAtPlayhead();
    if (loop && m_pListening->IsPlaying()) {
        const double heard = GetPlayheadSeconds();
        if (heard < loop->first || heard >= loop->second)
            MovePlayhead(loop->first);
    }
    m_pTimeline->GetRuler().Refresh();
}

void StudioFrame::ToggleLoop()
{
    if (m_bLooping) {
        m_bLooping = false;
        m_pListening->SetLoop(std::nullopt);
        CueAtPlayhead();
    } else if (m_loop) {
        SetLoop(m_loop);
    } else {
        // No stretch marked: the stretch in view.
        const TimeView& view = m_pTimeline->GetView();
        SetLoop(TimeStretch{view.GetStart(), std::min(view.GetEnd(), view.GetTrackSeconds())});
    }
    m_pTimeline->GetRuler().Refresh();
}

void StudioFrame::PlayPause()
{
    if (!m_document.HasLayers())
        return;
    if (m_pListening->IsPlaying()) {
        m_dPlayhead = GetPlayheadSeconds();
        m_pListening->Pause();
        CueAtPlayhead();
        return;
    }
    const double length = m_document.GetScore().m_nLengthSeconds;
    if (m_dPlayhead >= length)
        m_dPlayhead = m_loop && m_bLooping ? m_loop->first : 0.0;
    m_pHeard->Reset();
    m_pSpectrogramView->Clear();
    m_pListening->Play(PlayheadFrame());
}

std::uint64_t StudioFrame::PlayheadFrame() const
{
    return static_cast<std::uint64_t>(std::llround(m_dPlayhead * kRunSampleRate));
}

// While paused, the render gets the playhead's place ready, so that play is
// heard at once.
void StudioFrame::CueAtPlayhead()
{
    if (m_document.HasLayers() && !m_pListening->IsPlaying())
        m_pListening->Cue(PlayheadFrame());
}

void StudioFrame::ShowStatus(const std::string& text)
{
    SetStatusText(wxString::FromUTF8(text), 0);
}

void StudioFrame::OnTimer(wxTimerEvent& event)
{
    if (event.GetTimer().GetId() == m_recoveryTimer.GetId()) {
        KeepForRecovery();
        return;
    }
    UpdateListening();
    UpdateMeters();
    // Started again once this tick is done, not on a fixed beat: a tick
    // that ran late on a busy machine is not followed at once by the next,
    // so the window always has a moment for what else waits (results of
    // work in the background, calls handed over).
    m_uiTimer.StartOnce(kUiTimerMs);
}

// The playhead, the end of the track, and what to say about listening.
void StudioFrame::UpdateListening()
{
    Listening& listening = *m_pListening;
    const LiveRender& render = listening.GetRender();
    if (listening.IsPlaying() && render.IsAtEnd()) {
        listening.Pause();
        m_dPlayhead = m_document.GetScore().m_nLengthSeconds;
    }
    const double playhead = GetPlayheadSeconds();
    m_pTimeline->SetPlayhead(playhead, listening.IsPlaying() && m_bFollow);

    TransportState state;
    state.m_bPlaying = listening.IsPlaying();
    state.m_bLooping = m_bLooping;
    state.m_dPlayhead = playhead;
    state.m_dLength = m_document.GetScore().m_nLengthSeconds;
    if (const std::optional<std::string> problem = render.GetProblem()) {
        state.m_strState = *problem;
        state.m_bWarning = true;
    } else if (listening.GetDeviceProblem()) {
        state.m_strState = *listening.GetDeviceProblem();
        state.m_bWarning = true;
    } else if (listening.IsPlaying() && render.IsFindingPlace()) {
        state.m_strState = "Finding the place...";
    } else if (listening.IsPlaying() && render.IsBehind()) {
        state.m_strState = "Rendering is falling behind: what you hear has gaps";
        state.m_bWarning = true;
    } else if (!m_monitor.HearsAll()) {
        state.m_strState = "Some layers are muted: the file holds them all";
    }
    if (m_document.HasLayers()) {
        const LevelEstimate level = render.GetLevel();
        if (!level.m_bKnown)
            state.m_strLevel = "File level: surveying...";
        else if (level.m_bExact)
            state.m_strLevel = "File level: " + Decibels(level.m_dGain) + " (exact)";
        else
            state.m_strLevel = "File level: " + Decibels(level.m_dGain) + " (estimate, " +
                               std::to_string(static_cast<int>(level.m_dSurveyed * 100)) + " % surveyed)";
    }
    m_pTransport->ShowState(state);
    UpdateTitle();
}

// The meters' and the spectrogram's newest readings, measured on a worker.
void StudioFrame::UpdateMeters()
{
    m_pHeard->SetPlaying(m_pListening->IsPlaying());
    const HeardReadings heard = m_pHeard->GetReadings();
    m_pTransport->GetMeter().SetLevels(heard.m_fLevel[0], heard.m_fLevel[1], heard.m_fHeldPeak[0],
                                       heard.m_fHeldPeak[1], heard.m_bOver, heard.m_dLoudness);
    m_pSpectrogramView->DrawNewColumns();
}

void StudioFrame::AddLayer()
{
    if (!m_document.HasLayers())
        return;
    if (m_document.GetScore().m_layers.size() >= 64) {
        ShowError(this, "A score has at most 64 layers.");
        return;
    }
    FileRequest request;
    request.m_ask = FileAsk::OpenSound;
    request.m_strStartPath = m_document.GetFolder();
    const std::optional<std::string> chosen = ChooseFile(this, request);
    if (!chosen)
        return;
    // The sound is checked (a compressed one decoded to its end) off this
    // thread; the layer then joins at the defaults.
    ShowStatus("Reading " + FileNameOf(*chosen) + "...");
    const std::string path = *chosen;
    m_work.Run<DocumentOpening>([path] { return NewFromSound(path); },
                                [this](DocumentOpening opening) {
                                    ShowStatus("");
                                    if (!opening.m_document) {
                                        ShowError(this, opening.m_strError);
                                        return;
                                    }
                                    const Score& score = m_document.GetScore();
                                    ScoreLayer layer = opening.m_document->m_score.m_layers.front();
                                    layer.m_strSource = ScoreNamedFrom(opening.m_document->m_score, m_document.GetFolder())
                                                            .m_layers.front()
                                                            .m_strSource;
                                    ScoreEdit edit("Add layer");
                                    const std::size_t index = score.m_layers.size();
                                    edit.Record(InsertLayer{index, layer});
                                    SubmitEdit(std::move(edit));
                                    SelectLayer(index);
                                });
}

void StudioFrame::RemoveLayer()
{
    const Score& score = m_document.GetScore();
    if (!m_selectedLayer || *m_selectedLayer >= score.m_layers.size())
        return;
    if (score.m_layers.size() == 1) {
        ShowError(this, "A score needs at least one layer.", "Add another layer before removing this one.");
        return;
    }
    ScoreEdit edit("Remove layer");
    edit.Record(EraseLayer{*m_selectedLayer, score.m_layers[*m_selectedLayer]});
    SubmitEdit(std::move(edit));
}

}  // namespace studio
