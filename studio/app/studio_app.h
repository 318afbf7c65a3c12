// The studio's application object: its name on the desktop, the command
// line, the window, the recovery of unsaved edits, and the file to open.
#pragma once

#include <wx/app.h>

#include <optional>
#include <string>

namespace studio {

class StudioApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;

private:
    std::optional<std::string> m_file;
};

}  // namespace studio
