#include "ui/app/application_id.h"

#include <glib.h>
#include <wx/app.h>

void AdoptApplicationId(wxAppConsole& app)
{
    g_set_prgname(kApplicationId);
    app.SetAppName(kApplicationId);
}
