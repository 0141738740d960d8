#include "input_window.h"

#include <cstdio>

namespace companions {

namespace {

const char kClassName[] = "CompanionsInputWindow";
const WORD kSentinelKey = 'Q';

void register_class()
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    done = true;
}

} // namespace

InputWindow::InputWindow()
{
    register_class();
    hwnd_ = CreateWindowExA(0, kClassName, "Companions input",
                            WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE,
                            100, 100, 400, 300, NULL, NULL, GetModuleHandleA(NULL), NULL);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, (LONG_PTR)this);
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, (LONG_PTR)Proc);
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
    POINT c = centre();
    SetCursorPos(c.x, c.y);
    wintest::wait_for([&] { return GetForegroundWindow() == hwnd_; }, 3000);
    wintest::flush_events(100);
    events_.clear();
}

InputWindow::~InputWindow()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
    wintest::flush_events(20);
}

POINT InputWindow::centre() const
{
    RECT rc;
    GetClientRect(hwnd_, &rc);
    POINT pt = { (rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2 };
    ClientToScreen(hwnd_, &pt);
    return pt;
}

bool InputWindow::has(UINT msg, WPARAM wparam) const
{
    for (const InputEvent &e : events_)
        if (e.msg == msg && e.wparam == wparam)
            return true;
    return false;
}

bool InputWindow::has_msg(UINT msg) const
{
    for (const InputEvent &e : events_)
        if (e.msg == msg)
            return true;
    return false;
}

bool InputWindow::has_key(WORD vk) const
{
    return has(WM_KEYDOWN, vk) || has(WM_SYSKEYDOWN, vk);
}

std::string InputWindow::describe() const
{
    std::string s;
    char buf[48];
    for (const InputEvent &e : events_) {
        snprintf(buf, sizeof(buf), "%s0x%04x/0x%x", s.empty() ? "" : " ", e.msg, (unsigned)e.wparam);
        s += buf;
    }
    return s.empty() ? "(none)" : s;
}

bool InputWindow::settle()
{
    size_t before = events_.size();
    send_key(kSentinelKey);
    return wintest::wait_for([&] {
        for (size_t i = before; i < events_.size(); ++i)
            if (events_[i].msg == WM_KEYUP && events_[i].wparam == kSentinelKey)
                return true;
        return false;
    }, 5000);
}

LRESULT CALLBACK InputWindow::Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    InputWindow *self = (InputWindow *)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    switch (msg) {
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
    case WM_VSCROLL: case WM_HSCROLL: case WM_MOUSEWHEEL: case WM_CLOSE:
        if (self)
            self->events_.push_back({ msg, msg == WM_VSCROLL || msg == WM_HSCROLL
                                               ? (WPARAM)LOWORD(wparam) : wparam });
        // Keep the window as it is: no menu mode for F10, no closing.
        if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP || msg == WM_CLOSE)
            return 0;
        break;
    case WM_SYSCOMMAND:
        if (self)
            self->events_.push_back({ msg, wparam & 0xFFF0 });
        return 0;
    case WM_CONTEXTMENU:
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

void send_mouse(DWORD flags, DWORD data)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = data;
    SendInput(1, &in, sizeof(in));
}

void send_click(DWORD down_flag, DWORD up_flag)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = down_flag;
    in[1].mi.dwFlags = up_flag;
    SendInput(2, in, sizeof(INPUT));
}

void send_move(LONG dx, LONG dy)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof(in));
}

void send_key(WORD vk)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[0].ki.wScan = in[1].ki.wScan = (WORD)MapVirtualKeyA(vk, 0);
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

} // namespace companions
