#include "ui/progress/progress_dialog.h"

#include "ui/dialog_template/fitting_static_text.h"
#include "ui/dialog_template/text_fitting.h"
#include "ui/message_box/message_box_codes.h"
#include "ui/message_box/message_box_routine.h"
#include "ui/progress/progress_template.h"
#include "engine/run/progress_text.h"
#include "ui/progress/pump_messages.h"
#include "resources/strings/resource_ids.h"

#include <wx/button.h>
#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int kBarRange = 100;

}  // namespace

ProgressDialog::ProgressDialog(wxWindow* parent)
    : m_run(*this)
    , m_clock(SystemClockSeconds)
    , m_startTimer(this, kStartTimerId)
    , m_refreshTimer(this, kRefreshTimerId)
{
    // A window of plain controls: its dialog units follow the desktop's text
    // size, so that larger text keeps whole.
    CreateFixed(parent, kProgressCaption, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX,
                DialogSizeToPixels(kProgressWidthUnits, kProgressHeightUnits, DesktopTextScale()));
    UseLayoutFont();
    // Escape and Enter have no meaning here (a focused Cancel button must not
    // take Enter as a click either); Cancel and the close box do.
    SetAffirmativeId(wxID_NONE);
    Bind(wxEVT_TIMER, &ProgressDialog::OnTimer, this);
    Bind(wxEVT_BUTTON, &ProgressDialog::OnCancelButton, this, wxID_CANCEL);
    Bind(wxEVT_BUTTON, &ProgressDialog::OnOkCommand, this, wxID_OK);
    CreateLayoutControls();
    UseOneCaptionSize();
    DoDataExchange();
    if (parent)
        CentreOnParent();
    else
        Centre(wxBOTH);
}

ProgressDialog::~ProgressDialog()
{
    m_startTimer.Stop();
    m_refreshTimer.Stop();
}

void ProgressDialog::SetClock(WallClock clock)
{
    m_clock = clock ? clock : WallClock(SystemClockSeconds);
    m_run.SetClock(std::move(clock));
}

void ProgressDialog::CreateLayoutControls()
{
    for (const TemplateControl& control : kProgressControls)
        CreateLayoutControl(control);
}

void ProgressDialog::CreateLayoutControl(const TemplateControl& control)
{
    const wxRect rect = DialogUnitsToPixels(control.m_rect, DesktopTextScale());
    const wxString text = wxString::FromUTF8(control.m_pszText);
    switch (control.m_kind) {
    case ControlKind::Static:
        new FittingStaticText(this, control.m_nId, text, rect.GetPosition(), rect.GetSize(), control.m_nStyle);
        break;
    case ControlKind::ProgressBar:
        new wxGauge(this, control.m_nId, kBarRange, rect.GetPosition(), rect.GetSize(),
                    wxGA_HORIZONTAL | wxGA_SMOOTH | wxBORDER_SUNKEN);
        break;
    case ControlKind::PushButton:
        new wxButton(this, control.m_nId, text, rect.GetPosition(), rect.GetSize());
        break;
    case ControlKind::Slider:
    case ControlKind::TimePicker:
    case ControlKind::DropDownList:
        break;
    }
}

// The five captions look alike: all take the size of the one that had to
// shrink most to fit its rectangle.
void ProgressDialog::UseOneCaptionSize()
{
    const int captions[] = {IDC_LOADING_LABEL, IDC_GENERATING_LABEL, IDC_WRITING_LABEL, IDC_WRITTEN_LABEL,
                            IDC_TIME_LEFT_LABEL};
    wxFont smallest = GetFont();
    for (int id : captions) {
        if (wxWindow* caption = FindWindow(id); caption && caption->GetFont().GetFractionalPointSize() <
                                                             smallest.GetFractionalPointSize())
            smallest = caption->GetFont();
    }
    for (int id : captions) {
        if (wxWindow* caption = FindWindow(id))
            SetFontExactly(*caption, smallest);
    }
}

void ProgressDialog::DoDataExchange()
{
    m_pTimeLeft = wxDynamicCast(FindWindow(IDC_TIME_LEFT), wxStaticText);
    m_pWrittenSize = wxDynamicCast(FindWindow(IDC_WRITTEN_SIZE), wxStaticText);
    m_pWritingPercent = wxDynamicCast(FindWindow(IDC_WRITING_PERCENT), wxStaticText);
    m_pLoadingPercent = wxDynamicCast(FindWindow(IDC_LOADING_PERCENT), wxStaticText);
    m_pGeneratingPercent = wxDynamicCast(FindWindow(IDC_GENERATING_PERCENT), wxStaticText);
    m_pWritingBar = wxDynamicCast(FindWindow(IDC_WRITING_BAR), wxGauge);
    m_pLoadingBar = wxDynamicCast(FindWindow(IDC_LOADING_BAR), wxGauge);
    m_pGeneratingBar = wxDynamicCast(FindWindow(IDC_GENERATING_BAR), wxGauge);
}

bool ProgressDialog::OnInitDialog()
{
    m_run.SeedRandom();
    for (Phase phase : {Phase::Loading, Phase::Generating, Phase::Writing})
        SetBarPosition(phase, 0);
    for (Phase phase : {Phase::Loading, Phase::Generating, Phase::Writing})
        SetPercentText(phase, 0);
    SetTimeLeftText("...");
    SetWrittenSizeText("Processing...");
    m_startTimer.Start(kStartMilliseconds);
    m_refreshTimer.Start(kRefreshMilliseconds);
    m_tLastRefresh = m_clock();
    m_bShowProgress = 0;
    return true;
}

void ProgressDialog::OnTimer(wxTimerEvent& event)
{
    switch (event.GetId()) {
    case kStartTimerId:
        OnStart();
        break;
    case kRefreshTimerId:
        OnRefreshTick();
        break;
    default:
        break;
    }
}

void ProgressDialog::OnStart()
{
    // Stopped first, so the run is never entered twice.
    m_startTimer.Stop();
    m_bKeepGoing = 1;
    m_run.Run();
    m_bKeepGoing = 0;
    m_refreshTimer.Stop();
    EndDialogWith(wxID_CANCEL);
}

void ProgressDialog::OnRefreshTick()
{
    const std::int64_t now = m_clock();
    if (now - m_tLastRefresh >= 1) {
        m_bShowProgress = 1;
        m_tLastRefresh = now;
    } else {
        m_bShowProgress = 0;
    }
}

void ProgressDialog::OnCancel()
{
    // Before the run starts and after it ends there is nothing to cancel.
    if (m_bKeepGoing == 0)
        return;
    // The run waits inside this call until the question is answered.
    const int answer = ShowMessageBoxById(IDS_CONFIRM_CANCEL, MB_YESNO | MB_ICONQUESTION, this);
    if (answer != IDYES)
        return;
    // The window stays until the run has noticed the cleared flag at its next
    // look and returned; OnStart then ends it. Ending it here would let the
    // main window take input (a second Generate) while the run finishes.
    SetReturnCode(wxID_CANCEL);
    m_bKeepGoing = 0;
}

void ProgressDialog::OnCancelButton(wxCommandEvent&)
{
    OnCancel();
}

void ProgressDialog::OnOkCommand(wxCommandEvent&)
{
    // Enter's command: the window stays open.
}

void ProgressDialog::OnCloseRequest()
{
    // The close box is the Cancel button; the window itself only ever ends
    // when the run returns.
    OnCancel();
}

void ProgressDialog::ReportProgress(const Progress& progress)
{
    if (m_bShowProgress != 1)
        return;
    SetBarPosition(progress.m_phase, progress.m_nPercent);
    SetPercentText(progress.m_phase, progress.m_nPercent);
    if (progress.m_phase == Phase::Writing)
        SetWrittenSizeText(FormatWrittenSize(progress.m_nFramesWritten));
    SetTimeLeftText(FormatTimeLeft(progress.m_nElapsedSeconds, progress.m_dFraction));
}

bool ProgressDialog::KeepGoing()
{
    PumpMessages();
    return m_bKeepGoing == 1;
}

void ProgressDialog::EndPhase(Phase phase)
{
    SetBarPosition(phase, kBarRange);
    SetPercentText(phase, kBarRange);
}

void ProgressDialog::ShowMessage(const RunMessage& message, MessageKind kind)
{
    const unsigned icon = kind == MessageKind::Information ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
    ShowMessageBox(message.m_strText, MB_OK | icon, this);
}

wxGauge* ProgressDialog::BarOf(Phase phase) const
{
    switch (phase) {
    case Phase::Loading:
        return m_pLoadingBar;
    case Phase::Generating:
        return m_pGeneratingBar;
    case Phase::Writing:
        return m_pWritingBar;
    default:  // this window's runs have no other phase
        return nullptr;
    }
}

wxStaticText* ProgressDialog::PercentTextOf(Phase phase) const
{
    switch (phase) {
    case Phase::Loading:
        return m_pLoadingPercent;
    case Phase::Generating:
        return m_pGeneratingPercent;
    case Phase::Writing:
        return m_pWritingPercent;
    default:
        return nullptr;
    }
}

void ProgressDialog::SetBarPosition(Phase phase, int percent)
{
    if (wxGauge* bar = BarOf(phase))
        bar->SetValue(std::clamp(percent, 0, kBarRange));
}

void ProgressDialog::SetPercentText(Phase phase, int percent)
{
    SetText(PercentTextOf(phase), FormatPercent(percent));
}

void ProgressDialog::SetTimeLeftText(const std::string& text)
{
    SetText(m_pTimeLeft, text);
}

void ProgressDialog::SetWrittenSizeText(const std::string& text)
{
    SetText(m_pWrittenSize, text);
}

void ProgressDialog::SetText(wxStaticText* control, const std::string& text)
{
    const wxString label = wxString::FromUTF8(text);
    // An unchanged text is not set again, so it does not repaint.
    if (control && control->GetLabel() != label)
        control->SetLabel(label);
}

int ProgressDialog::PumpMessages()
{
    return PumpWaitingMessages();
}
