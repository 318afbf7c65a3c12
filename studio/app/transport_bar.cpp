#include "studio/app/transport_bar.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/tglbtn.h>

#include "studio/app/studio_ids.h"
#include "studio/app/studio_palette.h"
#include "studio/meters/level_meter_ctrl.h"
#include "studio/model/time_view.h"

namespace studio {

TransportBar::TransportBar(wxWindow* parent) : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL)
{
    SetName("transport");
    m_pPlay = new wxButton(this, kIdPlayPause, "Play");
    m_pPlay->SetToolTip("Play or pause from the playhead (Space)");
    m_pLoop = new wxToggleButton(this, kIdLoop, "Loop");
    m_pLoop->SetToolTip("Loop the marked stretch of the ruler (Ctrl+L); drag along the ruler to mark one");
    m_pPosition = new wxStaticText(this, wxID_ANY, "0:00.0 / 0:00");
    m_pPosition->SetName("position");
    m_pPosition->SetToolTip("The playhead and the track's length");
    m_pState = new wxStaticText(this, wxID_ANY, "");
    m_pState->SetName("listening state");
    m_pLevel = new wxStaticText(this, wxID_ANY, "");
    m_pLevel->SetName("file level");
    m_pLevel->SetToolTip("The gain that brings what is heard to the rendered file's level: an estimate until "
                         "the whole track has been surveyed in the background");
    m_pMeter = new LevelMeterCtrl(this);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    const int gap = FromDIP(6);
    row->Add(m_pPlay, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    row->Add(m_pLoop, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2 * gap);
    row->Add(m_pPosition, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2 * gap);
    row->Add(m_pMeter, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2 * gap);
    auto* texts = new wxBoxSizer(wxVERTICAL);
    texts->Add(m_pLevel, 0);
    texts->Add(m_pState, 0);
    row->Add(texts, 1, wxALIGN_CENTER_VERTICAL);
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(row, 1, wxEXPAND | wxALL, gap);
    SetSizer(outer);
}

wxString TransportBar::GetStateText() const
{
    return m_pState->GetLabel();
}

void TransportBar::ShowState(const TransportState& state)
{
    if (state.m_bPlaying != m_shown.m_bPlaying || m_pPlay->GetLabel().empty())
        m_pPlay->SetLabel(state.m_bPlaying ? "Pause" : "Play");
    m_pLoop->SetValue(state.m_bLooping);
    const wxString position = wxString::FromUTF8(FormatClockTime(state.m_dPlayhead, 0.1) + " / " +
                                                 FormatClockTime(state.m_dLength));
    if (m_pPosition->GetLabel() != position)
        m_pPosition->SetLabel(position);
    const wxString text = wxString::FromUTF8(state.m_strState);
    if (m_pState->GetLabel() != text || state.m_bWarning != m_shown.m_bWarning) {
        m_pState->SetLabel(text);
        m_pState->SetForegroundColour(state.m_bWarning ? CurrentPalette().m_warning : wxNullColour);
        m_pState->SetToolTip(text);
    }
    const wxString level = wxString::FromUTF8(state.m_strLevel);
    if (m_pLevel->GetLabel() != level)
        m_pLevel->SetLabel(level);
    m_shown = state;
}

}  // namespace studio
