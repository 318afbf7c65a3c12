// The eight command buttons: strip, tooltip and place of each.
#pragma once

#include <array>

class CHoverButton;
class wxWindow;

struct CommandButton {
    int m_nId;
    int m_nStripId;  // three-frame picture strip
    int m_nTipId;    // tooltip text
    int m_nLeft;     // client pixels of the main window
    int m_nTop;
};

// In the order the buttons are created: Generate, Play, Restore, User's guide,
// About, Web site, input file, output file.
extern const std::array<CommandButton, 8> kCommandButtons;

// Creates the eight buttons on parent in that order, each given its strip,
// its tooltip (active at once) and its place; a button is one frame in size.
std::array<CHoverButton*, 8> CreateCommandButtons(wxWindow* parent);
