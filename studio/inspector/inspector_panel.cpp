#include "studio/inspector/inspector_panel.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cmath>
#include <filesystem>

#include "score_file/plain_run_score.h"
#include "score_file/score_limits.h"
#include "score_file/score_sources.h"
#include "score_file/time_text.h"
#include "engine/parameters/parameter_table.h"
#include "engine/parameters/parameter_text.h"
#include "engine/scheduling/parameter_grain_settings.h"
#include "studio/app/prompts.h"
#include "studio/inspector/source_waveform_ctrl.h"
#include "studio/inspector/window_shape_ctrl.h"
#include "studio/listening/source_cache.h"
#include "studio/model/document_files.h"
#include "studio/model/lane_points.h"

namespace studio {

namespace {

wxString Text(const std::string& text)
{
    return wxString::FromUTF8(text);
}

wxStaticText* Heading(wxWindow* parent, const wxString& text)
{
    auto* heading = new wxStaticText(parent, wxID_ANY, text);
    heading->SetFont(heading->GetFont().Bold());
    return heading;
}

// A row of the form: a label, the control, its unit.
void AddRow(wxWindow* parent, wxFlexGridSizer* grid, const wxString& label, wxWindow* control, const wxString& unit,
            const wxString& tip)
{
    auto* caption = new wxStaticText(parent, wxID_ANY, label);
    grid->Add(caption, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(control, 1, wxEXPAND);
    grid->Add(new wxStaticText(parent, wxID_ANY, unit), 0, wxALIGN_CENTER_VERTICAL);
    if (!tip.empty()) {
        caption->SetToolTip(tip);
        control->SetToolTip(tip);
    }
}

int DigitsFor(double resolution)
{
    return std::max(0, static_cast<int>(-std::floor(std::log10(resolution) + 1e-9)));
}

// Grains wander by about the square root of their count times their step
// over a segment: the scanning range's reach, in seconds either way.
double WanderSeconds(const ScoreLayer& layer)
{
    const GrainSettings settings = GrainSettingsOfValues(layer.m_values, 0.0);
    const double grains = static_cast<double>(settings.m_nSegmentGrains);
    return std::sqrt(std::max(grains, 1.0)) * settings.m_nScanFrames / kRunSampleRate;
}

}  // namespace

InspectorPanel::InspectorPanel(wxWindow* parent, StudioHost& host, std::shared_ptr<SourceCache> sources)
    : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxVSCROLL | wxTAB_TRAVERSAL)
    , m_host(host)
    , m_pSources(std::move(sources))
{
    SetName("inspector");
    auto* column = new wxBoxSizer(wxVERTICAL);
    BuildPiece(column);
    column->Add(new wxStaticLine(this), 0, wxEXPAND | wxTOP | wxBOTTOM, FromDIP(8));
    m_pLayerPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    auto* layerColumn = new wxBoxSizer(wxVERTICAL);
    BuildLayer(layerColumn);
    BuildParameters(layerColumn);
    m_pLayerPanel->SetSizer(layerColumn);
    column->Add(m_pLayerPanel, 0, wxEXPAND);
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(column, 1, wxEXPAND | wxALL, FromDIP(10));
    SetSizer(outer);
    SetScrollRate(0, FromDIP(12));
    FitInside();
    DocumentChanged();
}

void InspectorPanel::BuildPiece(wxSizer* sizer)
{
    sizer->Add(Heading(this, "Piece"), 0, wxBOTTOM, FromDIP(6));
    auto* grid = new wxFlexGridSizer(3, FromDIP(4), FromDIP(6));
    grid->AddGrowableCol(1);
    m_pLength = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    m_pLength->SetName("length");
    AddRow(this, grid, "&Length", m_pLength, "H:MM:SS", "The track's length, up to 24:00:00");
    m_pSeed = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    m_pSeed->SetName("seed");
    AddRow(this, grid, "S&eed", m_pSeed, "",
           "The seed of every random choice: the same score and seed give the same file. Empty: the score "
           "keeps none, and this window's seed (below) is heard and rendered");
    grid->AddSpacer(0);
    m_pSeedNote = new wxStaticText(this, wxID_ANY, "");
    grid->Add(m_pSeedNote, 0, wxEXPAND);
    grid->AddSpacer(0);
    const ParameterRow& volume = RowOf(ParameterId::Volume);
    m_pVolume = new wxSpinCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                               static_cast<int>(volume.m_dMinimum), static_cast<int>(volume.m_dMaximum));
    m_pVolume->SetName("volume");
    AddRow(this, grid, "&Volume", m_pVolume, Text(volume.m_szUnit), Text(volume.m_szWhat));
    m_pUseLoudness = new wxCheckBox(this, wxID_ANY, "Lou&dness");
    m_pUseLoudness->SetToolTip("Integrated loudness (EBU R128) instead of the peak; the volume is then its ceiling");
    m_pLoudness = new wxSpinCtrlDouble(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                       kQuietestScoreLoudness, kLoudestScoreLoudness, -23.0, 0.5);
    m_pLoudness->SetDigits(1);
    m_pLoudness->SetName("loudness");
    grid->Add(m_pUseLoudness, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_pLoudness, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "LUFS"), 0, wxALIGN_CENTER_VERTICAL);
    const ParameterRow& fade = RowOf(ParameterId::Fade);
    m_pFade = new wxSpinCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                             static_cast<int>(fade.m_dMinimum), static_cast<int>(fade.m_dMaximum));
    m_pFade->SetName("fade");
    AddRow(this, grid, "&Fade", m_pFade, Text(fade.m_szUnit), Text(fade.m_szWhat));
    m_pUseLevelRange = new wxCheckBox(this, wxID_ANY, "Level &range");
    m_pUseLevelRange->SetToolTip("Even the level so that it stays within this range (level evening): each grain "
                                 "brought towards the source's median level, then the track by a slow gain");
    m_pLevelRange = new wxSpinCtrlDouble(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                         kNarrowestLevelRange, kWidestLevelRange, 6.0, 0.5);
    m_pLevelRange->SetDigits(1);
    m_pLevelRange->SetName("level range");
    grid->Add(m_pUseLevelRange, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_pLevelRange, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "LU"), 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(grid, 0, wxEXPAND);
    m_pLoop = new wxCheckBox(this, wxID_ANY, "Seamless l&oop (no fades: the end flows into the start)");
    sizer->Add(m_pLoop, 0, wxTOP, FromDIP(6));

    m_pLength->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { ApplyLength(); });
    m_pLength->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        ApplyLength();
        event.Skip();
    });
    m_pSeed->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { ApplySeed(); });
    m_pSeed->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        ApplySeed();
        event.Skip();
    });
    m_pVolume->Bind(wxEVT_SPINCTRL, [this](wxCommandEvent&) { ApplyLevel(); });
    m_pUseLoudness->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { ApplyLevel(); });
    m_pLoudness->Bind(wxEVT_SPINCTRLDOUBLE, [this](wxCommandEvent&) { ApplyLevel(); });
    m_pFade->Bind(wxEVT_SPINCTRL, [this](wxCommandEvent&) { ApplyLevel(); });
    m_pLoop->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { ApplyLevel(); });
    m_pUseLevelRange->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { ApplyLevel(); });
    m_pLevelRange->Bind(wxEVT_SPINCTRLDOUBLE, [this](wxCommandEvent&) { ApplyLevel(); });
}

void InspectorPanel::BuildLayer(wxSizer* sizer)
{
    wxWindow* parent = m_pLayerPanel;
    m_pLayerTitle = Heading(parent, "Layer");
    sizer->Add(m_pLayerTitle, 0, wxBOTTOM, FromDIP(6));
    auto* source = new wxBoxSizer(wxHORIZONTAL);
    m_pSourceName = new wxStaticText(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxST_ELLIPSIZE_MIDDLE);
    m_pChangeSource = new wxButton(parent, wxID_ANY, "C&hange Source...");
    m_pChangeSource->SetToolTip("Read another sound in this layer");
    source->Add(m_pSourceName, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
    source->Add(m_pChangeSource, 0);
    sizer->Add(source, 0, wxEXPAND | wxBOTTOM, FromDIP(4));
    m_pWaveform = new SourceWaveformCtrl(parent);
    sizer->Add(m_pWaveform, 0, wxEXPAND | wxBOTTOM, FromDIP(4));
    auto* grid = new wxFlexGridSizer(3, FromDIP(4), FromDIP(6));
    grid->AddGrowableCol(1);
    m_pStart = new wxSpinCtrlDouble(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                                    wxSP_ARROW_KEYS | wxTE_PROCESS_ENTER, 0, 1, 0, 0.01);
    m_pStart->SetDigits(3);
    m_pStart->SetName("source start");
    AddRow(parent, grid, "Read &from", m_pStart, "s", "source_start: where in the source the layer's reading begins");
    m_pEnd = new wxSpinCtrlDouble(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                                  wxSP_ARROW_KEYS | wxTE_PROCESS_ENTER, 0, 1, 0, 0.01);
    m_pEnd->SetDigits(3);
    m_pEnd->SetName("source end");
    AddRow(parent, grid, "Read &to", m_pEnd, "s", "source_end: where in the source the layer's reading ends");
    grid->AddSpacer(0);
    m_pWhole = new wxCheckBox(parent, wxID_ANY, "The &whole source");
    grid->Add(m_pWhole);
    grid->AddSpacer(0);
    m_pGain = new wxSpinCtrlDouble(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                                   wxSP_ARROW_KEYS | wxTE_PROCESS_ENTER, kQuietestGainDb, kLoudestGainDb, 0, 0.5);
    m_pGain->SetDigits(1);
    m_pGain->SetName("gain");
    AddRow(parent, grid, "&Gain", m_pGain, "dB", "The layer's level in the mix");
    grid->AddSpacer(0);
    m_pSilent = new wxCheckBox(parent, wxID_ANY, "Si&lent");
    grid->Add(m_pSilent);
    grid->AddSpacer(0);
    sizer->Add(grid, 0, wxEXPAND);

    m_pChangeSource->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ChangeSource(); });
    m_pWaveform->m_onStretchChosen = [this](std::optional<double> start, std::optional<double> end) {
        ApplyStretch(start, end);
    };
    const auto stretchFromFields = [this] {
        ApplyStretch(m_pStart->GetValue() > 0 ? std::optional<double>(m_pStart->GetValue()) : std::nullopt,
                     m_pEnd->GetValue() < m_dSourceSeconds ? std::optional<double>(m_pEnd->GetValue()) : std::nullopt);
    };
    m_pStart->Bind(wxEVT_SPINCTRLDOUBLE, [stretchFromFields](wxCommandEvent&) { stretchFromFields(); });
    m_pEnd->Bind(wxEVT_SPINCTRLDOUBLE, [stretchFromFields](wxCommandEvent&) { stretchFromFields(); });
    m_pWhole->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
        if (m_pWhole->GetValue())
            ApplyStretch(std::nullopt, std::nullopt);
        else
            ShowLayer();
    });
    m_pGain->Bind(wxEVT_SPINCTRLDOUBLE, [this](wxCommandEvent&) { ApplyGain(); });
    m_pSilent->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { ApplyGain(); });
}

void InspectorPanel::BuildParameters(wxSizer* sizer)
{
    wxWindow* parent = m_pLayerPanel;
    sizer->Add(Heading(parent, "Parameters"), 0, wxTOP | wxBOTTOM, FromDIP(8));
    auto* grid = new wxFlexGridSizer(3, FromDIP(4), FromDIP(6));
    grid->AddGrowableCol(1);
    for (const ParameterId id : LayerParameters()) {
        ParameterControl control;
        control.m_id = id;
        control.m_facts = FactsOf(LaneKey::Of(id));
        wxWindow* made = MakeParameterControl(parent, control);
        const wxString tip = Text(control.m_facts.m_strWhat + " (" + DescribeLaneRange(control.m_facts) + ")");
        AddRow(parent, grid, Text(control.m_facts.m_strLabel), made, Text(control.m_facts.m_strUnit), tip);
        grid->AddSpacer(0);
        control.m_pMoves = new wxStaticText(parent, wxID_ANY, "");
        control.m_pMoves->SetFont(control.m_pMoves->GetFont().Smaller());
        grid->Add(control.m_pMoves, 0, wxEXPAND);
        grid->AddSpacer(0);
        m_parameters.push_back(control);
    }
    sizer->Add(grid, 0, wxEXPAND);
    // The handlers find their control by its parameter, once the list is
    // complete (its elements do not move after this).
    for (const ParameterControl& control : m_parameters) {
        const ParameterControl* held = &control;
        if (control.m_pWhole)
            control.m_pWhole->Bind(wxEVT_SPINCTRL, [this, held](wxCommandEvent&) { ApplyParameter(*held); });
        if (control.m_pReal)
            control.m_pReal->Bind(wxEVT_SPINCTRLDOUBLE, [this, held](wxCommandEvent&) { ApplyParameter(*held); });
        if (control.m_pOff)
            control.m_pOff->Bind(wxEVT_CHECKBOX, [this, held](wxCommandEvent&) { ApplyParameter(*held); });
        if (control.m_pChoice)
            control.m_pChoice->Bind(wxEVT_CHOICE, [this, held](wxCommandEvent&) { ApplyParameter(*held); });
        if (control.m_pEntry)
            control.m_pEntry->Bind(wxEVT_TEXT_ENTER, [this, held](wxCommandEvent&) { ApplyListAdd(*held); });
    }
}

// The control a parameter's kind calls for.
wxWindow* InspectorPanel::MakeParameterControl(wxWindow* parent, ParameterControl& control)
{
    const LaneFacts& facts = control.m_facts;
    const ParameterRow& row = RowOf(control.m_id);
    const wxString name = Text(facts.m_strScoreKey);
    switch (facts.m_kind) {
    case LaneKind::Choice: {
        auto* box = new wxBoxSizer(wxHORIZONTAL);
        auto* panel = new wxPanel(parent);
        control.m_pChoice = new wxChoice(panel, wxID_ANY);
        control.m_pChoice->SetName(name);
        for (const std::string& choice : facts.m_choices)
            control.m_pChoice->Append(Text(choice));
        box->Add(control.m_pChoice, 1, wxALIGN_CENTER_VERTICAL);
        // A choice of grain envelopes is drawn.
        if (!facts.m_choices.empty() && FindWindowShape(facts.m_choices.front())) {
            control.m_pShape = new WindowShapeCtrl(panel);
            box->Add(control.m_pShape, 0, wxLEFT, FromDIP(6));
        }
        panel->SetSizer(box);
        return panel;
    }
    case LaneKind::List: {
        auto* panel = new wxPanel(parent);
        auto* box = new wxBoxSizer(wxVERTICAL);
        control.m_pList = new wxListBox(panel, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(-1, 64)));
        control.m_pList->SetName(name);
        auto* line = new wxBoxSizer(wxHORIZONTAL);
        control.m_pEntry = new wxTextCtrl(panel, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
        control.m_pEntry->SetHint("7");
        control.m_pEntry->SetToolTip("An interval to add, in " + Text(facts.m_strUnit) + ": Enter adds it");
        auto* add = new wxButton(panel, wxID_ANY, "Add", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        auto* remove = new wxButton(panel, wxID_ANY, "Remove", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        remove->SetToolTip("Remove the selected interval");
        line->Add(control.m_pEntry, 1, wxRIGHT, FromDIP(4));
        line->Add(add, 0, wxRIGHT, FromDIP(4));
        line->Add(remove, 0);
        box->Add(control.m_pList, 0, wxEXPAND | wxBOTTOM, FromDIP(4));
        box->Add(line, 0, wxEXPAND);
        panel->SetSizer(box);
        const ParameterId id = control.m_id;
        const auto find = [this, id]() -> const ParameterControl* {
            for (const ParameterControl& c : m_parameters) {
                if (c.m_id == id)
                    return &c;
            }
            return nullptr;
        };
        add->Bind(wxEVT_BUTTON, [this, find](wxCommandEvent&) {
            if (const ParameterControl* c = find())
                ApplyListAdd(*c);
        });
        remove->Bind(wxEVT_BUTTON, [this, find](wxCommandEvent&) {
            if (const ParameterControl* c = find())
                ApplyListRemove(*c);
        });
        return panel;
    }
    case LaneKind::Number: break;
    }
    wxWindow* number = nullptr;
    if (row.m_kind == ParameterKind::Whole) {
        control.m_pWhole = new wxSpinCtrl(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                          static_cast<int>(facts.m_dLowest), static_cast<int>(facts.m_dHighest));
        control.m_pWhole->SetIncrement(static_cast<int>(std::max(facts.m_dStep, 1.0)));
        control.m_pWhole->SetName(name);
        number = control.m_pWhole;
    } else {
        const double resolution = DragResolution(facts, false);
        control.m_pReal = new wxSpinCtrlDouble(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                                               wxSP_ARROW_KEYS | wxTE_PROCESS_ENTER, facts.m_dLowest, facts.m_dHighest,
                                               facts.m_dLowest, resolution * 10);
        control.m_pReal->SetDigits(static_cast<unsigned>(DigitsFor(resolution)));
        control.m_pReal->SetName(name);
        number = control.m_pReal;
    }
    if (!row.m_bZeroIsOff)
        return number;
    auto* panel = new wxPanel(parent);
    number->Reparent(panel);
    auto* box = new wxBoxSizer(wxHORIZONTAL);
    control.m_pOff = new wxCheckBox(panel, wxID_ANY, "Off");
    box->Add(control.m_pOff, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
    box->Add(number, 1);
    panel->SetSizer(box);
    return panel;
}

void InspectorPanel::DocumentChanged()
{
    ShowPiece();
    ShowLayer();
}

void InspectorPanel::ShowPiece()
{
    const ScoreDocument& document = m_host.GetDocument();
    const Score& score = document.GetScore();
    const bool any = document.HasLayers();
    for (wxWindow* window : std::initializer_list<wxWindow*>{m_pLength, m_pSeed, m_pVolume, m_pUseLoudness, m_pFade,
                                                              m_pLoop, m_pUseLevelRange})
        window->Enable(any);
    if (!m_pLength->HasFocus())
        m_pLength->ChangeValue(Text(FormatTimeText(score.m_nLengthSeconds)));
    if (!m_pSeed->HasFocus())
        m_pSeed->ChangeValue(score.m_seed ? wxString::Format("%u", *score.m_seed) : wxString());
    m_pSeedNote->SetLabel(score.m_seed ? wxString("The score's own seed")
                                       : wxString::Format("Heard and rendered with seed %u", document.GetSeed()));
    m_pVolume->SetValue(score.m_nVolume);
    m_pUseLoudness->SetValue(score.m_loudness.has_value());
    m_pLoudness->Enable(any && score.m_loudness.has_value());
    if (score.m_loudness)
        m_pLoudness->SetValue(*score.m_loudness);
    m_pFade->SetValue(score.m_nFadeSeconds);
    m_pLoop->SetValue(score.m_bLoop);
    m_pUseLevelRange->SetValue(score.m_levelRange.has_value());
    m_pLevelRange->Enable(any && score.m_levelRange.has_value());
    if (score.m_levelRange)
        m_pLevelRange->SetValue(*score.m_levelRange);
}

void InspectorPanel::ShowLayer()
{
    const Score& score = m_host.GetDocument().GetScore();
    const std::optional<std::size_t> selected = m_host.GetSelectedLayer();
    if (!selected || *selected >= score.m_layers.size()) {
        m_pLayerPanel->Hide();
        FitInside();
        return;
    }
    const ScoreLayer& layer = score.m_layers[*selected];
    m_pLayerPanel->Show();
    m_pLayerTitle->SetLabel(wxString::Format("Layer %zu", *selected + 1));
    m_pSourceName->SetLabel(Text(layer.m_strSource));
    m_pSourceName->SetToolTip(Text(layer.m_strSourcePath));
    ShowSource(layer);
    const double gain = layer.m_dGainDb;
    m_pSilent->SetValue(gain == -INFINITY);
    m_pGain->Enable(gain != -INFINITY);
    if (gain != -INFINITY)
        m_pGain->SetValue(gain);
    for (const ParameterControl& control : m_parameters)
        ShowParameter(control, layer);
    Layout();
    FitInside();
}

void InspectorPanel::ShowSource(const ScoreLayer& layer)
{
    const double seconds = m_dSourceSeconds;
    m_pStart->SetRange(0.0, std::max(seconds, 0.001));
    m_pEnd->SetRange(0.0, std::max(seconds, 0.001));
    m_pStart->SetValue(layer.m_sourceStartSeconds.value_or(0.0));
    m_pEnd->SetValue(layer.m_sourceEndSeconds.value_or(seconds));
    const bool whole = !layer.m_sourceStartSeconds && !layer.m_sourceEndSeconds;
    m_pWhole->SetValue(whole);
    m_pWaveform->SetStretch(layer.m_sourceStartSeconds, layer.m_sourceEndSeconds);
    m_pWaveform->SetWander(WanderSeconds(layer));
    if (layer.m_strSourcePath == m_strShownSource)
        return;
    // Another source: its sound is read (or found read) off this thread.
    m_strShownSource = layer.m_strSourcePath;
    m_pWaveform->SetSound(nullptr, 0.0, "Reading " + Text(layer.m_strSource) + "...");
    struct Outline {
        std::shared_ptr<const WaveformOverview> m_pOverview;
        double m_dSeconds = 0.0;
        std::string m_strError;
    };
    const std::string path = layer.m_strSourcePath;
    std::shared_ptr<SourceCache> sources = m_pSources;
    m_work.Run<Outline>(
        [sources, path] {
            const LoadedSource loaded = sources->Load(path);
            Outline outline;
            if (!loaded.m_pSound) {
                outline.m_strError = loaded.m_strError;
                return outline;
            }
            WaveformOverviewSettings settings;
            settings.m_nExpectedFrames = loaded.m_pSound->size();
            auto overview = std::make_shared<WaveformOverview>(settings);
            overview->OnStretch(loaded.m_pSound->data(), loaded.m_pSound->size());
            outline.m_pOverview = std::move(overview);
            outline.m_dSeconds = loaded.m_facts.m_dSeconds;
            return outline;
        },
        [this, path](Outline outline) {
            if (path != m_strShownSource)
                return;
            m_dSourceSeconds = outline.m_dSeconds;
            m_pWaveform->SetSound(outline.m_pOverview, outline.m_dSeconds, Text(outline.m_strError));
            ShowLayer();
        });
}

void InspectorPanel::ShowParameter(const ParameterControl& control, const ScoreLayer& layer)
{
    const double value = layer.m_values.Get(control.m_id);
    if (control.m_pWhole)
        control.m_pWhole->SetValue(static_cast<int>(value));
    if (control.m_pReal) {
        const bool off = control.m_pOff && value == 0.0;
        control.m_pReal->Enable(!off);
        if (!off)
            control.m_pReal->SetValue(value);
    }
    if (control.m_pOff)
        control.m_pOff->SetValue(value == 0.0);
    if (control.m_pChoice) {
        control.m_pChoice->SetSelection(static_cast<int>(value));
        if (control.m_pShape)
            control.m_pShape->SetShape(FindWindowShape(control.m_facts.m_choices[static_cast<std::size_t>(value)]));
    }
    if (control.m_pList) {
        control.m_pList->Clear();
        for (const double interval : layer.m_values.GetPitchSet())
            control.m_pList->Append(Text(FormatNumber(interval)));
    }
    const LaneKey lane = LaneKey::Of(control.m_id);
    wxString moves;
    if (IsMovable(control.m_id) && !PointsOf(layer, lane).empty())
        moves = "Moves over the track (its lane); this is its value before the first keyframe";
    else if (DriftOf(layer, lane))
        moves = "Drifts around this value";
    control.m_pMoves->SetLabel(moves);
    control.m_pMoves->Show(!moves.empty());
}

void InspectorPanel::EditSelectedLayer(const std::function<void(ScoreLayer&)>& change, const std::string& name)
{
    const Score& score = m_host.GetDocument().GetScore();
    const std::optional<std::size_t> selected = m_host.GetSelectedLayer();
    if (!selected || *selected >= score.m_layers.size())
        return;
    ScoreLayer own = LayerOwnPart(score.m_layers[*selected]);
    change(own);
    m_host.SubmitEdit(EditLayerOwn(score, *selected, own, name));
}

void InspectorPanel::ApplyParameter(const ParameterControl& control)
{
    double value = 0.0;
    if (control.m_pWhole)
        value = KeepValue(control.m_facts, control.m_pWhole->GetValue());
    if (control.m_pReal)
        value = KeepValue(control.m_facts, control.m_pReal->GetValue());
    if (control.m_pOff && control.m_pOff->GetValue())
        value = 0.0;
    if (control.m_pChoice)
        value = std::max(control.m_pChoice->GetSelection(), 0);
    EditSelectedLayer([&](ScoreLayer& layer) { layer.m_values.Set(control.m_id, value); },
                      "Change " + control.m_facts.m_strLabel);
}

void InspectorPanel::ApplyListAdd(const ParameterControl& control)
{
    const std::string typed = control.m_pEntry->GetValue().utf8_string();
    const std::optional<std::vector<double>> values = ParseLaneList(control.m_facts, typed);
    if (!values) {
        ShowError(this, "\"" + typed + "\" is not an interval.", "Use " + DescribeLaneRange(control.m_facts) + ".");
        return;
    }
    control.m_pEntry->Clear();
    EditSelectedLayer(
        [&](ScoreLayer& layer) {
            std::vector<double> set = layer.m_values.GetPitchSet();
            set.insert(set.end(), values->begin(), values->end());
            layer.m_values.SetPitchSet(std::move(set));
        },
        "Change " + control.m_facts.m_strLabel);
}

void InspectorPanel::ApplyListRemove(const ParameterControl& control)
{
    const int selected = control.m_pList->GetSelection();
    if (selected == wxNOT_FOUND)
        return;
    EditSelectedLayer(
        [&](ScoreLayer& layer) {
            std::vector<double> set = layer.m_values.GetPitchSet();
            if (static_cast<std::size_t>(selected) < set.size())
                set.erase(set.begin() + selected);
            layer.m_values.SetPitchSet(std::move(set));
        },
        "Change " + control.m_facts.m_strLabel);
}

void InspectorPanel::ApplyStretch(std::optional<double> start, std::optional<double> end)
{
    if (start && end && *end <= *start) {
        ShowLayer();
        return;
    }
    EditSelectedLayer(
        [&](ScoreLayer& layer) {
            layer.m_sourceStartSeconds = start;
            layer.m_sourceEndSeconds = end;
        },
        "Change source stretch");
}

void InspectorPanel::ApplyGain()
{
    const double gain = m_pSilent->GetValue() ? -INFINITY : KeepValue(FactsOf(LaneKey::Gain()), m_pGain->GetValue());
    EditSelectedLayer([&](ScoreLayer& layer) { layer.m_dGainDb = gain; }, "Change gain");
}

void InspectorPanel::ApplyLength()
{
    const ScoreDocument& document = m_host.GetDocument();
    if (!document.HasLayers())
        return;
    const Score& score = document.GetScore();
    const std::string typed = m_pLength->GetValue().utf8_string();
    const std::optional<std::uint64_t> seconds = ParseWholeTimeText(typed);
    if (!seconds || *seconds == 0 || *seconds > static_cast<std::uint64_t>(kLongestTrackSeconds)) {
        m_pLength->ChangeValue(Text(FormatTimeText(score.m_nLengthSeconds)));
        if (typed != FormatTimeText(score.m_nLengthSeconds))
            ShowError(this, "\"" + typed + "\" is not a length.", "Give the track's length as H:MM:SS, up to 24:00:00.");
        return;
    }
    if (static_cast<std::int32_t>(*seconds) == score.m_nLengthSeconds)
        return;
    // A keyframe past the new end would make a score no renderer takes.
    double latest = 0.0;
    for (const ScoreLayer& layer : score.m_layers) {
        if (!layer.m_keyframes.empty())
            latest = std::max(latest, layer.m_keyframes.back().m_dSeconds);
    }
    if (latest > static_cast<double>(*seconds)) {
        ShowError(this, "The track cannot end before its last keyframe, at " + FormatTimeText(latest) + ".",
                  "Move or delete the keyframes past " + FormatTimeText(static_cast<double>(*seconds)) + " first.");
        m_pLength->ChangeValue(Text(FormatTimeText(score.m_nLengthSeconds)));
        return;
    }
    Score top = TopPart(score);
    top.m_nLengthSeconds = static_cast<std::int32_t>(*seconds);
    m_host.SubmitEdit(EditTop(score, top, "Change length"));
}

void InspectorPanel::ApplySeed()
{
    const ScoreDocument& document = m_host.GetDocument();
    if (!document.HasLayers())
        return;
    const Score& score = document.GetScore();
    const std::string typed = m_pSeed->GetValue().utf8_string();
    Score top = TopPart(score);
    if (typed.empty()) {
        top.m_seed.reset();
    } else {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(typed.c_str(), &end, 10);
        if (*end != '\0' || typed[0] == '-' || value > 4294967295ULL) {
            ShowError(this, "\"" + typed + "\" is not a seed.", "Use a whole number from 0 to 4294967295, or nothing.");
            ShowPiece();
            return;
        }
        top.m_seed = static_cast<std::uint32_t>(value);
    }
    m_host.SubmitEdit(EditTop(score, top, "Change seed"));
}

void InspectorPanel::ApplyLevel()
{
    const ScoreDocument& document = m_host.GetDocument();
    if (!document.HasLayers())
        return;
    const Score& score = document.GetScore();
    Score top = TopPart(score);
    top.m_nVolume = m_pVolume->GetValue();
    top.m_loudness = m_pUseLoudness->GetValue() ? std::optional<double>(m_pLoudness->GetValue()) : std::nullopt;
    top.m_nFadeSeconds = m_pFade->GetValue();
    top.m_bLoop = m_pLoop->GetValue();
    top.m_levelRange = m_pUseLevelRange->GetValue() ? std::optional<double>(m_pLevelRange->GetValue()) : std::nullopt;
    m_host.SubmitEdit(EditTop(score, top, "Change the piece's level"));
}

void InspectorPanel::ChangeSource()
{
    const ScoreDocument& document = m_host.GetDocument();
    const std::optional<std::size_t> selected = m_host.GetSelectedLayer();
    if (!selected || *selected >= document.GetScore().m_layers.size())
        return;
    FileRequest request;
    request.m_ask = FileAsk::OpenSound;
    request.m_strStartPath = document.GetScore().m_layers[*selected].m_strSourcePath;
    const std::optional<std::string> chosen = ChooseFile(this, request);
    if (!chosen)
        return;
    const std::string path = AbsolutePath(*chosen);
    const std::string folder = document.GetFolder();
    EditSelectedLayer(
        [&](ScoreLayer& layer) {
            layer.m_strSource = SourceNameFrom(folder, path);
            layer.m_strSourcePath = ResolveSourcePath(folder, layer.m_strSource);
            // The stored facts were of the old source; the stretch may not fit the new one.
            layer.m_storedSource.reset();
            layer.m_sourceStartSeconds.reset();
            layer.m_sourceEndSeconds.reset();
        },
        "Change source");
}

}  // namespace studio
