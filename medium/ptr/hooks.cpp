// TVPtr.dll: the low-level mouse and keyboard hooks of the pointer helper.
//
// The hooks run on the helper's main thread. At every event they read the
// button functions and the cursor finder switch from the settings block, so
// a change applied on the Buttons page counts from the next event on. A
// press whose button has a function is taken out of the input stream
// (together with its release) and handed to the helper's window, which
// carries the function out once the hook has returned.
#define TVPTR_BUILDING_DLL
#include "tvptr.h"

namespace {

// Mouse movement, in pixels, that makes one scroll step while scrolling.
const LONG kPixelsPerScrollStep = 8;

HINSTANCE g_module;
HHOOK g_mouse_hook;
HHOOK g_keyboard_hook;
HWND g_window;
volatile TvPtrBlock *g_block;

// Releases that belong to presses the hooks took out of the stream.
bool g_swallow_middle_up;
bool g_swallow_second_up;
bool g_swallow_f10_up;

// Hyper-Marvane scrolling: the cursor stays at the anchor and the distance
// it would have moved is turned into scroll steps.
bool g_scrolling;
POINT g_anchor;
LONG g_rest_x;
LONG g_rest_y;

LPARAM PointParam(POINT pt)
{
    return MAKELPARAM((WORD)(SHORT)pt.x, (WORD)(SHORT)pt.y);
}

void StartScrolling(POINT pt)
{
    g_scrolling = true;
    g_anchor = pt;
    g_rest_x = 0;
    g_rest_y = 0;
    g_block->ScrollMode = 1;
    PostMessageA(g_window, WM_TVPTR_SCROLL_MODE, 1, PointParam(pt));
}

void EndScrolling()
{
    if (!g_scrolling)
        return;
    g_scrolling = false;
    g_block->ScrollMode = 0;
    PostMessageA(g_window, WM_TVPTR_SCROLL_MODE, 0, PointParam(g_anchor));
}

// The move is swallowed: the cursor stays where scrolling began.
void ScrollBy(POINT pt)
{
    g_rest_x += pt.x - g_anchor.x;
    g_rest_y += pt.y - g_anchor.y;
    LONG steps_x = g_rest_x / kPixelsPerScrollStep;
    LONG steps_y = g_rest_y / kPixelsPerScrollStep;
    g_rest_x -= steps_x * kPixelsPerScrollStep;
    g_rest_y -= steps_y * kPixelsPerScrollStep;
    if (steps_x || steps_y)
        PostMessageA(g_window, WM_TVPTR_SCROLL, (WPARAM)(SHORT)steps_x, (LPARAM)(SHORT)steps_y);
}

// The hook sees the physical buttons; the secondary one is the physical
// right button unless the user swapped the buttons for the left hand.
bool IsSecondaryDown(WPARAM msg)
{
    bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    return msg == (swapped ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
}

bool IsSecondaryUp(WPARAM msg)
{
    bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    return msg == (swapped ? WM_LBUTTONUP : WM_RBUTTONUP);
}

bool IsButtonDown(WPARAM msg)
{
    return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
           msg == WM_XBUTTONDOWN;
}

// A press of a button with a function: swallowed and reported.
bool TakePress(DWORD code, POINT pt)
{
    if (!IsAssignedFunction(code))
        return false;
    if (code == kFnHyperMarvane)
        StartScrolling(pt);
    else
        PostMessageA(g_window, WM_TVPTR_FUNCTION, code, PointParam(pt));
    return true;
}

// Returns true when the event is to be taken out of the input stream.
bool OnMouseEvent(WPARAM msg, const MSLLHOOKSTRUCT *info)
{
    if (info->dwExtraInfo == TVPTR_INPUT_MARK)
        return false;

    if (g_scrolling) {
        if (msg == WM_MOUSEMOVE) {
            ScrollBy(info->pt);
            return true;
        }
        if (msg == WM_MBUTTONDOWN) {
            // The button that started scrolling ends it again.
            EndScrolling();
            g_swallow_middle_up = true;
            return true;
        }
        if (IsButtonDown(msg))
            EndScrolling();
    }

    if (msg == WM_MBUTTONDOWN) {
        g_swallow_middle_up = TakePress(g_block->MiddleButton, info->pt);
        return g_swallow_middle_up;
    }
    if (msg == WM_MBUTTONUP && g_swallow_middle_up) {
        g_swallow_middle_up = false;
        return true;
    }
    if (IsSecondaryDown(msg)) {
        g_swallow_second_up = TakePress(g_block->SecondButton, info->pt);
        return g_swallow_second_up;
    }
    if (IsSecondaryUp(msg) && g_swallow_second_up) {
        g_swallow_second_up = false;
        return true;
    }
    return false;
}

bool OnKeyEvent(WPARAM msg, const KBDLLHOOKSTRUCT *info)
{
    if (info->vkCode != VK_F10 || info->dwExtraInfo == TVPTR_INPUT_MARK)
        return false;
    bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    if (!down) {
        bool swallow = g_swallow_f10_up;
        g_swallow_f10_up = false;
        return swallow;
    }
    if (g_block->Center != 1)
        return false;
    // Auto-repeat sends more presses before the release: show it once.
    if (!g_swallow_f10_up) {
        POINT pt;
        GetCursorPos(&pt);
        PostMessageA(g_window, WM_TVPTR_FIND_CURSOR, 0, PointParam(pt));
    }
    g_swallow_f10_up = true;
    return true;
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HC_ACTION && OnMouseEvent(wparam, (const MSLLHOOKSTRUCT *)lparam))
        return 1;
    return CallNextHookEx(g_mouse_hook, code, wparam, lparam);
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HC_ACTION && OnKeyEvent(wparam, (const KBDLLHOOKSTRUCT *)lparam))
        return 1;
    return CallNextHookEx(g_keyboard_hook, code, wparam, lparam);
}

} // namespace

extern "C" {

BOOL WINAPI TvPtrStartHooks(HWND window, volatile TvPtrBlock *block)
{
    if (g_mouse_hook || !window || !block)
        return FALSE;
    g_window = window;
    g_block = block;
    g_mouse_hook = SetWindowsHookExA(WH_MOUSE_LL, MouseHookProc, g_module, 0);
    g_keyboard_hook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, g_module, 0);
    if (!g_mouse_hook || !g_keyboard_hook) {
        TvPtrStopHooks();
        return FALSE;
    }
    return TRUE;
}

void WINAPI TvPtrStopHooks(void)
{
    EndScrolling();
    if (g_mouse_hook)
        UnhookWindowsHookEx(g_mouse_hook);
    if (g_keyboard_hook)
        UnhookWindowsHookEx(g_keyboard_hook);
    g_mouse_hook = NULL;
    g_keyboard_hook = NULL;
}

void WINAPI TvPtrEndScroll(void)
{
    if (g_block)
        EndScrolling();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

} // extern "C"
