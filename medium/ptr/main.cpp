// TVPtr.exe: the pointer helper of the Tavix mouse. Started at logon with
// the install directory as its argument, or from its shortcut without one.
// One instance runs per desktop; it keeps the settings block alive, installs
// the hooks of TVPtr.dll and carries out what they report. WM_CLOSE to its
// window ends it (the uninstaller does that).
#include "helper.h"

namespace {

const char kInstancePrefix[] = "TVPtr.Instance.";
const char kSerialParameters[] = "SYSTEM\\CurrentControlSet\\Services\\tvsermou\\Parameters";
const char kPs2Parameters[] = "SYSTEM\\CurrentControlSet\\Services\\TVI8042\\Parameters";

struct Helper {
    HINSTANCE instance;
    HANDLE mapping;
    volatile TvPtrBlock *block;
    POINT scroll_anchor;
};

Helper g_helper;

// The instance mutex is named after the desktop, so each desktop gets one.
HANDLE ClaimInstance()
{
    char desktop[128] = "Default";
    DWORD needed = 0;
    HDESK hdesk = GetThreadDesktop(GetCurrentThreadId());
    if (!hdesk || !GetUserObjectInformationA(hdesk, UOI_NAME, desktop, sizeof(desktop), &needed))
        lstrcpynA(desktop, "Default", sizeof(desktop));
    char name[sizeof(kInstancePrefix) + sizeof(desktop)];
    lstrcpynA(name, kInstancePrefix, sizeof(name));
    lstrcpynA(name + lstrlenA(name), desktop, (int)(sizeof(name) - lstrlenA(name)));
    // Backslashes would name a namespace.
    for (char *p = name; *p; ++p)
        if (*p == '\\')
            *p = '_';
    HANDLE mutex = CreateMutexA(NULL, TRUE, name);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return NULL;
    }
    return mutex;
}

bool ReadDword(HKEY key, const char *name, DWORD *out)
{
    DWORD type = 0, value = 0, size = sizeof(value);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)&value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return false;
    *out = value;
    return true;
}

// A block made here (the page has not run in this logon) starts with the
// stored settings of the driver that is installed, or with the defaults.
void LoadStoredSettings(volatile TvPtrBlock *block)
{
    DWORD middle = kFnHyperMarvane, second = kFnUnassigned, center = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialParameters, 0, KEY_READ, &key) == ERROR_SUCCESS ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPs2Parameters, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ReadDword(key, "Middle Button", &middle);
        ReadDword(key, "Second Button", &second);
        ReadDword(key, "Center", &center);
        RegCloseKey(key);
    }
    block->MiddleButton = middle;
    block->SecondButton = second;
    block->Center = center;
}

bool OpenBlock(Helper *h)
{
    // Default security: the page's process of the same user can open the
    // mapping and map it for writing.
    h->mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                    kTvPtrBlockSize, TVPTR_BLOCK_NAME);
    bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (!h->mapping) {
        h->mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, TVPTR_BLOCK_NAME);
        existed = true;
    }
    if (!h->mapping)
        return false;
    h->block = (volatile TvPtrBlock *)MapViewOfFile(h->mapping, FILE_MAP_WRITE, 0, 0, kTvPtrBlockSize);
    if (!h->block) {
        CloseHandle(h->mapping);
        h->mapping = NULL;
        return false;
    }
    if (!existed)
        LoadStoredSettings(h->block);
    return true;
}

void CloseBlock(Helper *h)
{
    if (h->block) {
        h->block->HelperProcessId = 0;
        h->block->HelperWindow = 0;
        h->block->ScrollMode = 0;
        UnmapViewOfFile((LPCVOID)h->block);
    }
    if (h->mapping)
        CloseHandle(h->mapping);
    h->block = NULL;
    h->mapping = NULL;
}

POINT PointFrom(LPARAM lparam)
{
    POINT pt = { (SHORT)LOWORD(lparam), (SHORT)HIWORD(lparam) };
    return pt;
}

LRESULT CALLBACK HelperProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_TVPTR_FUNCTION:
        RunButtonFunction((DWORD)wparam, PointFrom(lparam));
        return 0;
    case WM_TVPTR_FIND_CURSOR:
        ShowCursorFinder(g_helper.instance, PointFrom(lparam));
        return 0;
    case WM_TVPTR_SCROLL_MODE:
        g_helper.scroll_anchor = PointFrom(lparam);
        return 0;
    case WM_TVPTR_SCROLL:
        ScrollWindowAt(g_helper.scroll_anchor, (SHORT)wparam, (SHORT)lparam);
        return 0;
    case WM_ENDSESSION:
        if (wparam)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        TvPtrStopHooks();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

HWND CreateHelperWindow(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HelperProc;
    wc.hInstance = instance;
    wc.lpszClassName = TVPTR_WINDOW_CLASS;
    if (!RegisterClassA(&wc) || !RegisterCursorFinder(instance))
        return NULL;
    // A hidden top-level window, so that FindWindow finds the helper.
    return CreateWindowExA(WS_EX_TOOLWINDOW, TVPTR_WINDOW_CLASS, TVPTR_WINDOW_TITLE, WS_POPUP,
                           0, 0, 0, 0, NULL, NULL, instance, NULL);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdline, int)
{
    // The command line names the install directory, or nothing; the helper
    // needs neither: everything it uses lies beside it or in the block.
    HANDLE instance_mutex = ClaimInstance();
    if (!instance_mutex)
        return 0;

    g_helper.instance = instance;
    int rc = 1;
    if (OpenBlock(&g_helper)) {
        HWND hwnd = CreateHelperWindow(instance);
        if (hwnd && TvPtrStartHooks(hwnd, g_helper.block)) {
            g_helper.block->Signature = kTvPtrBlockSignature;
            g_helper.block->HelperProcessId = GetCurrentProcessId();
            g_helper.block->HelperWindow = (DWORD)(ULONG_PTR)hwnd;
            MSG msg;
            while (GetMessageA(&msg, NULL, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            rc = 0;
        } else if (hwnd) {
            DestroyWindow(hwnd);
        }
        CloseBlock(&g_helper);
    }
    ReleaseMutex(instance_mutex);
    CloseHandle(instance_mutex);
    return rc;
}
