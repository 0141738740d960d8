// The Exit Setup confirmation and the Install Finished prompt: templates and
// the framework's OK and Cancel handling, nothing more.
#include "wizard_dlgs.h"

BEGIN_MESSAGE_MAP(CExitSetupDlg, CDialog)
END_MESSAGE_MAP()

CExitSetupDlg::CExitSetupDlg(CWnd *pParent) : CDialog(IDD_EXIT_SETUP, pParent) {}

void CExitSetupDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
}

BEGIN_MESSAGE_MAP(CFinishDlg, CDialog)
END_MESSAGE_MAP()

CFinishDlg::CFinishDlg(CWnd *pParent) : CDialog(IDD_FINISH, pParent) {}

void CFinishDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
}
