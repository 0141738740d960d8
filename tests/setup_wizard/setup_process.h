// setup.exe started as a process of its own and answered the way a user
// answers it: its windows found by caption, buttons clicked, keys pressed on
// the control that has the focus. Window texts are read without sending
// messages, so a busy setup never blocks the test.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "wintest.h"

namespace wizardtest {

inline std::string window_text(HWND hwnd)
{
    WCHAR wide[1024] = L"";
    InternalGetWindowText(hwnd, wide, 1024);
    char buf[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof(buf), NULL, NULL);
    return buf;
}

// What a message box says: its caption and its text.
struct BoxText {
    std::string caption;
    std::string text;
};

class SetupProcess {
public:
    SetupProcess() : m_pi() {}
    ~SetupProcess()
    {
        if (m_pi.hProcess) {
            // A test that failed half-way leaves no setup behind.
            if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(m_pi.hProcess, 1);
                WaitForSingleObject(m_pi.hProcess, 10000);
            }
            CloseHandle(m_pi.hThread);
            CloseHandle(m_pi.hProcess);
        }
    }

    bool start(const std::string &exe, const std::string &cwd)
    {
        STARTUPINFOA si = { sizeof(si) };
        std::string cmd = "\"" + exe + "\"";
        return CreateProcessA(exe.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, cwd.c_str(), &si, &m_pi) != 0;
    }

    DWORD pid() const { return m_pi.dwProcessId; }

    // The window of setup with the caption that the user can act on
    // (visible and enabled), or NULL when none showed within the timeout.
    HWND wait_window(const std::string &caption, DWORD timeout_ms = 30000)
    {
        HWND found = NULL;
        wintest::wait_for([&] { return (found = find(caption, true)) != NULL || exited(); }, timeout_ms);
        if (!found)
            found = find(caption, true);
        return found;
    }

    // A window of setup with the caption, visible, or NULL; no waiting.
    HWND find(const std::string &caption, bool enabledOnly = false) const
    {
        Search s = { this, caption, enabledOnly, NULL };
        EnumWindows(search_proc, (LPARAM)&s);
        return s.found;
    }

    // Captions of setup's visible windows, for failure messages.
    std::string captions() const
    {
        Search s = { this, "", false, NULL };
        EnumWindows(list_proc, (LPARAM)&s);
        return s.list.empty() ? "(none)" : s.list;
    }

    // Clicks the dialog's button with the id as the mouse would.
    bool click(HWND dialog, int id)
    {
        HWND button = GetDlgItem(dialog, id);
        DWORD_PTR result;
        return button && SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
    }

    // The control of setup that has the keyboard focus.
    HWND focus() const
    {
        GUITHREADINFO info = { sizeof(info) };
        if (!GetGUIThreadInfo(thread_id(), &info))
            return NULL;
        return info.hwndFocus;
    }

    // Presses and releases a key on the control that has the focus.
    bool press_key(UINT vk)
    {
        HWND target = focus();
        if (!target)
            return false;
        PostMessageA(target, WM_KEYDOWN, vk, 1);
        PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        return true;
    }

    // Picks an entry of the window's system menu.
    void system_command(HWND window, WPARAM command)
    {
        PostMessageA(window, WM_SYSCOMMAND, command, 0);
    }

    // The caption and text of a message box.
    static BoxText box_text(HWND box)
    {
        BoxText t = { window_text(box), "" };
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char cls[32] = "";
            GetClassNameA(child, cls, sizeof(cls));
            LONG style = GetWindowLongA(child, GWL_STYLE);
            if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) != SS_ICON) {
                std::string text = window_text(child);
                if (!text.empty()) {
                    t.text = text;
                    break;
                }
            }
        }
        return t;
    }

    bool exited() const { return WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0; }

    // Waits for setup to end; its exit code, or -1 when it did not end.
    long wait_exit(DWORD timeout_ms = 30000)
    {
        if (!wintest::wait_for([&] { return exited(); }, timeout_ms))
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_pi.hProcess, &code);
        return (long)code;
    }

private:
    struct Search {
        const SetupProcess *self;
        std::string caption;
        bool enabledOnly;
        HWND found;
        std::string list;
    };

    bool owns(HWND hwnd) const
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        return pid == m_pi.dwProcessId && IsWindowVisible(hwnd);
    }

    DWORD thread_id() const { return m_pi.dwThreadId; }

    static BOOL CALLBACK search_proc(HWND hwnd, LPARAM lp)
    {
        Search *s = (Search *)lp;
        if (!s->self->owns(hwnd) || (s->enabledOnly && !IsWindowEnabled(hwnd)))
            return TRUE;
        if (window_text(hwnd) != s->caption)
            return TRUE;
        s->found = hwnd;
        return FALSE;
    }

    static BOOL CALLBACK list_proc(HWND hwnd, LPARAM lp)
    {
        Search *s = (Search *)lp;
        if (s->self->owns(hwnd))
            s->list += "\"" + window_text(hwnd) + "\" ";
        return TRUE;
    }

    PROCESS_INFORMATION m_pi;
};

} // namespace wizardtest
