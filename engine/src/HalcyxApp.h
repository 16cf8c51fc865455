// The library's application object. It holds no engine state: every recovery
// lives only for the call that runs it.
#pragma once

#include "afx/AfxWin.h"

class CHalcyxApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
