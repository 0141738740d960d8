// Drives modal dialogs of this thread from inside their own message loops: a
// thread timer (which every modal loop of the thread dispatches) waits for
// the window of each step in turn - visible and enabled, the one the user
// can act on - and runs the step's actions on it, as a user's clicks and
// keys would reach it. Actions only post or send messages and never wait, so
// a dialog that a step opens runs its own loop while the timer goes on. A
// watchdog ends every dialog of the thread when the deadline passes, so a
// test never hangs.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace modal {

const INT_PTR kTimedOut = 0x7EAD;

inline std::string text_of(HWND hwnd)
{
    char buf[512] = "";
    GetWindowTextA(hwnd, buf, sizeof(buf));
    return buf;
}

struct FindData {
    const char *caption;
    HWND found;
};

inline BOOL CALLBACK find_proc(HWND hwnd, LPARAM lp)
{
    FindData *f = (FindData *)lp;
    if (IsWindowVisible(hwnd) && text_of(hwnd) == f->caption) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this thread with the caption, or NULL.
inline HWND find_window(const char *caption)
{
    FindData f = { caption, NULL };
    EnumThreadWindows(GetCurrentThreadId(), find_proc, (LPARAM)&f);
    return f.found;
}

// A click on a button, the way the mouse gives it.
inline void click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A key pressed and released on the window that has the keyboard focus.
inline void press_key(UINT vk)
{
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, vk, 1);
    PostMessageA(focus, WM_KEYUP, vk, 0xC0000001);
}

struct Step {
    const char *caption;               // the window this step acts on
    std::function<void(HWND)> act;
};

class Driver {
public:
    // Runs dlg.DoModal() while the steps play. Returns what DoModal
    // returned, or kTimedOut when the watchdog had to end the dialogs;
    // `played` (when given) receives the number of steps that ran.
    template <class Dialog>
    static INT_PTR run(Dialog &dlg, std::vector<Step> steps, size_t *played = NULL,
                       DWORD timeout_ms = 15000)
    {
        Driver d(steps);
        Driver *outer = s_current;
        s_current = &d;
        UINT_PTR tick = SetTimer(NULL, 0, 10, on_tick);
        UINT_PTR watchdog = SetTimer(NULL, 0, timeout_ms, on_watchdog);
        INT_PTR result = dlg.DoModal();
        KillTimer(NULL, tick);
        KillTimer(NULL, watchdog);
        s_current = outer;
        if (played)
            *played = d.m_next;
        return d.m_timedOut ? kTimedOut : result;
    }

    // The common case: one step on the dialog itself.
    template <class Dialog>
    static INT_PTR run(Dialog &dlg, const char *caption, std::function<void(HWND)> act)
    {
        return run(dlg, std::vector<Step>{ { caption, act } });
    }

private:
    explicit Driver(const std::vector<Step> &steps)
        : m_steps(steps), m_next(0), m_busy(false), m_timedOut(false) {}

    static void CALLBACK on_tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Driver *d = s_current;
        if (!d || d->m_busy || d->m_next >= d->m_steps.size())
            return;
        const Step &step = d->m_steps[d->m_next];
        HWND window = find_window(step.caption);
        if (!window || !IsWindowEnabled(window))
            return;
        d->m_busy = true;
        ++d->m_next;
        step.act(window);
        d->m_busy = false;
    }

    static BOOL CALLBACK end_proc(HWND hwnd, LPARAM)
    {
        char cls[16] = "";
        GetClassNameA(hwnd, cls, sizeof(cls));
        if (lstrcmpA(cls, "#32770") == 0)
            EndDialog(hwnd, kTimedOut);
        return TRUE;
    }

    static void CALLBACK on_watchdog(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(NULL, id);
        if (s_current)
            s_current->m_timedOut = true;
        EnumThreadWindows(GetCurrentThreadId(), end_proc, 0);
    }

    std::vector<Step> m_steps;
    size_t m_next;
    bool m_busy;
    bool m_timedOut;
    static inline Driver *s_current = NULL;
};

} // namespace modal
