// GeneratorApp: the application object. It checks the display, runs the main
// window modally, and ends the program when that window closes; it never
// enters an event loop of its own.
#pragma once

#include "ui/app/display_check.h"

#include <wx/app.h>

#include <string>

// Exit statuses of the program.
constexpr int kExitNormal = 0;
constexpr int kExitDisplayTooSmall = 1;

class GeneratorApp : public wxApp {
public:
    // Takes the program's name on the desktop and the sound file named on the
    // command line, if any.
    bool OnInit() override;
    // The display check, then the main window; returns the exit status.
    int OnRun() override;

private:
    std::string m_strStartFile;
};

// Start-up proper, for a display with these facts: either message 61590 and
// kExitDisplayTooSmall, or the main window, shown modally until it closes,
// and kExitNormal. A startFile is chosen as the input once the window is up.
int RunGenerator(const DisplayFacts& display, const std::string& startFile = {});
