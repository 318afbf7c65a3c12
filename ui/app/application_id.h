// The one name by which the desktop knows the program: the desktop file's
// name (com.korvatek.Sonnelith.desktop), its StartupWMClass, the AppStream ID
// and the running window's class, so that docks and task bars match the window
// to its entry and icon.
#pragma once

class wxAppConsole;

constexpr const char* kApplicationId = "com.korvatek.Sonnelith";

// Gives the running program that name before its first window appears: the
// GTK program name (the X11 WM_CLASS instance and the Wayland app_id) and the
// wx application name (which wx makes the WM_CLASS class). Message boxes keep
// the program file's name as their caption (ApplicationName()).
void AdoptApplicationId(wxAppConsole& app);
