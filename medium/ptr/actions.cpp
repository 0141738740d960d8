// The button functions of the pointer helper: key strokes, a double click,
// task switching, closing the foreground window, and the scrolling of the
// Hyper-Marvane mode. Input made here carries TVPTR_INPUT_MARK so that the
// helper's own hooks let it pass.
#include "helper.h"

namespace {

enum { kMaxStrokeInputs = 8 };

bool IsExtendedKey(WORD vk)
{
    switch (vk) {
    case VK_DELETE: case VK_PRIOR: case VK_NEXT: case VK_INSERT:
    case VK_HOME: case VK_END: case VK_LEFT: case VK_RIGHT: case VK_UP:
    case VK_DOWN: case VK_LWIN: case VK_RWIN:
        return true;
    default:
        return false;
    }
}

void AddKey(INPUT *inputs, UINT *count, WORD vk, bool up)
{
    INPUT &in = inputs[(*count)++];
    ZeroMemory(&in, sizeof(in));
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyA(vk, 0);
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    in.ki.dwExtraInfo = TVPTR_INPUT_MARK;
}

// Presses the key, with an optional modifier held around it.
void KeyStroke(WORD vk, WORD modifier = 0)
{
    INPUT inputs[kMaxStrokeInputs];
    UINT count = 0;
    if (modifier)
        AddKey(inputs, &count, modifier, false);
    AddKey(inputs, &count, vk, false);
    AddKey(inputs, &count, vk, true);
    if (modifier)
        AddKey(inputs, &count, modifier, true);
    SendInput(count, inputs, sizeof(INPUT));
}

// Two clicks of the primary button where the cursor is.
void DoubleClick()
{
    bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    DWORD down = swapped ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    DWORD up = swapped ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    INPUT inputs[4];
    ZeroMemory(inputs, sizeof(inputs));
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dwFlags = (i % 2) ? up : down;
        inputs[i].mi.dwExtraInfo = TVPTR_INPUT_MARK;
    }
    SendInput(4, inputs, sizeof(INPUT));
}

// A window the task list would show: visible, top-level, not owned, not a
// tool window.
bool IsTaskWindow(HWND hwnd)
{
    if (!IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER))
        return false;
    LONG ex = GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (ex & WS_EX_TOOLWINDOW)
        return false;
    return GetWindowTextLengthA(hwnd) > 0;
}

// Activates the next task in the window order and sends the current one to
// the back, so that repeated presses go round all tasks.
void NextTask()
{
    HWND current = GetForegroundWindow();
    if (current)
        current = GetAncestor(current, GA_ROOTOWNER);
    HWND start = current ? current : GetTopWindow(NULL);
    HWND next = NULL;
    for (HWND w = GetWindow(start, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsTaskWindow(w)) {
            next = w;
            break;
        }
    }
    if (!next)
        return;
    if (IsIconic(next))
        ShowWindow(next, SW_RESTORE);
    SetForegroundWindow(next);
    if (current && current != next)
        SetWindowPos(current, HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CloseForegroundWindow()
{
    HWND fg = GetForegroundWindow();
    if (!fg)
        return;
    HWND root = GetAncestor(fg, GA_ROOT);
    PostMessageA(root ? root : fg, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The window under the point that has a scroll bar in the wanted direction.
HWND FindScrollable(HWND hwnd, LONG style)
{
    for (HWND w = hwnd; w; w = GetParent(w)) {
        if (GetWindowLongA(w, GWL_STYLE) & style)
            return w;
        if (!(GetWindowLongA(w, GWL_STYLE) & WS_CHILD))
            break;
    }
    return NULL;
}

void ScrollLines(HWND target, UINT msg, int steps, WORD back, WORD forth)
{
    WORD code = steps < 0 ? back : forth;
    int n = steps < 0 ? -steps : steps;
    for (int i = 0; i < n; ++i)
        PostMessageA(target, msg, MAKEWPARAM(code, 0), 0);
}

} // namespace

void RunButtonFunction(DWORD code, POINT pt)
{
    switch (code) {
    case kFnDoubleClick: DoubleClick(); break;
    case kFnStart:       KeyStroke(VK_ESCAPE, VK_CONTROL); break;
    case kFnNextTask:    NextTask(); break;
    case kFnHelp:        KeyStroke(VK_F1); break;
    case kFnEscape:      KeyStroke(VK_ESCAPE); break;
    case kFnDelete:      KeyStroke(VK_DELETE); break;
    case kFnBackspace:   KeyStroke(VK_BACK); break;
    case kFnReturn:      KeyStroke(VK_RETURN); break;
    case kFnCloseWindow: CloseForegroundWindow(); break;
    case kFnUndo:        KeyStroke('Z', VK_CONTROL); break;
    case kFnCut:         KeyStroke('X', VK_CONTROL); break;
    case kFnCopy:        KeyStroke('C', VK_CONTROL); break;
    case kFnPageUp:      KeyStroke(VK_PRIOR); break;
    case kFnPageDown:    KeyStroke(VK_NEXT); break;
    default:             break;
    }
}

void ScrollWindowAt(POINT anchor, int steps_x, int steps_y)
{
    HWND under = WindowFromPoint(anchor);
    if (!under)
        return;
    if (steps_y) {
        if (HWND target = FindScrollable(under, WS_VSCROLL)) {
            ScrollLines(target, WM_VSCROLL, steps_y, SB_LINEUP, SB_LINEDOWN);
        } else {
            // No scroll bar: let the window scroll itself as for a wheel.
            // Moving the mouse down shows what lies further down.
            PostMessageA(under, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(SHORT)(-steps_y * WHEEL_DELTA)),
                         MAKELPARAM((WORD)(SHORT)anchor.x, (WORD)(SHORT)anchor.y));
        }
    }
    if (steps_x) {
        if (HWND target = FindScrollable(under, WS_HSCROLL))
            ScrollLines(target, WM_HSCROLL, steps_x, SB_LINELEFT, SB_LINERIGHT);
    }
}
