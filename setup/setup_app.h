// The application object of setup: its start-up routine runs the whole
// installation and returns FALSE, so the program ends without a message loop.
#pragma once

#include <afxwin.h>

class CSetupApp : public CWinApp {
public:
    CSetupApp();

    virtual BOOL InitInstance();
    // Enables the shutdown privilege of this process and asks the system
    // to restart. Nothing is reported; a refused restart simply returns.
    void RestartComputer();

    DECLARE_MESSAGE_MAP()
};
