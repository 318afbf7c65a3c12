#include "ui/app/generator_app.h"

#include "ui/main_window/generator_dialog.h"
#include "engine/message_box.h"
#include "ui/message_box/message_box_routine.h"
#include "resources/strings/resource_ids.h"

bool GeneratorApp::OnInit()
{
    // The base class would parse the command line and refuse what it does not
    // know; the program takes no options. Returning false here would end the
    // program with status 255, so the work is done in OnRun.
    return true;
}

int GeneratorApp::OnRun()
{
    return RunGenerator(ReadDisplayFacts());
}

int RunGenerator(const DisplayFacts& display)
{
    if (!IsDisplayUsable(display)) {
        ShowMessageBoxById(IDS_ERR_SCREEN, MB_OK | MB_ICONERROR);
        return kExitDisplayTooSmall;
    }
    GeneratorDialog dialog;
    if (wxTheApp)
        wxTheApp->SetTopWindow(&dialog);
    dialog.ShowModal();
    if (wxTheApp && wxTheApp->GetTopWindow() == &dialog)
        wxTheApp->SetTopWindow(nullptr);
    return kExitNormal;
}
