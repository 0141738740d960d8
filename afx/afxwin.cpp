// The framework's windows, dialogs and application object.
#include "afxwin.h"

#include <map>
#include <strsafe.h>

// ---- process-wide framework state ----------------------------------------
// setup has one user-interface thread; the maps are used from it only.

namespace {

CWinApp *g_app = NULL;
HINSTANCE g_resource = NULL;
char g_defaultTitle[MAX_PATH];

std::map<HWND, CWnd *> &permanent_map()
{
    static std::map<HWND, CWnd *> map;
    return map;
}

std::map<HMENU, CMenu *> &temp_menu_map()
{
    static std::map<HMENU, CMenu *> map;
    return map;
}

int g_modalDepth = 0;

// The message being handled, for CWnd::Default().
struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
CurrentMessage g_current = { 0, 0, 0 };

// The title of a program that names none: the base name of its file
// without the extension, in capitals, so that setup.exe and SETUP.EXE are
// both titled "SETUP".
void title_from_path(const char *path, char *out)
{
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    StringCchCopyA(out, MAX_PATH, name);
    char *dot = NULL;
    for (char *p = out; *p; ++p)
        if (*p == '.')
            dot = p;
    if (dot)
        *dot = '\0';
    CharUpperA(out);
}

// The owner for a framework message box or modal dialog without a parent:
// the last active pop-up of the thread's active window, when there is one.
HWND safe_owner()
{
    HWND active = GetActiveWindow();
    if (!active)
        return NULL;
    HWND top = active;
    HWND parent;
    while ((GetWindowLongA(top, GWL_STYLE) & WS_CHILD) && (parent = GetParent(top)) != NULL)
        top = parent;
    return GetLastActivePopup(top);
}

} // namespace

// ---- command targets -----------------------------------------------------

const AFX_MSGMAP *CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0 } };
    static const AFX_MSGMAP map = { NULL, &entries[0] };
    return &map;
}

const AFX_MSGMAP *CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY *CCmdTarget::FindEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP *map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : NULL) {
        for (const AFX_MSGMAP_ENTRY *e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != nMessage)
                continue;
            if (nMessage == WM_COMMAND && (e->nCode != nCode || nID < e->nID || nID > e->nLastID))
                continue;
            return e;
        }
    }
    return NULL;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode)
{
    const AFX_MSGMAP_ENTRY *e = FindEntry(WM_COMMAND, (UINT)nCode, nID);
    if (!e)
        return FALSE;
    (this->*e->pfn)();
    return TRUE;
}

// ---- strings -------------------------------------------------------------

BOOL CString::LoadString(UINT nID)
{
    char buffer[256];
    int n = ::LoadStringA(AfxGetResourceHandle(), nID, buffer, sizeof(buffer));
    m_text.assign(buffer, n > 0 ? (size_t)n : 0);
    return n > 0;
}

// ---- windows -------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(NULL), m_pfnSuper(NULL) {}

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
}

CWnd *CWnd::FromHandlePermanent(HWND hWnd)
{
    std::map<HWND, CWnd *>::iterator it = permanent_map().find(hWnd);
    return it == permanent_map().end() ? NULL : it->second;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd)
        return FALSE;
    m_hWnd = hWnd;
    permanent_map()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd) {
        permanent_map().erase(hWnd);
        m_hWnd = NULL;
    }
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    m_pfnSuper = (WNDPROC)SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)AfxWndProc);
    return TRUE;
}

void CWnd::SetDlgItemText(int nID, LPCSTR lpszString)
{
    ::SetDlgItemTextA(m_hWnd, nID, lpszString);
}

void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    ::CheckRadioButton(m_hWnd, nIDFirstButton, nIDLastButton, nIDCheckButton);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

CMenu *CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange *) {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY *e = FindEntry(message, 0, 0);
    if (!e)
        return FALSE;
    switch (e->nSig) {
    case AfxSig_vv:
        (this->*e->pfn)();
        *pResult = 0;
        break;
    case AfxSig_vwl:
        (this->*reinterpret_cast<void (CWnd::*)(UINT, LPARAM)>(e->pfn))((UINT)wParam, lParam);
        *pResult = 0;
        break;
    case AfxSig_hv:
        *pResult = (LRESULT)(this->*reinterpret_cast<HCURSOR (CWnd::*)(void)>(e->pfn))();
        break;
    default:
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    // Menu and accelerator commands carry 0 or 1; both are plain commands.
    int nCode = lParam ? HIWORD(wParam) : CN_COMMAND;
    return OnCmdMsg(nID, nCode);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(g_current.message, g_current.wParam, g_current.lParam);
}

void CWnd::OnPaint() { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return (HCURSOR)Default(); }

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd *wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    CurrentMessage saved = g_current;
    g_current.message = message;
    g_current.wParam = wParam;
    g_current.lParam = lParam;
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    g_current = saved;
    if (message == WM_NCDESTROY) {
        // The window is gone: give it back its own procedure and free the
        // object for a later window.
        if ((WNDPROC)GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == AfxWndProc && wnd->m_pfnSuper)
            SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)wnd->m_pfnSuper);
        wnd->Detach();
        wnd->m_pfnSuper = NULL;
    }
    return result;
}

void AfxDeleteTempMaps()
{
    for (std::map<HMENU, CMenu *>::iterator it = temp_menu_map().begin(); it != temp_menu_map().end(); ++it)
        delete it->second;
    temp_menu_map().clear();
}

// ---- dialogs -------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
}

void DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl)
{
    if (rControl.m_hWnd == NULL) {
        HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
        if (hWndCtrl)
            rControl.SubclassWindow(hWndCtrl);
    }
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd *pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

namespace {

LPCDLGTEMPLATEA load_template(UINT nIDTemplate)
{
    HINSTANCE inst = AfxGetResourceHandle();
    HRSRC res = FindResourceA(inst, MAKEINTRESOURCEA(nIDTemplate), (LPCSTR)RT_DIALOG);
    if (!res)
        return NULL;
    HGLOBAL mem = LoadResource(inst, res);
    return mem ? (LPCDLGTEMPLATEA)LockResource(mem) : NULL;
}

void init_common_controls()
{
    static bool done = false;
    if (!done) {
        INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES };
        InitCommonControlsEx(&icc);
        done = true;
    }
}

} // namespace

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    // From here on the dialog's messages run through the object's map;
    // what it leaves goes to the dialog manager, which calls back here and
    // gets FALSE, its default processing.
    CDialog *dlg = (CDialog *)lParam;
    if (!dlg->SubclassWindow(hWnd))
        return TRUE;
    return dlg->OnInitDialog();
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd *pParentWnd)
{
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    LPCDLGTEMPLATEA tmpl = load_template(nIDTemplate);
    if (!tmpl || m_hWnd)
        return FALSE;
    init_common_controls();
    HWND hWnd = CreateDialogIndirectParamA(AfxGetResourceHandle(), tmpl,
                                           pParentWnd ? pParentWnd->m_hWnd : NULL,
                                           AfxDlgProc, (LPARAM)this);
    return hWnd != NULL;
}

INT_PTR CDialog::DoModal()
{
    LPCDLGTEMPLATEA tmpl = load_template(m_nIDTemplate);
    if (!tmpl || m_hWnd)
        return -1;
    init_common_controls();
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : safe_owner();
    ++g_modalDepth;
    INT_PTR result = DialogBoxIndirectParamA(AfxGetResourceHandle(), tmpl, owner,
                                             AfxDlgProc, (LPARAM)this);
    if (--g_modalDepth == 0)
        AfxDeleteTempMaps();
    return result;
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode)
{
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    // Commands the dialog does not handle go on to the application.
    CWinApp *app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode) : FALSE;
}

// ---- drawing and menus ---------------------------------------------------

CPaintDC::CPaintDC(CWnd *pWnd) : m_hWnd(pWnd->m_hWnd)
{
    m_hDC = BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    EndPaint(m_hWnd, &m_ps);
}

CMenu *CMenu::FromHandle(HMENU hMenu)
{
    if (!hMenu)
        return NULL;
    CMenu *&menu = temp_menu_map()[hMenu];
    if (!menu) {
        menu = new CMenu;
        menu->m_hMenu = hMenu;
    }
    return menu;
}

// ---- application ---------------------------------------------------------

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(NULL), m_pszHelpFilePath(NULL), m_nExitCode(0)
{
    m_szAppName[0] = m_szHelpPath[0] = '\0';
    if (lpszAppName) {
        StringCchCopyA(m_szAppName, MAX_PATH, lpszAppName);
        m_pszAppName = m_szAppName;
    }
    g_app = this;
}

CWinApp::~CWinApp()
{
    AfxDeleteTempMaps();
    if (g_app == this)
        g_app = NULL;
}

void CWinApp::SetNamesFromModule(HINSTANCE hInstance)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(hInstance, path, sizeof(path));
    if (n == 0 || n >= sizeof(path))
        path[0] = '\0';
    // Help file: the program's path with the extension ".HLP".
    if (path[0]) {
        StringCchCopyA(m_szHelpPath, MAX_PATH, path);
        char *dot = NULL;
        for (char *p = m_szHelpPath; *p; ++p)
            if (*p == '.')
                dot = p;
            else if (*p == '\\')
                dot = NULL;
        if (dot)
            *dot = '\0';
        if (SUCCEEDED(StringCchCatA(m_szHelpPath, MAX_PATH, ".HLP")))
            m_pszHelpFilePath = m_szHelpPath;
    }
    if (!m_pszAppName) {
        // No name given and no title string.
        title_from_path(path, m_szAppName);
        m_pszAppName = m_szAppName;
    }
}

int CWinApp::Run()
{
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, NULL, 0, 0)) != 0 && got != -1) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (got == 0)
        m_nExitCode = (int)msg.wParam;
    return ExitInstance();
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
{
    // As the framework always did: an OK box that names no icon gets the
    // exclamation mark.
    UINT buttons = nType & MB_TYPEMASK;
    if ((nType & MB_ICONMASK) == 0 && (buttons == MB_OK || buttons == MB_OKCANCEL))
        nType |= MB_ICONEXCLAMATION;
    return ::MessageBoxA(safe_owner(), lpszPrompt, AfxGetAppName(), nType);
}

BOOL CWinApp::Enable3dControlsStatic()
{
    // Dialog controls are drawn three-dimensional by the system itself from
    // Windows NT 4.0 on; there is no control library to load.
    return TRUE;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

void CWinApp::OnHelp()
{
    if (m_pszHelpFilePath)
        ::WinHelpA(safe_owner(), m_pszHelpFilePath, HELP_INDEX, 0);
}

CWinApp *AfxGetApp()
{
    return g_app;
}

LPCSTR AfxGetAppName()
{
    if (g_app && g_app->m_pszAppName)
        return g_app->m_pszAppName;
    if (!g_defaultTitle[0]) {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(NULL, path, sizeof(path));
        if (n > 0 && n < sizeof(path))
            title_from_path(path, g_defaultTitle);
    }
    return g_defaultTitle;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_resource ? g_resource : GetModuleHandleA(NULL);
}

// The program takes no command line; the framework reads none.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp *app = AfxGetApp();
    if (!app)
        return -1;
    g_resource = hInstance;
    app->SetNamesFromModule(hInstance);
    int rc;
    if (!app->InitInstance())
        rc = app->ExitInstance();   // no message loop
    else
        rc = app->Run();
    AfxDeleteTempMaps();
    return rc;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    CWinApp *app = AfxGetApp();
    if (app)
        return app->DoMessageBox(lpszText, nType, nIDHelp);
    return ::MessageBoxA(safe_owner(), lpszText, AfxGetAppName(), nType);
}
