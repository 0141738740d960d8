// The one application object of setup.exe; the framework's entry point
// finds it and calls its InitInstance.
#include "setup_app.h"

CSetupApp theApp;
