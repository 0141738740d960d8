// The Install type dialog: the port of the mouse, kept in InstallType.
#include "wizard_dlgs.h"

#include "setup_values.h"

BEGIN_MESSAGE_MAP(CInstallTypeDlg, CDialog)
    ON_BN_CLICKED(IDC_SERIAL_PORT, OnSerialPort)
    ON_BN_CLICKED(IDC_PS2_PORT, OnPs2Port)
END_MESSAGE_MAP()

CInstallTypeDlg::CInstallTypeDlg(CWnd *pParent) : CDialog(IDD_INSTALL_TYPE, pParent) {}

void CInstallTypeDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
}

BOOL CInstallTypeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Every pass starts on PS/2, whatever an abandoned pass chose.
    OnPs2Port();
    return TRUE;
}

// The radio buttons are not read when the dialog ends: InstallType holds
// whatever the last click set.
void CInstallTypeDlg::OnPs2Port()
{
    CheckRadioButton(IDC_PS2_PORT, IDC_SERIAL_PORT, IDC_PS2_PORT);
    InstallType = kInstallPs2;
}

void CInstallTypeDlg::OnSerialPort()
{
    CheckRadioButton(IDC_PS2_PORT, IDC_SERIAL_PORT, IDC_SERIAL_PORT);
    InstallType = kInstallSerial;
}
