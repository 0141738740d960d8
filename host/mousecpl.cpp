// mousecpl.exe: a stand-in for the Mouse control panel of Windows NT 4.0.
// It shows the "Mouse Properties" sheet with its own Buttons, Pointers and
// Motion pages, and lets every property sheet handler registered for the
// Mouse control panel add pages and replace the stock ones, the way the
// shell does it.
//
//   mousecpl.exe [/ready <file>]
//
// /ready writes the sheet's window handle (decimal) into <file> once the
// sheet is shown and painted, for tests and the screenshot script.
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>
#include <cplext.h>
#include <objbase.h>
#include <shlobj.h>
#include <uxtheme.h>
#include <stdio.h>
#include <string.h>

#include "resource.h"

namespace {

const char kHandlersKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers";

enum { kStockPageCount = 3, kMaxPages = 16, kMaxHandlers = 16 };

enum { kNotReplaceable = 0 };

// Stock pages in tab order, by the identifier that handlers name in
// ReplacePage. As in NT 4.0, the Pointers page (the cursor scheme) offers
// no identifier; Motion is the pointer motion page.
const struct { UINT id; int dialog; } kStockPages[kStockPageCount] = {
    { CPLPAGE_MOUSE_BUTTONS,   IDD_STOCK_BUTTONS },
    { kNotReplaceable,         IDD_STOCK_POINTERS },
    { CPLPAGE_MOUSE_PTRMOTION, IDD_STOCK_MOTION },
};

struct SheetPages {
    HPROPSHEETPAGE pages[kMaxPages];
    UINT count;
    UINT replacing;  // identifier of the stock page ReplacePage is working on
};

const char *ReadyFile;
HWND Sheet;

// NT 4.0 had no visual styles: its pages lie on the same plain face colour
// as the sheet, and pages of that time expect it (the Tavix page takes the
// background of its button picture from the screen). The sheet gives every
// page the tab body texture right after creating it, so the texture is taken
// away again before the page is first painted.
BOOL CALLBACK PlainPageBackground(HWND child, LPARAM)
{
    char name[16];
    if (GetParent(child) == Sheet && GetClassNameA(child, name, sizeof(name))
        && lstrcmpA(name, "#32770") == 0)
        EnableThemeDialogTexture(child, ETDT_DISABLE);
    return TRUE;
}

enum { WM_PLAIN_PAGES = WM_APP + 1 };

// Pages are made when the sheet starts (before the posted message below
// arrives) and when a tab is first chosen.
LRESULT CALLBACK SheetSubclass(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam,
                               UINT_PTR, DWORD_PTR)
{
    if (message == WM_PLAIN_PAGES) {
        EnumChildWindows(sheet, PlainPageBackground, 0);
        return 0;
    }
    LRESULT result = DefSubclassProc(sheet, message, wParam, lParam);
    if (message == WM_NOTIFY && ((NMHDR *)lParam)->code == TCN_SELCHANGE)
        EnumChildWindows(sheet, PlainPageBackground, 0);
    return result;
}

// ---------------------------------------------------------------------------
// The stock pages: simple pages with real controls.

void MarkChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0);
}

INT_PTR CALLBACK StockPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const char *const cursors[] = {
        "Normal Select", "Help Select", "Working In Background", "Busy",
        "Precision Select", "Text Select", "Handwriting", "Unavailable",
        "Vertical Resize", "Horizontal Resize", "Diagonal Resize 1",
        "Diagonal Resize 2", "Move",
    };
    switch (message) {
    case WM_INITDIALOG:
        CheckRadioButton(page, IDC_RIGHT_HANDED, IDC_LEFT_HANDED,
                         GetSystemMetrics(SM_SWAPBUTTON) ? IDC_LEFT_HANDED : IDC_RIGHT_HANDED);
        SendDlgItemMessageA(page, IDC_STOCK_DOUBLE_CLICK, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
        SendDlgItemMessageA(page, IDC_STOCK_DOUBLE_CLICK, TBM_SETPOS, TRUE, 5);
        SendDlgItemMessageA(page, IDC_SCHEME, CB_ADDSTRING, 0, (LPARAM)"(None)");
        SendDlgItemMessageA(page, IDC_SCHEME, CB_SETCURSEL, 0, 0);
        for (const char *name : cursors)
            SendDlgItemMessageA(page, IDC_CURSOR_LIST, LB_ADDSTRING, 0, (LPARAM)name);
        SendDlgItemMessageA(page, IDC_POINTER_SPEED, TBM_SETRANGE, TRUE, MAKELPARAM(0, 6));
        SendDlgItemMessageA(page, IDC_POINTER_SPEED, TBM_SETPOS, TRUE, 3);
        return TRUE;
    case WM_HSCROLL:
        MarkChanged(page);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == CBN_SELCHANGE)
            MarkChanged(page);
        return TRUE;
    }
    return FALSE;
}

HPROPSHEETPAGE MakeStockPage(int dialog)
{
    PROPSHEETPAGEA page;
    ZeroMemory(&page, sizeof(page));
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = GetModuleHandleA(NULL);
    page.pszTemplate = MAKEINTRESOURCEA(dialog);
    page.pfnDlgProc = StockPageProc;
    return CreatePropertySheetPageA(&page);
}

// ---------------------------------------------------------------------------
// Handlers.

BOOL CALLBACK AddPage(HPROPSHEETPAGE page, LPARAM lParam)
{
    SheetPages *sheet = (SheetPages *)lParam;
    if (sheet->count >= kMaxPages)
        return FALSE;
    sheet->pages[sheet->count++] = page;
    return TRUE;
}

// Puts the handler's page in place of the stock page being replaced.
BOOL CALLBACK ReplaceStockPage(HPROPSHEETPAGE page, LPARAM lParam)
{
    SheetPages *sheet = (SheetPages *)lParam;
    for (UINT i = 0; i < kStockPageCount; ++i) {
        if (kStockPages[i].id == sheet->replacing) {
            DestroyPropertySheetPage(sheet->pages[i]);
            sheet->pages[i] = page;
            return TRUE;
        }
    }
    return FALSE;
}

// A handler is named by a subkey whose default value is its class
// identifier; a subkey without one is named by the identifier itself.
BOOL HandlerClass(HKEY handlers, const char *subkey, CLSID *clsid)
{
    char text[64] = "";
    LONG size = sizeof(text);
    if (RegQueryValueA(handlers, subkey, text, &size) != ERROR_SUCCESS || !text[0])
        lstrcpynA(text, subkey, sizeof(text));
    WCHAR wide[64];
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64))
        return FALSE;
    return SUCCEEDED(CLSIDFromString(wide, clsid));
}

UINT LoadHandlers(IShellPropSheetExt **handlers, UINT capacity)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHandlersKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    UINT count = 0;
    char subkey[MAX_PATH];
    for (DWORD i = 0; count < capacity && RegEnumKeyA(key, i, subkey, sizeof(subkey)) == ERROR_SUCCESS; ++i) {
        CLSID clsid;
        if (!HandlerClass(key, subkey, &clsid))
            continue;
        IShellPropSheetExt *handler = NULL;
        if (SUCCEEDED(CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, IID_IShellPropSheetExt,
                                       (void **)&handler)) && handler)
            handlers[count++] = handler;
    }
    RegCloseKey(key);
    return count;
}

// ---------------------------------------------------------------------------
// The ready signal: sent once the sheet is visible and nothing of this
// thread waits to be painted (timers come after paint messages).

BOOL NeedsPaint(HWND window)
{
    if (GetUpdateRect(window, NULL, FALSE))
        return TRUE;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child) && NeedsPaint(child))
            return TRUE;
    return FALSE;
}

void CALLBACK SignalReady(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!Sheet || !IsWindowVisible(Sheet) || NeedsPaint(Sheet))
        return;
    // The waiting side polls the file and may hold it open for a moment:
    // share it for reading, and try again at the next tick when it cannot
    // be written now.
    HANDLE file = CreateFileA(ReadyFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char text[32];
    int n = wsprintfA(text, "%lu\r\n", (unsigned long)(ULONG_PTR)Sheet);
    DWORD written = 0;
    BOOL ok = WriteFile(file, text, n, &written, NULL) && written == (DWORD)n;
    CloseHandle(file);
    if (ok)
        KillTimer(NULL, timer);
}

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED) {
        Sheet = sheet;
        SetWindowSubclass(sheet, SheetSubclass, 0, 0);
        PostMessageA(sheet, WM_PLAIN_PAGES, 0, 0);
        if (ReadyFile)
            SetTimer(NULL, 0, 50, SignalReady);
    }
    return 0;
}

void ReadOptions(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (lstrcmpiA(argv[i], "/ready") == 0)
            ReadyFile = argv[++i];
}

} // namespace

int main(int argc, char **argv)
{
    ReadOptions(argc, argv);
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    InitCommonControlsEx(&controls);
    CoInitialize(NULL);

    SheetPages sheet;
    ZeroMemory(&sheet, sizeof(sheet));
    for (const auto &stock : kStockPages)
        sheet.pages[sheet.count++] = MakeStockPage(stock.dialog);

    IShellPropSheetExt *handlers[kMaxHandlers];
    UINT handlerCount = LoadHandlers(handlers, kMaxHandlers);
    for (UINT h = 0; h < handlerCount; ++h) {
        handlers[h]->AddPages(AddPage, (LPARAM)&sheet);
        for (const auto &stock : kStockPages) {
            if (stock.id == kNotReplaceable)
                continue;
            sheet.replacing = stock.id;
            handlers[h]->ReplacePage(stock.id, ReplaceStockPage, (LPARAM)&sheet);
        }
    }

    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof(header));
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_USECALLBACK;
    header.hInstance = GetModuleHandleA(NULL);
    header.pszCaption = "Mouse Properties";
    header.nPages = sheet.count;
    header.nStartPage = 0;
    header.phpage = sheet.pages;
    header.pfnCallback = SheetCallback;
    INT_PTR result = PropertySheetA(&header);

    // The pages are gone with the sheet; only now may the handlers go.
    for (UINT h = 0; h < handlerCount; ++h)
        handlers[h]->Release();
    CoFreeUnusedLibraries();
    CoUninitialize();
    return result < 0 ? 1 : 0;
}
