// The window's menus and keys. Shortcuts with Ctrl are the menus' own; the
// plain keys (Space, Home, Delete, the arrows) act where the keyboard's focus
// allows them, so that typing a value in a field still types.
#include <wx/aboutdlg.h>
#include <wx/choicdlg.h>
#include <wx/menu.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <filesystem>

#include "playback/output_device.h"
#include "studio/app/install_places.h"
#include "studio/app/prompts.h"
#include "studio/app/studio_frame.h"
#include "studio/app/studio_ids.h"
#include "studio/inspector/inspector_panel.h"
#include "studio/listening/listening.h"
#include "studio/model/lane_points.h"
#include "studio/timeline/timeline_canvas.h"
#include "studio/timeline/timeline_panel.h"

namespace studio {

namespace {

// Whether the focus is where a plain key types text.
bool FocusTakesText()
{
    wxWindow* focus = wxWindow::FindFocus();
    for (wxWindow* window = focus; window != nullptr; window = window->GetParent()) {
        if (wxDynamicCast(window, wxTextCtrl) || wxDynamicCast(window, wxSpinCtrl) ||
            wxDynamicCast(window, wxSpinCtrlDouble))
            return true;
        if (window->IsTopLevel())
            break;
    }
    return false;
}

}  // namespace

void StudioFrame::BuildMenus()
{
    auto* file = new wxMenu;
    file->Append(kIdNewFromSound, "&New from Sound...\tCtrl+N", "A new one-layer score reading a sound");
    file->Append(wxID_OPEN, "&Open...\tCtrl+O", "Open a score, the score stored in a rendered file, or a sound");
    file->Append(wxID_SAVE, "&Save\tCtrl+S", "Save the score");
    file->Append(wxID_SAVEAS, "Save &As...\tCtrl+Shift+S", "Save the score under another name");
    file->AppendSeparator();
    file->Append(kIdRender, "&Render...\tCtrl+R", "Render the score to a sound file, as sonnelith-cli renders it");
    file->AppendSeparator();
    file->Append(wxID_EXIT, "&Quit\tCtrl+Q");

    auto* edit = new wxMenu;
    edit->Append(wxID_UNDO, "&Undo\tCtrl+Z");
    edit->Append(wxID_REDO, "&Redo\tCtrl+Shift+Z");
    edit->AppendSeparator();
    edit->Append(kIdAddKeyframe, "Add &Keyframe at the Playhead (Insert)", "In the selected lane, its value there");
    edit->Append(kIdKeyframeValue, "Keyframe &Value... (Enter)", "Type the selected keyframe's exact value");
    edit->Append(kIdDeleteKeyframe, "&Delete Keyframe (Delete)");
    auto* curves = new wxMenu;
    curves->AppendRadioItem(kIdCurveLinear, "&Linear");
    curves->AppendRadioItem(kIdCurveSmooth, "&Smooth");
    curves->AppendRadioItem(kIdCurveStep, "S&tep");
    edit->AppendSubMenu(curves, "Keyframe &Curve", "How the selected keyframe's values are reached");

    auto* view = new wxMenu;
    view->Append(kIdZoomIn, "Zoom &In\tCtrl+=");
    view->Append(kIdZoomOut, "Zoom &Out\tCtrl+-");
    view->Append(kIdShowAll, "The &Whole Track\tCtrl+0");
    view->AppendCheckItem(kIdFollow, "&Follow the Playhead", "Page the timeline along while playing");
    view->AppendSeparator();
    view->Append(kIdFocusTimeline, "&Timeline\tCtrl+1", "The keyboard to the timeline's lanes");
    view->Append(kIdFocusInspector, "I&nspector\tCtrl+2", "The keyboard to the inspector's fields");

    auto* layer = new wxMenu;
    layer->Append(kIdAddLayer, "&Add Layer...\tCtrl+Shift+N", "Another layer, reading a sound");
    layer->Append(kIdRemoveLayer, "&Remove Layer", "Remove the selected layer");
    layer->AppendSeparator();
    layer->Append(kIdAddLane, "Add &Lane...\tCtrl+Shift+L", "A lane for another parameter of the selected layer");
    layer->Append(kIdLaneDrift, "Lane &Drift...", "The selected lane's slow random movement");

    auto* play = new wxMenu;
    play->Append(kIdPlayPause, "&Play or Pause (Space)", "From the playhead");
    play->Append(kIdGoToStart, "Go to the &Start (Home)");
    play->AppendCheckItem(kIdLoop, "&Loop\tCtrl+L", "Loop the stretch marked on the ruler");
    play->AppendSeparator();
    play->Append(kIdSoundDevice, "Sound &Device...", "The device to play on");

    auto* help = new wxMenu;
    help->Append(kIdGuide, "User's &Guide\tF1");
    help->Append(wxID_ABOUT, "&About Sonnelith Studio");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(edit, "&Edit");
    bar->Append(view, "&View");
    bar->Append(layer, "&Layer");
    bar->Append(play, "&Play");
    bar->Append(help, "&Help");
    SetMenuBar(bar);
}

void StudioFrame::OnMenu(wxCommandEvent& event)
{
    TimelineCanvas& canvas = m_pTimeline->GetCanvas();
    switch (event.GetId()) {
    case kIdNewFromSound: {
        FileRequest request;
        request.m_ask = FileAsk::OpenSound;
        request.m_strStartPath = m_document.GetFolder();
        if (const auto chosen = ChooseFile(this, request))
            OpenPath(*chosen, true);
        break;
    }
    case wxID_OPEN: {
        FileRequest request;
        request.m_ask = FileAsk::OpenAny;
        request.m_strStartPath = m_document.GetFolder();
        if (const auto chosen = ChooseFile(this, request))
            OpenPath(*chosen);
        break;
    }
    case wxID_SAVE: Save(); break;
    case wxID_SAVEAS: SaveAs(); break;
    case kIdRender: Render(); break;
    case wxID_EXIT: Close(); break;
    case wxID_UNDO: m_commands.Undo(); break;
    case wxID_REDO: m_commands.Redo(); break;
    case kIdAddKeyframe: canvas.AddPointAtPlayhead(); break;
    case kIdKeyframeValue: canvas.TypeSelectedValue(); break;
    case kIdDeleteKeyframe: canvas.DeleteSelectedPoint(); break;
    case kIdCurveLinear: canvas.SetSelectedCurve(Curve::Linear); break;
    case kIdCurveSmooth: canvas.SetSelectedCurve(Curve::Smooth); break;
    case kIdCurveStep: canvas.SetSelectedCurve(Curve::Step); break;
    case kIdZoomIn: m_pTimeline->ZoomIn(); break;
    case kIdZoomOut: m_pTimeline->ZoomOut(); break;
    case kIdShowAll: m_pTimeline->ShowAll(); break;
    case kIdFollow: m_bFollow = !m_bFollow; break;
    case kIdFocusTimeline: canvas.SetFocus(); break;
    case kIdFocusInspector: m_pInspector->SetFocus(); m_pInspector->NavigateIn(); break;
    case kIdAddLayer: AddLayer(); break;
    case kIdRemoveLayer: RemoveLayer(); break;
    case kIdAddLane: AddLane(); break;
    case kIdLaneDrift:
        if (canvas.GetSelection())
            canvas.ChooseDrift(canvas.GetSelection()->m_nLayer, canvas.GetSelection()->m_lane);
        break;
    case kIdPlayPause: PlayPause(); break;
    case kIdGoToStart: MovePlayhead(m_loop && m_bLooping ? m_loop->first : 0.0); break;
    case kIdLoop: ToggleLoop(); break;
    case kIdSoundDevice: ChooseSoundDevice(); break;
    case kIdGuide: OpenGuide(); break;
    case wxID_ABOUT: ShowAbout(); break;
    default: event.Skip(); break;
    }
}

void StudioFrame::OnUpdateUi(wxUpdateUIEvent& event)
{
    const bool any = m_document.HasLayers();
    const TimelineCanvas& canvas = m_pTimeline->GetCanvas();
    const bool point = canvas.HasSelectedPoint();
    switch (event.GetId()) {
    case wxID_SAVE:
    case wxID_SAVEAS:
    case kIdRender:
    case kIdPlayPause:
    case kIdGoToStart:
    case kIdZoomIn:
    case kIdZoomOut:
    case kIdShowAll:
    case kIdAddLayer: event.Enable(any && !m_bOpening); break;
    case kIdLoop:
        event.Enable(any);
        event.Check(m_bLooping);
        break;
    case kIdFollow: event.Check(m_bFollow); break;
    case kIdRemoveLayer: event.Enable(any && m_document.GetScore().m_layers.size() > 1 && m_selectedLayer); break;
    case kIdAddLane: event.Enable(any && m_selectedLayer.has_value()); break;
    case kIdAddKeyframe: event.Enable(any && canvas.GetSelection().has_value()); break;
    case kIdLaneDrift:
        event.Enable(any && canvas.GetSelection() && FactsOf(canvas.GetSelection()->m_lane).m_bCanDrift);
        break;
    case kIdKeyframeValue:
    case kIdDeleteKeyframe: event.Enable(point); break;
    case kIdCurveLinear:
    case kIdCurveSmooth:
    case kIdCurveStep: {
        const std::optional<Curve> curve = canvas.GetSelectedCurve();
        const bool number = point && FactsOf(canvas.GetSelection()->m_lane).m_kind == LaneKind::Number;
        event.Enable(number);
        if (curve)
            event.Check((event.GetId() == kIdCurveLinear && *curve == Curve::Linear) ||
                        (event.GetId() == kIdCurveSmooth && *curve == Curve::Smooth) ||
                        (event.GetId() == kIdCurveStep && *curve == Curve::Step));
        break;
    }
    default: event.Skip(); break;
    }
}

void StudioFrame::OnCharHook(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    const bool plain = event.GetModifiers() == wxMOD_NONE;
    if (plain && !FocusTakesText()) {
        if (key == WXK_SPACE) {
            PlayPause();
            return;
        }
        if (key == WXK_HOME) {
            MovePlayhead(m_loop && m_bLooping ? m_loop->first : 0.0);
            return;
        }
    }
    event.Skip();
}

void StudioFrame::AddLane()
{
    if (!m_selectedLayer || *m_selectedLayer >= m_document.GetScore().m_layers.size())
        return;
    const ScoreLayer& layer = m_document.GetScore().m_layers[*m_selectedLayer];
    std::vector<LaneKey> free;
    wxArrayString names;
    for (const LaneKey key : AllLanes()) {
        if (LaneMoves(layer, key))
            continue;
        const LaneFacts facts = FactsOf(key);
        free.push_back(key);
        names.Add(wxString::FromUTF8(facts.m_strLabel + (facts.m_strUnit.empty() ? "" : " (" + facts.m_strUnit + ")")));
    }
    if (free.empty())
        return;
    const int chosen = wxGetSingleChoiceIndex("A lane for which parameter?", "Add Lane", names, 0, this);
    if (chosen >= 0)
        m_pTimeline->GetCanvas().AddLane(*m_selectedLayer, free[static_cast<std::size_t>(chosen)]);
}

void StudioFrame::ChooseSoundDevice()
{
    const std::vector<OutputDevice> devices = m_pListening->ListDevices();
    if (devices.empty()) {
        ShowError(this, m_pListening->GetDeviceProblem().value_or("No sound device is to be found."));
        return;
    }
    wxArrayString names;
    int current = 0;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        names.Add(wxString::FromUTF8(devices[i].m_strName + "  (" + devices[i].m_strHostApi + ")" +
                                     (devices[i].m_bDefault ? ", the default" : "")));
        if (devices[i].m_strName == m_pListening->GetDeviceName())
            current = static_cast<int>(i);
    }
    const int chosen = wxGetSingleChoiceIndex("Play on which device?", "Sound Device", names, current, this);
    if (chosen >= 0)
        m_pListening->ChooseDevice(devices[static_cast<std::size_t>(chosen)].m_strName);
}

void StudioFrame::ShowAbout()
{
    wxAboutDialogInfo info;
    info.SetName("Sonnelith Studio");
    info.SetVersion(SONNELITH_VERSION);
    info.SetDescription("See and hear a piece while you shape it: a score's lines over the whole track, and what "
                        "the rendered file will hold, heard as you edit.");
    wxAboutBox(info, this);
}

void StudioFrame::OpenGuide()
{
    const std::string guide = GuidePath();
    if (!std::filesystem::exists(guide) || !wxLaunchDefaultApplication(wxString::FromUTF8(guide)))
        ShowError(this, "The user's guide cannot be opened.", "It is " + guide + ".");
}

}  // namespace studio
