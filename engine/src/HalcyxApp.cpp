#include "HalcyxApp.h"

BOOL CHalcyxApp::InitInstance() { return CWinApp::InitInstance(); }

namespace {

CHalcyxApp& TheApp() {
    static CHalcyxApp theApp;
    return theApp;
}

// Loading the library runs the application's initialisation, which only
// succeeds. The object is made on first use because this runs before the
// library's other static objects are constructed.
__attribute__((constructor)) void LoadLibraryInit() { TheApp().InitInstance(); }

} // namespace
