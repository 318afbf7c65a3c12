#include "tests/support/wx_event_wait.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

void PumpEvents()
{
    if (auto* loop = wxEventLoopBase::GetActive())
        loop->YieldFor(wxEVT_CATEGORY_ALL);
    else if (wxTheApp)
        wxTheApp->Yield(true);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    wxStopWatch watch;
    while (!condition()) {
        if (watch.Time() > timeoutMs)
            return condition();
        PumpEvents();
        wxMilliSleep(1);
    }
    return true;
}

void PumpFor(int milliseconds)
{
    WaitUntil([] { return false; }, milliseconds);
}
