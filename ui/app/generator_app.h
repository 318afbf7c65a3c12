// GeneratorApp: the application object. It checks the display, runs the main
// window modally, and ends the program when that window closes; it never
// enters an event loop of its own.
#pragma once

#include "ui/app/display_check.h"

#include <wx/app.h>

// Exit statuses of the program.
constexpr int kExitNormal = 0;
constexpr int kExitDisplayTooSmall = 1;

class GeneratorApp : public wxApp {
public:
    // The program reads no command line; nothing else to set up.
    bool OnInit() override;
    // The display check, then the main window; returns the exit status.
    int OnRun() override;
};

// Start-up proper, for a display with these facts: either message 61590 and
// kExitDisplayTooSmall, or the main window, shown modally until it closes,
// and kExitNormal.
int RunGenerator(const DisplayFacts& display);
