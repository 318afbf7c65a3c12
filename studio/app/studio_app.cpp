#include "studio/app/studio_app.h"

#include <gtk/gtk.h>
#include <wx/image.h>
#include <wx/log.h>

#include <iostream>

#include "studio/app/command_line.h"
#include "studio/app/studio_frame.h"

namespace studio {

namespace {

// The name by which the desktop knows the program: its desktop file's
// name, its window class and its AppStream ID.
constexpr const char* kStudioId = "com.korvatek.SonnelithStudio";

}  // namespace

bool StudioApp::OnInit()
{
    // The base class would parse (and refuse) the program's own arguments.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i].utf8_string());
    const StudioCommandLine line = ParseStudioCommandLine(arguments);
    if (!line.m_strError.empty()) {
        std::cerr << "sonnelith-studio: " << line.m_strError << "\n";
        exit(2);
    }
    if (line.m_bHelp || line.m_bVersion) {
        std::cout << (line.m_bHelp ? StudioHelpText() : std::string("sonnelith-studio " SONNELITH_VERSION "\n"));
        exit(0);
    }
    g_set_prgname(kStudioId);
    SetAppName(kStudioId);
    SetAppDisplayName("Sonnelith Studio");
    SetClassName(kStudioId);
    // Messages the toolkit logs go to standard error, not into dialogs.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxInitAllImageHandlers();
    m_file = line.m_file;
    auto* frame = new StudioFrame();
    frame->Show();
    SetTopWindow(frame);
    CallAfter([frame, file = m_file] {
        frame->OfferRecovery();
        if (file)
            frame->OpenPath(*file);
    });
    return true;
}

int StudioApp::OnExit()
{
    return wxApp::OnExit();
}

}  // namespace studio
