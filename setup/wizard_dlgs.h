// The wizard dialogs of setup: Welcome, Install type, Exit Setup, Install
// Finished and the About box. Each is a thin CDialog on its template; the
// framework's OnOK and OnCancel end them with IDOK and IDCANCEL.
#pragma once

#include <afxwin.h>
#include "resource.h"

class CWelcomeDlg : public CDialog {
public:
    explicit CWelcomeDlg(CWnd *pParent = NULL);

protected:
    HICON m_hIcon;   // icon 128, a shared resource icon: never freed

    virtual void DoDataExchange(CDataExchange *pDX);
    virtual BOOL OnInitDialog();
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    DECLARE_MESSAGE_MAP()
};

class CInstallTypeDlg : public CDialog {
public:
    explicit CInstallTypeDlg(CWnd *pParent = NULL);

protected:
    virtual void DoDataExchange(CDataExchange *pDX);
    virtual BOOL OnInitDialog();
    void OnSerialPort();
    void OnPs2Port();

    DECLARE_MESSAGE_MAP()
};

class CExitSetupDlg : public CDialog {
public:
    explicit CExitSetupDlg(CWnd *pParent = NULL);

protected:
    virtual void DoDataExchange(CDataExchange *pDX);

    DECLARE_MESSAGE_MAP()
};

class CFinishDlg : public CDialog {
public:
    explicit CFinishDlg(CWnd *pParent = NULL);

protected:
    virtual void DoDataExchange(CDataExchange *pDX);

    DECLARE_MESSAGE_MAP()
};

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    virtual void DoDataExchange(CDataExchange *pDX);

    DECLARE_MESSAGE_MAP()
};
