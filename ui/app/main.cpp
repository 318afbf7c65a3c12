// The program's entry point: wx's start-up with the application object.
#include "ui/app/generator_app.h"

wxIMPLEMENT_APP(GeneratorApp);
