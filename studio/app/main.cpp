// sonnelith-studio's entry point: wx's start-up with the studio's application object.
#include "studio/app/studio_app.h"

wxIMPLEMENT_APP(studio::StudioApp);
