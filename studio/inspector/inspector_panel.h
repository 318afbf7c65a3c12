// The inspector beside the timeline: the whole piece's values (length, seed,
// level, fade, loop, level range) and the selected layer's: its source with
// the stretch it reads, its gain, and every parameter of the parameter table
// that a layer has, each as a control with its unit. A parameter's value
// here is the layer's own, which holds before its lane's first keyframe.
#pragma once

#include <wx/scrolwin.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "studio/app/background_work.h"
#include "studio/app/studio_host.h"
#include "studio/model/lane_facts.h"

class wxCheckBox;
class wxChoice;
class wxListBox;
class wxSpinCtrl;
class wxSpinCtrlDouble;
class wxStaticText;
class wxTextCtrl;
class wxButton;

namespace studio {

class SourceCache;
class SourceWaveformCtrl;
class WindowShapeCtrl;

class InspectorPanel : public wxScrolledWindow {
public:
    InspectorPanel(wxWindow* parent, StudioHost& host, std::shared_ptr<SourceCache> sources);

    // The document or the selected layer changed: every control shows it.
    void DocumentChanged();

    // Asks for a sound and makes it the selected layer's source.
    void ChangeSource();

private:
    struct ParameterControl {
        ParameterId m_id{};
        LaneFacts m_facts;
        wxSpinCtrl* m_pWhole = nullptr;
        wxSpinCtrlDouble* m_pReal = nullptr;
        wxCheckBox* m_pOff = nullptr;
        wxChoice* m_pChoice = nullptr;
        WindowShapeCtrl* m_pShape = nullptr;
        wxListBox* m_pList = nullptr;
        wxTextCtrl* m_pEntry = nullptr;
        wxStaticText* m_pMoves = nullptr;
    };

    void BuildPiece(wxSizer* sizer);
    void BuildLayer(wxSizer* sizer);
    void BuildParameters(wxSizer* sizer);
    wxWindow* MakeParameterControl(wxWindow* parent, ParameterControl& control);

    void ShowPiece();
    void ShowLayer();
    void ShowParameter(const ParameterControl& control, const ScoreLayer& layer);
    void ShowSource(const ScoreLayer& layer);

    void ApplyLength();
    void ApplySeed();
    void ApplyLevel();
    void ApplyParameter(const ParameterControl& control);
    void ApplyListAdd(const ParameterControl& control);
    void ApplyListRemove(const ParameterControl& control);
    void ApplyStretch(std::optional<double> start, std::optional<double> end);
    void ApplyGain();
    void EditSelectedLayer(const std::function<void(ScoreLayer&)>& change, const std::string& name);

    StudioHost& m_host;
    std::shared_ptr<SourceCache> m_pSources;
    BackgroundWork m_work;

    // The piece.
    wxTextCtrl* m_pLength = nullptr;
    wxTextCtrl* m_pSeed = nullptr;
    wxStaticText* m_pSeedNote = nullptr;
    wxSpinCtrl* m_pVolume = nullptr;
    wxCheckBox* m_pUseLoudness = nullptr;
    wxSpinCtrlDouble* m_pLoudness = nullptr;
    wxSpinCtrl* m_pFade = nullptr;
    wxCheckBox* m_pLoop = nullptr;
    wxCheckBox* m_pUseLevelRange = nullptr;
    wxSpinCtrlDouble* m_pLevelRange = nullptr;

    // The layer.
    wxPanel* m_pLayerPanel = nullptr;
    wxStaticText* m_pLayerTitle = nullptr;
    wxStaticText* m_pSourceName = nullptr;
    wxButton* m_pChangeSource = nullptr;
    SourceWaveformCtrl* m_pWaveform = nullptr;
    wxSpinCtrlDouble* m_pStart = nullptr;
    wxSpinCtrlDouble* m_pEnd = nullptr;
    wxCheckBox* m_pWhole = nullptr;
    wxSpinCtrlDouble* m_pGain = nullptr;
    wxCheckBox* m_pSilent = nullptr;
    std::vector<ParameterControl> m_parameters;

    std::string m_strShownSource;  // the path whose waveform is shown
    double m_dSourceSeconds = 0.0;
};

}  // namespace studio
