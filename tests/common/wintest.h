// Small helpers shared by the tests that run under Wine.
#pragma once

#include <windows.h>
#include <string>

namespace wintest {

// Pumps this thread's messages until the deadline has passed.
inline void flush_events(DWORD ms = 50)
{
    DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        LONG left = (LONG)(end - GetTickCount());
        if (left <= 0)
            break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)left, QS_ALLINPUT);
    }
}

// Pumps messages until pred() holds or the deadline passes; returns pred().
template <class Pred>
bool wait_for(Pred pred, DWORD timeout_ms = 10000)
{
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start >= timeout_ms)
            return pred();
        flush_events(10);
    }
    return true;
}

// Folder of the running test program, with a trailing backslash.
inline std::string module_dir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof(path));
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// A new empty file in the temporary folder, its name starting with `prefix`
// (three characters at most); the caller deletes it.
inline std::string temp_file(const char *prefix)
{
    char folder[MAX_PATH], file[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    GetTempFileNameA(folder, prefix, 0, file);
    return file;
}

// Starts a program and waits for it; returns its exit code, or -1 when it
// could not be started or did not end within the timeout.
inline long run_process(const std::string &cmdline, DWORD timeout_ms = 30000,
                        const char *cwd = NULL)
{
    STARTUPINFOA si = { sizeof(si) };
    PROCESS_INFORMATION pi;
    std::string cmd = cmdline;
    if (!CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, cwd, &si, &pi))
        return -1;
    long rc = -1;
    if (WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_OBJECT_0) {
        DWORD code;
        if (GetExitCodeProcess(pi.hProcess, &code))
            rc = (long)code;
    } else {
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return rc;
}

} // namespace wintest
