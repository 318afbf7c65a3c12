#include "ui/progress/pump_messages.h"

#include <wx/app.h>
#include <wx/evtloop.h>

int PumpWaitingMessages()
{
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
        loop->YieldFor(wxEVT_CATEGORY_ALL);
    else if (wxTheApp)
        wxTheApp->Yield(true);
    return 0;
}
