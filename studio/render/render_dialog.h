// "Render...": the delivery choices sonnelith-cli offers (the file and its
// format, bits, rate; the level as a peak or a loudness, the level range, a
// seamless loop, the length), then the render itself by sonnelith-cli, with
// its progress and a Cancel button. The window behind stays usable.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/score/score.h"
#include "studio/model/render_request.h"

class wxButton;
class wxCheckBox;
class wxChoice;
class wxGauge;
class wxSpinCtrl;
class wxSpinCtrlDouble;
class wxStaticText;
class wxTextCtrl;

namespace studio {

class CliRenderJob;

struct RenderOutcome {
    bool m_bWritten = false;
    bool m_bCancelled = false;
    std::string m_strReport;  // what the render said at its end, or why it failed
};

class RenderDialog : public wxDialog {
public:
    // score: what to render, heard with seed; title: its name in messages
    // ("night.toml"); choices: where and how, as last chosen.
    RenderDialog(wxWindow* parent, const Score& score, std::uint32_t seed, const std::string& title,
                 const RenderChoices& choices);
    ~RenderDialog() override;

    const RenderChoices& GetChoices() const { return m_choices; }
    const RenderOutcome& GetOutcome() const { return m_outcome; }
    // Starts rendering as the Render button does (for tests and the
    // screenshot tool); false when the choices are refused.
    bool StartRender();
    bool IsRendering() const { return m_pJob != nullptr; }

private:
    void BuildChoices();
    void ShowChoices();
    bool ReadChoices();
    void OnBrowse();
    void OnFormatChosen();
    void OnTimer(wxTimerEvent& event);
    void Finish();
    void OnCancel(wxCommandEvent& event);
    std::string NamedForUser(const std::string& line) const;

    Score m_score;
    std::uint32_t m_nSeed;
    std::string m_strTitle;
    RenderChoices m_choices;
    RenderOutcome m_outcome;

    wxTextCtrl* m_pOutput = nullptr;
    wxChoice* m_pFormat = nullptr;
    wxChoice* m_pBits = nullptr;
    wxChoice* m_pRate = nullptr;
    wxChoice* m_pLevelKind = nullptr;
    wxSpinCtrl* m_pVolume = nullptr;
    wxSpinCtrlDouble* m_pLoudness = nullptr;
    wxCheckBox* m_pUseLevelRange = nullptr;
    wxSpinCtrlDouble* m_pLevelRange = nullptr;
    wxCheckBox* m_pLoop = nullptr;
    wxTextCtrl* m_pLength = nullptr;
    wxStaticText* m_pPhase = nullptr;
    wxGauge* m_pGauge = nullptr;
    wxButton* m_pRender = nullptr;
    wxButton* m_pCancel = nullptr;

    std::string m_strWorkFolder;  // the score file handed to the render lies here
    std::unique_ptr<CliRenderJob> m_pJob;
    wxTimer m_timer;
};

}  // namespace studio
