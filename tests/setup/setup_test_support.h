// Helpers for setup's tests: a watcher that records and answers message
// boxes, a hook that records progress reports, the test medium, and the
// cleanup of everything an installation leaves behind.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <strsafe.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "polling_thread.h"
#include "wintest.h"

namespace setuptest {

const char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\*PNP0F03";
const char kDeviceInstanceKey[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\*PNP0F03\\1_0_21_0_31_0";
const char kMouseClass[] = "{4D36E96F-E325-11CE-BFC1-08002BE10318}";
const char kClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96F-E325-11CE-BFC1-08002BE10318}\\0042";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kProgramsFixture[] = "C:\\TavixTestPrograms";

struct BoxRecord {
    std::string caption;
    std::string text;
    UINT type;           // buttons and icon, as MB_ flags
    std::string owner;   // caption of the owner window, "" without one
};

// A window's text read without sending it a message: the watcher thread must
// not wait on a window whose thread is busy running install steps.
inline std::string window_text(HWND hwnd)
{
    WCHAR wide[1024] = L"";
    InternalGetWindowText(hwnd, wide, ARRAYSIZE(wide));
    char buf[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof(buf), NULL, NULL);
    return buf;
}

inline std::string class_name(HWND hwnd)
{
    char buf[64] = "";
    GetClassNameA(hwnd, buf, sizeof(buf));
    return buf;
}

// Records every message box of this process (a dialog with a static text
// and push buttons, none of the windows named in `ignore`) and answers it
// with its first button, so nothing blocks.
class BoxWatcher {
public:
    explicit BoxWatcher(std::set<std::string> ignoreCaptions = {})
        : m_ignore(ignoreCaptions), m_poller([this] { poll(); }) {}
    std::vector<BoxRecord> boxes()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_boxes;
    }

private:
    struct Found {
        BoxWatcher *self;
        std::vector<HWND> windows;
    };

    static BOOL CALLBACK enum_proc(HWND hwnd, LPARAM lp)
    {
        Found *f = (Found *)lp;
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && class_name(hwnd) == "#32770")
            f->windows.push_back(hwnd);
        return TRUE;
    }

    static UINT icon_flag(HICON icon)
    {
        if (!icon)
            return 0;
        if (icon == LoadIconA(NULL, (LPCSTR)IDI_WARNING))
            return MB_ICONWARNING;
        if (icon == LoadIconA(NULL, (LPCSTR)IDI_ERROR))
            return MB_ICONERROR;
        if (icon == LoadIconA(NULL, (LPCSTR)IDI_INFORMATION))
            return MB_ICONINFORMATION;
        if (icon == LoadIconA(NULL, (LPCSTR)IDI_QUESTION))
            return MB_ICONQUESTION;
        return 0xF0;
    }

    bool record(HWND box)
    {
        BoxRecord rec;
        rec.caption = window_text(box);
        if (m_ignore.count(rec.caption))
            return true;
        rec.type = 0;
        HWND owner = GetWindow(box, GW_OWNER);
        rec.owner = owner ? window_text(owner) : "";
        bool ok = false, cancel = false, yes = false, no = false;
        int firstButton = 0;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            std::string cls = class_name(child);
            int id = GetDlgCtrlID(child);
            if (cls == "Button") {
                if (!firstButton)
                    firstButton = id;
                ok |= id == IDOK;
                cancel |= id == IDCANCEL;
                yes |= id == IDYES;
                no |= id == IDNO;
            } else if (cls == "Static") {
                LONG style = GetWindowLongA(child, GWL_STYLE);
                if ((style & SS_TYPEMASK) == SS_ICON)
                    rec.type |= icon_flag((HICON)SendMessageA(child, STM_GETICON, 0, 0));
                else if (rec.text.empty())
                    rec.text = window_text(child);
            }
        }
        if (!firstButton || rec.text.empty())
            return false;   // not ready yet
        if (yes && no)
            rec.type |= cancel ? MB_YESNOCANCEL : MB_YESNO;
        else if (ok && cancel)
            rec.type |= MB_OKCANCEL;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_boxes.push_back(rec);
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(firstButton, BN_CLICKED), (LPARAM)GetDlgItem(box, firstButton));
        return true;
    }

    // One look at this process's windows, on the watcher thread.
    void poll()
    {
        Found f = { this, {} };
        EnumWindows(enum_proc, (LPARAM)&f);
        for (HWND w : f.windows)
            if (!m_done.count(w) && record(w))
                m_done.insert(w);
    }

    std::set<std::string> m_ignore;
    std::mutex m_mutex;
    std::vector<BoxRecord> m_boxes;
    std::set<HWND> m_done;   // boxes recorded and answered
    wintest::PollingThread m_poller;
};

// Records, on this thread, every PBM_SETPOS sent to a progress bar and every
// text set into the percent control (id 1009), in order: each kind on its
// own, and both together as "bar <value>" and "text <text>" events.
class ProgressRecorder {
public:
    ProgressRecorder()
    {
        s_self = this;
        m_hook = SetWindowsHookExA(WH_CALLWNDPROC, hook, NULL, GetCurrentThreadId());
    }
    ~ProgressRecorder()
    {
        UnhookWindowsHookEx(m_hook);
        s_self = NULL;
    }
    std::vector<int> positions;
    std::vector<std::string> texts;
    std::vector<std::string> events;

private:
    static LRESULT CALLBACK hook(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HC_ACTION && s_self) {
            const CWPSTRUCT *m = (const CWPSTRUCT *)lp;
            if (m->message == PBM_SETPOS && class_name(m->hwnd) == PROGRESS_CLASSA) {
                s_self->positions.push_back((int)m->wParam);
                s_self->events.push_back("bar " + std::to_string((int)m->wParam));
            } else if (m->message == WM_SETTEXT && GetDlgCtrlID(m->hwnd) == 1009 && m->lParam) {
                s_self->texts.push_back((const char *)m->lParam);
                s_self->events.push_back(std::string("text ") + (const char *)m->lParam);
            }
        }
        return CallNextHookEx(NULL, code, wp, lp);
    }
    static ProgressRecorder *s_self;
    HHOOK m_hook;
};

inline std::string read_file(const std::string &path, bool *exists = NULL)
{
    std::ifstream f(path.c_str(), std::ios::binary);
    if (exists)
        *exists = (bool)f;
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string &path, const std::string &data)
{
    std::ofstream f(path.c_str(), std::ios::binary | std::ios::trunc);
    f.write(data.data(), (std::streamsize)data.size());
}

inline bool file_exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string system_dir()
{
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    return buf;
}

inline std::string windows_dir()
{
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, MAX_PATH);
    return buf;
}

// Removes a folder and everything in it.
inline void remove_tree(const std::string &dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path);
            else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

inline void copy_folder(const std::string &from, const std::string &to)
{
    CreateDirectoryA(to.c_str(), NULL);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileA((from + "\\" + fd.cFileName).c_str(), (to + "\\" + fd.cFileName).c_str(), FALSE);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

inline void delete_service(const char *name)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (scm) {
        SC_HANDLE svc = OpenServiceA(scm, name, SERVICE_ALL_ACCESS);
        if (svc) {
            DeleteService(svc);
            CloseServiceHandle(svc);
        }
        CloseServiceHandle(scm);
    }
    std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\") + name;
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
}

inline bool key_exists(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

struct RegValue {
    bool found;
    DWORD type;
    DWORD size;
    std::string data;
};

inline RegValue reg_value(HKEY root, const std::string &path, const char *name)
{
    RegValue v = { false, 0, 0, "" };
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return v;
    char buf[1024];
    DWORD size = sizeof(buf);
    if (RegQueryValueExA(key, name, NULL, &v.type, (BYTE *)buf, &size) == ERROR_SUCCESS) {
        v.found = true;
        v.size = size;
        v.data.assign(buf, size && buf[size - 1] == '\0' ? size - 1 : size);
    }
    RegCloseKey(key);
    return v;
}

inline std::string key_class(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char cls[64] = "";
    DWORD n = sizeof(cls);
    RegQueryInfoKeyA(key, cls, &n, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return cls;
}

inline void set_string(HKEY root, const std::string &path, const char *name, const std::string &value,
                       bool countZero = true)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS) {
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value.c_str(),
                       (DWORD)value.size() + (countZero ? 1 : 0));
        RegCloseKey(key);
    }
}

inline void delete_value(HKEY root, const std::string &path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

// Keeps a registry value as it was before the test and puts it back.
class SavedValue {
public:
    SavedValue(HKEY root, const std::string &path, const char *name)
        : m_root(root), m_path(path), m_name(name), m_old(reg_value(root, path, name)) {}
    ~SavedValue()
    {
        if (m_old.found)
            set_string(m_root, m_path, m_name.c_str(), m_old.data);
        else
            delete_value(m_root, m_path, m_name.c_str());
    }

private:
    HKEY m_root;
    std::string m_path;
    std::string m_name;
    RegValue m_old;
};

// Everything an installation may leave: files, keys, services, shortcuts.
inline void remove_installation()
{
    remove_tree("C:\\TAVIX");
    DeleteFileA((system_dir() + "\\Drivers\\tvi8042.sys").c_str());
    DeleteFileA((system_dir() + "\\Drivers\\tvsermou.sys").c_str());
    DeleteFileA((windows_dir() + "\\INF\\TAVMOUSE.INF").c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{4753B0A0-79BB-101B-AE4B-00AA00373B20}");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
                   "PropertySheetHandlers\\TAVMouse CPL");
    delete_value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Hyper Marvane");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane");
    delete_service("tvsermou");
    delete_service("TVI8042");
    remove_tree(kProgramsFixture);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDeviceInstanceKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEnumKey);   // only when left empty
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kClassKey);
}

} // namespace setuptest
