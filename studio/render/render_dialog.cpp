#include "studio/render/render_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "score_file/score_limits.h"
#include "score_file/time_text.h"
#include "engine/parameters/parameter_table.h"
#include "formats/output_format.h"
#include "studio/app/install_places.h"
#include "studio/app/prompts.h"
#include "studio/model/document_files.h"
#include "studio/render/cli_render_job.h"

namespace studio {

namespace fs = std::filesystem;

namespace {

const char* const kExtensions[] = {".wav", ".flac", ".w64"};
const int kBits[] = {16, 24, 32};

int FormatIndexOf(const std::string& path)
{
    const std::string extension = fs::path(path).extension().string();
    for (int i = 0; i < 3; ++i) {
        if (extension == kExtensions[i])
            return i;
    }
    return 0;
}

// A private folder for the score handed to the render.
std::string MakeWorkFolder()
{
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern = (fs::path(temporary != nullptr && temporary[0] != '\0' ? temporary : "/tmp") /
                           "sonnelith-studio-XXXXXX")
                              .string();
    if (mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

}  // namespace

RenderDialog::RenderDialog(wxWindow* parent, const Score& score, std::uint32_t seed, const std::string& title,
                           const RenderChoices& choices)
    : wxDialog(parent, wxID_ANY, "Render", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
    , m_score(score)
    , m_nSeed(seed)
    , m_strTitle(title)
    , m_choices(choices)
    , m_timer(this)
{
    SetName("render");
    BuildChoices();
    ShowChoices();
    Bind(wxEVT_TIMER, &RenderDialog::OnTimer, this);
    Bind(wxEVT_BUTTON, &RenderDialog::OnCancel, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (m_pJob) {
            m_pJob->Cancel();
            event.Veto();
            return;
        }
        event.Skip();
    });
}

RenderDialog::~RenderDialog()
{
    m_timer.Stop();
    m_pJob.reset();
    if (!m_strWorkFolder.empty()) {
        std::error_code error;
        fs::remove_all(m_strWorkFolder, error);
    }
}

void RenderDialog::BuildChoices()
{
    auto* grid = new wxFlexGridSizer(3, FromDIP(6), FromDIP(8));
    grid->AddGrowableCol(1);
    const auto row = [&](const wxString& label, wxWindow* control, wxWindow* extra, const wxString& tip) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(control, 1, wxEXPAND);
        if (extra)
            grid->Add(extra, 0, wxALIGN_CENTER_VERTICAL);
        else
            grid->AddSpacer(0);
        control->SetToolTip(tip);
    };
    m_pOutput = new wxTextCtrl(this, wxID_ANY);
    m_pOutput->SetName("output");
    auto* browse = new wxButton(this, wxID_ANY, "&Browse...");
    row("&File", m_pOutput, browse, "The sound file to write; its extension sets its format");
    m_pFormat = new wxChoice(this, wxID_ANY);
    for (const char* format : {"WAV (.wav; RF64 past 4 GiB)", "FLAC (.flac)", "Wave64 (.w64)"})
        m_pFormat->Append(format);
    row("F&ormat", m_pFormat, nullptr, "The kind of file: WAV, FLAC or Wave64");
    m_pBits = new wxChoice(this, wxID_ANY);
    for (const char* bits : {"16-bit PCM", "24-bit PCM", "32-bit float"})
        m_pBits->Append(bits);
    row("&Bits", m_pBits, nullptr, "Samples of 16 or 24 bits, or 32-bit floating point (FLAC: 16 or 24)");
    m_pRate = new wxChoice(this, wxID_ANY);
    for (const int rate : kAllowedRates)
        m_pRate->Append(wxString::Format("%d Hz", rate));
    row("&Rate", m_pRate, nullptr, "The file's sample rate; other rates than 44100 Hz are converted by libsoxr");
    m_pLevelKind = new wxChoice(this, wxID_ANY);
    for (const char* kind : {"Peak at the volume", "Loudness, the volume its ceiling"})
        m_pLevelKind->Append(kind);
    row("&Level", m_pLevelKind, nullptr, "The peak rule, or an integrated loudness (EBU R128)");
    const ParameterRow& volume = RowOf(ParameterId::Volume);
    m_pVolume = new wxSpinCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                               static_cast<int>(volume.m_dMinimum), static_cast<int>(volume.m_dMaximum));
    m_pVolume->SetName("render volume");
    row("&Volume", m_pVolume, new wxStaticText(this, wxID_ANY, "%"), wxString::FromUTF8(volume.m_szWhat));
    m_pLoudness = new wxSpinCtrlDouble(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                       kQuietestScoreLoudness, kLoudestScoreLoudness, -23.0, 0.5);
    m_pLoudness->SetDigits(1);
    row("Lou&dness", m_pLoudness, new wxStaticText(this, wxID_ANY, "LUFS"), "The integrated loudness to reach");
    m_pUseLevelRange = new wxCheckBox(this, wxID_ANY, "Level r&ange");
    m_pLevelRange = new wxSpinCtrlDouble(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                         kNarrowestLevelRange, kWidestLevelRange, 6.0, 0.5);
    m_pLevelRange->SetDigits(1);
    grid->Add(m_pUseLevelRange, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_pLevelRange, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "LU"), 0, wxALIGN_CENTER_VERTICAL);
    m_pLevelRange->SetToolTip(
        "Even the level so that it stays within this range: each grain brought towards the source's median level, "
        "then the track by a slow gain");
    m_pLength = new wxTextCtrl(this, wxID_ANY);
    m_pLength->SetName("render length");
    row("Len&gth", m_pLength, new wxStaticText(this, wxID_ANY, "H:MM:SS"), "The track's length, up to 24:00:00");
    m_pLoop = new wxCheckBox(this, wxID_ANY, "A seamless l&oop (no fades; a smpl chunk in WAV)");

    m_pPhase = new wxStaticText(this, wxID_ANY, "");
    m_pPhase->SetName("render phase");
    m_pGauge = new wxGauge(this, wxID_ANY, 100);
    m_pRender = new wxButton(this, wxID_OK, "&Render");
    m_pCancel = new wxButton(this, wxID_CANCEL, "&Cancel");
    m_pRender->SetDefault();

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(m_pCancel, 0, wxRIGHT, FromDIP(6));
    buttons->Add(m_pRender);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(grid, 0, wxEXPAND | wxALL, FromDIP(12));
    column->Add(m_pLoop, 0, wxLEFT | wxRIGHT, FromDIP(12));
    column->Add(m_pPhase, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(12));
    column->Add(m_pGauge, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(12));
    column->Add(buttons, 0, wxEXPAND | wxALL, FromDIP(12));
    SetSizerAndFit(column);
    SetMinSize(FromDIP(wxSize(520, -1)));
    Fit();

    browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowse(); });
    m_pFormat->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnFormatChosen(); });
    m_pLevelKind->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { m_pLoudness->Enable(m_pLevelKind->GetSelection() == 1); });
    m_pUseLevelRange->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { m_pLevelRange->Enable(m_pUseLevelRange->GetValue()); });
    m_pRender->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { StartRender(); });
}

void RenderDialog::ShowChoices()
{
    m_pOutput->ChangeValue(wxString::FromUTF8(m_choices.m_strOutput));
    m_pFormat->SetSelection(FormatIndexOf(m_choices.m_strOutput));
    m_pBits->SetSelection(m_choices.m_nBits == 24 ? 1 : m_choices.m_nBits == 32 ? 2 : 0);
    int rate = 0;
    for (int i = 0; i < 4; ++i) {
        if (kAllowedRates[i] == m_choices.m_nRate)
            rate = i;
    }
    m_pRate->SetSelection(rate);
    m_pLevelKind->SetSelection(m_choices.m_loudness ? 1 : 0);
    m_pVolume->SetValue(m_choices.m_nVolume);
    m_pLoudness->SetValue(m_choices.m_loudness.value_or(-23.0));
    m_pLoudness->Enable(m_choices.m_loudness.has_value());
    m_pUseLevelRange->SetValue(m_choices.m_levelRange.has_value());
    m_pLevelRange->SetValue(m_choices.m_levelRange.value_or(6.0));
    m_pLevelRange->Enable(m_choices.m_levelRange.has_value());
    m_pLoop->SetValue(m_choices.m_bLoop);
    m_pLength->ChangeValue(wxString::FromUTF8(FormatTimeText(m_choices.m_nLengthSeconds)));
}

bool RenderDialog::ReadChoices()
{
    RenderChoices choices;
    choices.m_strOutput = AbsolutePath(m_pOutput->GetValue().utf8_string());
    choices.m_nBits = kBits[std::max(m_pBits->GetSelection(), 0)];
    choices.m_nRate = kAllowedRates[std::max(m_pRate->GetSelection(), 0)];
    choices.m_nVolume = m_pVolume->GetValue();
    if (m_pLevelKind->GetSelection() == 1)
        choices.m_loudness = m_pLoudness->GetValue();
    if (m_pUseLevelRange->GetValue())
        choices.m_levelRange = m_pLevelRange->GetValue();
    choices.m_bLoop = m_pLoop->GetValue();
    const std::string length = m_pLength->GetValue().utf8_string();
    const std::optional<std::uint64_t> seconds = ParseWholeTimeText(length);
    if (!seconds || *seconds > static_cast<std::uint64_t>(kLongestTrackSeconds)) {
        ShowError(this, "\"" + length + "\" is not a length.", "Give it as H:MM:SS, up to 24:00:00.");
        return false;
    }
    choices.m_nLengthSeconds = static_cast<std::int32_t>(*seconds);
    if (m_pOutput->GetValue().empty()) {
        ShowError(this, "Choose the file to render to.");
        return false;
    }
    if (const std::optional<std::string> why = RefuseChoices(choices)) {
        ShowError(this, "These choices do not go together: " + *why + ".");
        return false;
    }
    m_choices = choices;
    return true;
}

void RenderDialog::OnBrowse()
{
    FileRequest request;
    request.m_ask = FileAsk::RenderTo;
    request.m_strStartPath = m_pOutput->GetValue().utf8_string();
    if (const std::optional<std::string> chosen = ChooseFile(this, request)) {
        m_pOutput->ChangeValue(wxString::FromUTF8(*chosen));
        m_pFormat->SetSelection(FormatIndexOf(*chosen));
    }
}

// The format sets the file's extension.
void RenderDialog::OnFormatChosen()
{
    fs::path path(m_pOutput->GetValue().utf8_string());
    path.replace_extension(kExtensions[std::max(m_pFormat->GetSelection(), 0)]);
    m_pOutput->ChangeValue(wxString::FromUTF8(path.string()));
    if (m_pFormat->GetSelection() == 1 && m_pBits->GetSelection() == 2)
        m_pBits->SetSelection(1);
}

bool RenderDialog::StartRender()
{
    if (m_pJob || !ReadChoices())
        return false;
    std::error_code error;
    if (fs::exists(m_choices.m_strOutput, error)) {
        Prompt prompt;
        prompt.m_kind = PromptKind::Question;
        prompt.m_strText = FileNameOf(m_choices.m_strOutput) + " already exists. Replace it?";
        prompt.m_strDetail = "It is replaced only once the render is complete.";
        prompt.m_strYesLabel = "Replace";
        prompt.m_strNoLabel = "Cancel";
        if (ShowPrompt(this, prompt) != PromptAnswer::Yes)
            return false;
    }
    m_strWorkFolder = MakeWorkFolder();
    const std::string scorePath = (fs::path(m_strWorkFolder) / m_strTitle).string();
    // The score as the saved file holds it, its sources named by where they
    // are (the render runs from another folder).
    const Score rendered = ScoreToRender(m_score, m_choices, m_nSeed);
    if (m_strWorkFolder.empty() || WriteFileReplacing(scorePath, ScoreFileText(rendered, m_strWorkFolder))) {
        ShowError(this, "The score cannot be handed to the render: the folder for temporary files cannot be written.");
        return false;
    }
    m_pJob = std::make_unique<CliRenderJob>(RendererPath(), RenderArguments(m_choices, scorePath));
    for (wxWindow* child : GetChildren()) {
        if (child != m_pCancel && child != m_pGauge && child != m_pPhase)
            child->Disable();
    }
    m_pPhase->SetLabel("Starting the render...");
    m_pGauge->SetValue(0);
    m_timer.Start(100);
    return true;
}

void RenderDialog::OnTimer(wxTimerEvent&)
{
    if (!m_pJob)
        return;
    const RenderProgress progress = m_pJob->GetProgress();
    if (!progress.m_strPhase.empty()) {
        m_pPhase->SetLabel(wxString::Format("%s  %d %%", wxString::FromUTF8(progress.m_strPhase), progress.m_nPercent));
        // Synthesis is most of a render; measuring and writing the rest.
        const bool writing = progress.m_strPhase == "Writing sound file";
        const bool measuring = progress.m_strPhase == "Measuring level";
        const int overall = writing ? 80 + progress.m_nPercent / 5 : measuring ? 70 + progress.m_nPercent / 10
                                                                                : progress.m_nPercent * 7 / 10;
        m_pGauge->SetValue(std::clamp(overall, 0, 100));
    }
    if (progress.m_bDone)
        Finish();
}

// The messages name the score as the window does, not by the copy the
// render read.
std::string RenderDialog::NamedForUser(const std::string& line) const
{
    std::string text = line;
    const std::string folder = m_strWorkFolder + "/";
    for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder))
        text.erase(at, folder.size());
    return text;
}

void RenderDialog::Finish()
{
    m_timer.Stop();
    const RenderProgress progress = m_pJob->GetProgress();
    m_pJob.reset();
    std::string said;
    for (const std::string& line : progress.m_lines)
        said.append(said.empty() ? "" : "\n").append(NamedForUser(line));
    m_outcome.m_bWritten = progress.m_nExitStatus == 0;
    m_outcome.m_bCancelled = progress.m_nExitStatus == 143 || progress.m_nExitStatus == 130;
    m_outcome.m_strReport = said;
    for (wxWindow* child : GetChildren())
        child->Enable();
    if (m_outcome.m_bWritten) {
        if (IsModal())
            EndModal(wxID_OK);
        return;
    }
    if (m_outcome.m_bCancelled) {
        m_pPhase->SetLabel("Cancelled: nothing was written.");
        m_pGauge->SetValue(0);
        return;
    }
    m_pPhase->SetLabel("The render failed.");
    ShowError(this, "The score was not rendered.", said);
}

void RenderDialog::OnCancel(wxCommandEvent&)
{
    if (m_pJob) {
        m_pJob->Cancel();
        m_pPhase->SetLabel("Cancelling...");
        return;
    }
    if (IsModal())
        EndModal(wxID_CANCEL);
}

}  // namespace studio
