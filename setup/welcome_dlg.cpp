// The Welcome dialog, which opens every pass, and the About box that its
// system menu offers.
#include "wizard_dlgs.h"

BEGIN_MESSAGE_MAP(CWelcomeDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

CWelcomeDlg::CWelcomeDlg(CWnd *pParent) : CDialog(IDD_WELCOME, pParent)
{
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

void CWelcomeDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
}

BOOL CWelcomeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    // Every DoModal makes a fresh window, so the entry is appended once per
    // window; without the string the menu stays as the system made it.
    CMenu *pSysMenu = GetSystemMenu(FALSE);
    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (pSysMenu && !strAboutMenu.IsEmpty()) {
        pSysMenu->AppendMenu(MF_SEPARATOR);
        pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }

    SendMessage(WM_SETICON, ICON_BIG, (LPARAM)m_hIcon);
    SendMessage(WM_SETICON, ICON_SMALL, (LPARAM)m_hIcon);
    return TRUE;
}

void CWelcomeDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        // No parent: the framework makes the active window, this dialog,
        // the owner of the box.
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CWelcomeDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, (WPARAM)dc.m_hDC, 0);

        // Centre the icon in the minimised window's client area.
        int cxIcon = GetSystemMetrics(SM_CXICON);
        int cyIcon = GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        int x = (rect.right - rect.left - cxIcon + 1) / 2;
        int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CWelcomeDlg::OnQueryDragIcon()
{
    return (HCURSOR)m_hIcon;
}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

void CAboutDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
}
