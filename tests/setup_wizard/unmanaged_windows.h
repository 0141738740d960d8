// The test display has no window manager. Wine then waits up to two seconds
// for each managed window (one with a caption) to be withdrawn when it is
// hidden; unmanaged windows hide at once, and Wine draws their frames and
// captions itself. Wine reads the setting when the program makes its first
// window (a program that links comctl32 makes one while it loads), so this
// is set per program before it starts, and removed again.
#pragma once

#include <windows.h>
#include <string>

namespace wizardtest {

class UnmanagedWindows {
public:
    // For the program file `exe_name`, or this program when NULL.
    explicit UnmanagedWindows(const char *exe_name = NULL)
    {
        std::string exe = exe_name ? exe_name : own_name();
        m_appKey = "Software\\Wine\\AppDefaults\\" + exe;
        m_driverKey = m_appKey + "\\X11 Driver";
        m_createdApp = create(m_appKey);
        m_createdDriver = create(m_driverKey);
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, m_driverKey.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key)
            == ERROR_SUCCESS) {
            DWORD size = sizeof(m_old) - 1;
            m_hadOld = RegQueryValueExA(key, "Managed", NULL, NULL, (BYTE *)m_old, &size) == ERROR_SUCCESS;
            m_old[m_hadOld ? size : 0] = '\0';
            RegSetValueExA(key, "Managed", 0, REG_SZ, (const BYTE *)"N", 2);
            RegCloseKey(key);
        }
    }
    ~UnmanagedWindows()
    {
        HKEY key;
        if (!m_createdDriver
            && RegOpenKeyExA(HKEY_CURRENT_USER, m_driverKey.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            if (m_hadOld)
                RegSetValueExA(key, "Managed", 0, REG_SZ, (const BYTE *)m_old, (DWORD)lstrlenA(m_old) + 1);
            else
                RegDeleteValueA(key, "Managed");
            RegCloseKey(key);
        }
        if (m_createdDriver)
            RegDeleteKeyA(HKEY_CURRENT_USER, m_driverKey.c_str());
        if (m_createdApp)
            RegDeleteKeyA(HKEY_CURRENT_USER, m_appKey.c_str());
    }

private:
    // TRUE when the key was made here, not found.
    static bool create(const std::string &path)
    {
        HKEY key;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                            &disposition) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return disposition == REG_CREATED_NEW_KEY;
    }

    static std::string own_name()
    {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(NULL, path, sizeof(path));
        std::string s = path;
        return s.substr(s.find_last_of('\\') + 1);
    }

    std::string m_appKey;
    std::string m_driverKey;
    bool m_createdApp;
    bool m_createdDriver;
    bool m_hadOld = false;
    char m_old[64] = "";
};

// For a test program that makes windows itself: runs the program again as a
// child with its windows unmanaged and returns the child's exit code; in
// the child, runs `tests`.
inline int run_with_unmanaged_windows(int (*tests)(int, char **), int argc, char **argv)
{
    const char kChildMark[] = "TAVIX_TEST_UNMANAGED_CHILD";
    if (GetEnvironmentVariableA(kChildMark, NULL, 0) > 0)
        return tests(argc, argv);
    UnmanagedWindows unmanaged;
    SetEnvironmentVariableA(kChildMark, "1");
    std::string cmd = GetCommandLineA();
    STARTUPINFOA si = { sizeof(si) };
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, &cmd[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi))
        return tests(argc, argv);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

} // namespace wizardtest
