#include "ui/app/generator_app.h"

#include "ui/message_box/message_box_codes.h"
#include "resources/strings/resource_ids.h"
#include "ui/app/application_id.h"
#include "ui/app/command_line.h"
#include "ui/main_window/generator_dialog.h"
#include "ui/message_box/message_box_routine.h"

#include <vector>

bool GeneratorApp::OnInit()
{
    // The base class would parse the command line and refuse what it does
    // not know. Returning false here would end the program with status 255,
    // so the work is done in OnRun.
    AdoptApplicationId(*this);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i].utf8_string());
    m_strStartFile = StartInputFile(arguments);
    return true;
}

int GeneratorApp::OnRun()
{
    return RunGenerator(ReadDisplayFacts(), m_strStartFile);
}

int RunGenerator(const DisplayFacts& display, const std::string& startFile)
{
    if (!IsDisplayUsable(display)) {
        ShowMessageBoxById(IDS_ERR_SCREEN, MB_OK | MB_ICONERROR);
        return kExitDisplayTooSmall;
    }
    GeneratorDialog dialog;
    if (!startFile.empty())
        dialog.SelectInputFileWhenOpen(startFile);
    if (wxTheApp)
        wxTheApp->SetTopWindow(&dialog);
    dialog.ShowModal();
    if (wxTheApp && wxTheApp->GetTopWindow() == &dialog)
        wxTheApp->SetTopWindow(nullptr);
    return kExitNormal;
}
