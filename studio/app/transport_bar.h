// The bar over the timeline: play and pause, loop, where the playhead is,
// how the listening goes (finding the place, falling behind, no sound
// device), the level the file will have, and the meters of what is heard.
#pragma once

#include <wx/panel.h>

#include <string>

class wxButton;
class wxStaticText;
class wxToggleButton;

namespace studio {

class LevelMeterCtrl;

struct TransportState {
    bool m_bPlaying = false;
    bool m_bLooping = false;
    double m_dPlayhead = 0.0;
    double m_dLength = 0.0;
    // The most important thing to say about listening, if anything, and
    // whether it is a warning.
    std::string m_strState;
    bool m_bWarning = false;
    std::string m_strLevel;  // the file's level and how sure it is
};

class TransportBar : public wxPanel {
public:
    explicit TransportBar(wxWindow* parent);

    void ShowState(const TransportState& state);
    LevelMeterCtrl& GetMeter() { return *m_pMeter; }
    // The text the state shows now (tests read it).
    wxString GetStateText() const;

private:
    wxButton* m_pPlay = nullptr;
    wxToggleButton* m_pLoop = nullptr;
    wxStaticText* m_pPosition = nullptr;
    wxStaticText* m_pState = nullptr;
    wxStaticText* m_pLevel = nullptr;
    LevelMeterCtrl* m_pMeter = nullptr;
    TransportState m_shown;
};

}  // namespace studio
