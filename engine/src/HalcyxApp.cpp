#include "HalcyxApp.h"

BOOL CHalcyxApp::InitInstance() { return CWinApp::InitInstance(); }

namespace {

CHalcyxApp theApp;

// Loading the library runs the application's initialisation, which only
// succeeds; unloading runs its clean-up, which has nothing to do.
__attribute__((constructor)) void LoadLibraryInit() { theApp.InitInstance(); }
__attribute__((destructor)) void UnloadLibraryExit() { theApp.ExitInstance(); }

} // namespace
