// The application object of a library built on the platform layer.
#pragma once

#include "afx/AfxFile.h"

class CWinApp : public CObject {
public:
    // Runs when the library is loaded; a FALSE result would refuse the load.
    virtual BOOL InitInstance();
    // Runs when the library is unloaded; returns its exit code.
    virtual int ExitInstance();
};
