// A small application framework in the shape of MFC 4.2, holding only what
// the setup program uses: command targets with message maps, windows,
// dialogs with data exchange, the progress control, paint and menu helpers,
// a string with resource loading, and the application object.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>

class CCmdTarget;
class CWnd;
class CMenu;
class CDataExchange;
class CWinApp;

// ---- message maps -------------------------------------------------------

typedef void (CCmdTarget::*AFX_PMSG)(void);

// How a handler is called: its arguments and what it returns.
enum AfxSig {
    AfxSig_end = 0,
    AfxSig_vv,   // void Handler()
    AfxSig_vwl,  // void Handler(UINT, LPARAM)
    AfxSig_hv    // HCURSOR Handler()
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;   // window message
    UINT nCode;      // notification code for WM_COMMAND entries
    UINT nID;        // first command or control id
    UINT nLastID;    // last id of a range, equal to nID otherwise
    UINT nSig;       // AfxSig
    AFX_PMSG pfn;    // handler
};

struct AFX_MSGMAP {
    const AFX_MSGMAP *(*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY *lpEntries;
};

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP *GetThisMessageMap(); \
    virtual const AFX_MSGMAP *GetMessageMap() const;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP *theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP *theClass::GetThisMessageMap() \
    { \
        typedef theClass ThisClass __attribute__((unused)); \
        typedef baseClass TheBaseClass; \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0 } \
        }; \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] }; \
        return &messageMap; \
    }

#define CN_COMMAND 0

#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, CN_COMMAND, (WORD)(id), (WORD)(id), AfxSig_vv, \
      static_cast<AFX_PMSG>(&ThisClass::memberFxn) },

#define ON_BN_CLICKED(id, memberFxn) \
    { WM_COMMAND, BN_CLICKED, (WORD)(id), (WORD)(id), AfxSig_vv, \
      static_cast<AFX_PMSG>(&ThisClass::memberFxn) },

#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, 0, AfxSig_vv, \
      static_cast<AFX_PMSG>(static_cast<void (CWnd::*)(void)>(&ThisClass::OnPaint)) },

#define ON_WM_SYSCOMMAND() \
    { WM_SYSCOMMAND, 0, 0, 0, AfxSig_vwl, \
      reinterpret_cast<AFX_PMSG>(static_cast<void (CWnd::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand)) },

#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hv, \
      reinterpret_cast<AFX_PMSG>(static_cast<HCURSOR (CWnd::*)(void)>(&ThisClass::OnQueryDragIcon)) },

// Framework command ids.
#define ID_HELP 0xE146

// ---- command targets ----------------------------------------------------

class CCmdTarget {
public:
    CCmdTarget() {}
    virtual ~CCmdTarget() {}
    // Runs the handler of a command (WM_COMMAND id and code) from the map;
    // TRUE when one was found.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP *GetThisMessageMap();
    virtual const AFX_MSGMAP *GetMessageMap() const;
    // First entry of this object's map chain that matches, or NULL.
    const AFX_MSGMAP_ENTRY *FindEntry(UINT nMessage, UINT nCode, UINT nID) const;
};

// ---- strings ------------------------------------------------------------

class CString {
public:
    CString() {}
    BOOL LoadString(UINT nID);
    BOOL IsEmpty() const { return m_text.empty(); }
    operator LPCSTR() const { return m_text.c_str(); }

private:
    std::string m_text;
};

// ---- windows ------------------------------------------------------------

class CWnd : public CCmdTarget {
public:
    HWND m_hWnd;

    CWnd();
    virtual ~CWnd();

    // The object bound to a window, or NULL.
    static CWnd *FromHandlePermanent(HWND hWnd);

    BOOL Attach(HWND hWnd);
    HWND Detach();
    // Binds the object to an existing window and routes its messages
    // through the object's message map.
    BOOL SubclassWindow(HWND hWnd);

    void SetDlgItemText(int nID, LPCSTR lpszString);
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
    // A message box owned by this window; without a caption it carries the
    // application's title.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = NULL, UINT nType = MB_OK);
    // Destroys the window; does nothing and returns FALSE without one.
    virtual BOOL DestroyWindow();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    CMenu *GetSystemMenu(BOOL bRevert) const;
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Default handlers, reachable from derived message maps.
    void OnPaint();
    void OnSysCommand(UINT nID, LPARAM lParam);
    HCURSOR OnQueryDragIcon();

protected:
    WNDPROC m_pfnSuper;   // the window's own procedure before subclassing

    virtual void DoDataExchange(CDataExchange *pDX);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Frees the temporary menu objects of GetSystemMenu.
void AfxDeleteTempMaps();

// ---- dialogs ------------------------------------------------------------

class CDataExchange {
public:
    BOOL m_bSaveAndValidate;
    CWnd *m_pDlgWnd;

    CDataExchange(CWnd *pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    HWND PrepareCtrl(int nIDC);
};

void DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl);

class CDialog : public CWnd {
public:
    CDialog(UINT nIDTemplate, CWnd *pParentWnd = NULL);

    // Modeless window from a template; TRUE when it was created.
    virtual BOOL Create(UINT nIDTemplate, CWnd *pParentWnd = NULL);
    // Modal dialog: the value given to EndDialog (IDOK, IDCANCEL), or -1
    // when the template cannot be loaded or the window not created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    // Runs the data exchange into the controls; TRUE puts the focus on
    // the first tab stop.
    virtual BOOL OnInitDialog();
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    UINT m_nIDTemplate;
    CWnd *m_pParentWnd;

    virtual void OnOK();
    virtual void OnCancel();

    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- controls, drawing, menus -------------------------------------------

class CProgressCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper)
    { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper)); }
    int SetPos(int nPos) { return (int)SendMessage(PBM_SETPOS, (WPARAM)nPos, 0); }
    int SetStep(int nStep) { return (int)SendMessage(PBM_SETSTEP, (WPARAM)nStep, 0); }
};

class CDC {
public:
    HDC m_hDC;
    CDC() : m_hDC(NULL) {}
    operator HDC() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
};

// BeginPaint on construction, EndPaint on destruction.
class CPaintDC : public CDC {
public:
    PAINTSTRUCT m_ps;
    explicit CPaintDC(CWnd *pWnd);
    ~CPaintDC();

private:
    HWND m_hWnd;
};

class CMenu {
public:
    HMENU m_hMenu;
    CMenu() : m_hMenu(NULL) {}
    static CMenu *FromHandle(HMENU hMenu);
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL)
    { return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem); }
};

// ---- application --------------------------------------------------------

class CWinApp : public CCmdTarget {
public:
    // lpszAppName NULL: the title becomes the program file's base name.
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    virtual ~CWinApp();

    LPCSTR m_pszAppName;
    LPCSTR m_pszHelpFilePath;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_nExitCode; }
    // The message loop; ends with WM_QUIT and returns ExitInstance().
    virtual int Run();
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);
    BOOL Enable3dControlsStatic();
    // An icon of the program's resources; a shared icon, never freed.
    HICON LoadIcon(UINT nIDResource) const;

    void OnHelp();

    // Title and help file from the program file (called by AfxWinMain).
    void SetNamesFromModule(HINSTANCE hInstance);

protected:
    int m_nExitCode;

private:
    char m_szAppName[MAX_PATH];
    char m_szHelpPath[MAX_PATH];

    DECLARE_MESSAGE_MAP()
};

CWinApp *AfxGetApp();
LPCSTR AfxGetAppName();
HINSTANCE AfxGetResourceHandle();
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
// The application's message box: its title as caption.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
