// The Copy-files window and every installation step of setup.
#pragma once

#include <afxwin.h>
#include "resource.h"

class CCopyFilesDlg : public CDialog {
public:
    explicit CCopyFilesDlg(CWnd *pParent = NULL);
    virtual ~CCopyFilesDlg();

    CProgressCtrl m_progress;

    // Shows one value (1 to 100) on the bar, then as "<value>%".
    void ReportProgress(int nValue);
    // Expands or copies one file from source to destination; a source that
    // cannot be opened is reported and sets CopyFailed.
    void ExpandFile(LPCSTR lpszDest, LPCSTR lpszSource);

    // Copy steps.
    void CopyPs2Driver();
    void CopySerialDriver();
    void CopyProductFiles();
    void CopyInfFile();

    // Driver installation from the INF file.
    void InstallSerialInf();
    void InstallPs2Inf();
    void SetSerialClassEntries();
    void SetPs2ClassEntries();

    // Shell and system registration.
    void RegisterExtension();
    void RegisterRunAtLogon();
    void CreateShortcuts();
    void RegisterUninstall();
    HRESULT CreateShortCut(LPCSTR lpszTarget, LPCSTR lpszLinkFile, LPCSTR lpszDescription);

protected:
    virtual void DoDataExchange(CDataExchange *pDX);
    virtual BOOL OnInitDialog();

private:
    void CopyDriver(LPCSTR lpszSourceName, LPCSTR lpszDriverName, int nProgress);
    BOOL InstallInfSections(LPCSTR lpszInstallSection, LPCSTR lpszServicesSection);
    void SetClassEntries(LPCSTR lpszDriverDesc, LPCSTR lpszInfSection);

    DECLARE_MESSAGE_MAP()
};
