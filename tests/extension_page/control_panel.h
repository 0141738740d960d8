// The Mouse control panel stand-in (mousecpl.exe) with TVNTCpl.dll
// registered as its property sheet handler, as a test drives it: the
// registration made for a scope, the control panel started as a process,
// its sheet and the Tavix page found, and what the windows show read back.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "pixels.h"
#include "wintest.h"

namespace cpl {

const char kClassId[] = "{4753B0A0-79BB-101B-AE4B-00AA00373B20}";
const char kServerKey[] = "CLSID\\{4753B0A0-79BB-101B-AE4B-00AA00373B20}\\InProcServer32";
const char kHandlerKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
    "PropertySheetHandlers\\TAVMouse CPL";
const char kBlockName[] = "TVPTR_SHARE_DATA";

enum { kApplyButton = 0x3021 };  // the sheet's Apply button

// Offsets of the shared settings block.
enum { kCenterOffset = 28, kMiddleOffset = 36, kSecondOffset = 40, kBlockSize = 44 };

inline std::string dll_path() { return wintest::module_dir() + "TVNTCpl.dll"; }

// ---------------------------------------------------------------------------
// Registry: a key made for a scope, together with the keys above it that did
// not exist. Values set on a key that existed before get their old data back.

class ScopedKey {
public:
    ScopedKey(HKEY root, const std::string &path) : root_(root)
    {
        size_t pos = 0;
        for (;;) {
            pos = path.find('\\', pos + 1);
            std::string prefix = path.substr(0, pos);
            HKEY key;
            DWORD disposition = 0;
            if (RegCreateKeyExA(root, prefix.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                                &disposition) != ERROR_SUCCESS)
                return;
            if (disposition == REG_CREATED_NEW_KEY && created_.empty())
                created_ = prefix;
            if (pos == std::string::npos) {
                key_ = key;
                return;
            }
            RegCloseKey(key);
        }
    }
    ~ScopedKey()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->existed)
                RegSetValueExA(key_, it->name.c_str(), 0, it->type, it->data.data(), (DWORD)it->data.size());
            else
                RegDeleteValueA(key_, it->name.c_str());
        }
        if (key_)
            RegCloseKey(key_);
        if (!created_.empty()) {
            RegDeleteTreeA(root_, created_.c_str());
            RegDeleteKeyA(root_, created_.c_str());
        }
    }
    ScopedKey(const ScopedKey &) = delete;
    ScopedKey &operator=(const ScopedKey &) = delete;

    bool ok() const { return key_ != NULL; }

    // Sets a value as raw bytes of the given type; its old state comes back
    // at the end of the scope.
    bool set(const char *name, DWORD type, const void *data, DWORD size)
    {
        Saved saved = { name, FALSE, 0, {} };
        DWORD old_size = 0;
        if (RegQueryValueExA(key_, name, NULL, &saved.type, NULL, &old_size) == ERROR_SUCCESS) {
            saved.existed = TRUE;
            saved.data.resize(old_size);
            RegQueryValueExA(key_, name, NULL, &saved.type, saved.data.data(), &old_size);
        }
        saved_.push_back(saved);
        return RegSetValueExA(key_, name, 0, type, (const BYTE *)data, size) == ERROR_SUCCESS;
    }
    // A string with its terminating zero counted, as setup writes them.
    bool set_string(const char *name, const std::string &value)
    {
        return set(name, REG_SZ, value.c_str(), (DWORD)value.size() + 1);
    }
    bool remove(const char *name)
    {
        Saved saved = { name, FALSE, 0, {} };
        DWORD old_size = 0;
        if (RegQueryValueExA(key_, name, NULL, &saved.type, NULL, &old_size) != ERROR_SUCCESS)
            return true;
        saved.existed = TRUE;
        saved.data.resize(old_size);
        RegQueryValueExA(key_, name, NULL, &saved.type, saved.data.data(), &old_size);
        saved_.push_back(saved);
        return RegDeleteValueA(key_, name) == ERROR_SUCCESS;
    }

private:
    struct Saved {
        std::string name;
        BOOL existed;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY root_;
    HKEY key_ = NULL;
    std::string created_;  // the uppermost key made here
    std::vector<Saved> saved_;
};

// TVNTCpl.dll of the build registered as setup registers it (with the
// path of the build instead of the install directory).
class ScopedRegistration {
public:
    ScopedRegistration() : server_(HKEY_CLASSES_ROOT, kServerKey), handler_(HKEY_LOCAL_MACHINE, kHandlerKey)
    {
        ok_ = server_.ok() && handler_.ok()
            && server_.set_string("", dll_path())
            && server_.set_string("ThreadingModel", "Apartment")
            && handler_.set_string("", kClassId);
    }
    bool ok() const { return ok_; }

private:
    ScopedKey server_;
    ScopedKey handler_;
    bool ok_ = false;
};

// ---------------------------------------------------------------------------
// The shared settings block, opened by the test as the pointer helper does.

class BlockView {
public:
    BlockView()
    {
        mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kBlockName);
        if (mapping_)
            view_ = (BYTE *)MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    }
    ~BlockView()
    {
        if (view_)
            UnmapViewOfFile(view_);
        if (mapping_)
            CloseHandle(mapping_);
    }
    BlockView(const BlockView &) = delete;
    BlockView &operator=(const BlockView &) = delete;

    bool ok() const { return view_ != NULL; }
    DWORD get(int offset) const { return *(volatile DWORD *)(view_ + offset); }
    void put(int offset, DWORD value) { *(volatile DWORD *)(view_ + offset) = value; }
    BYTE *bytes() { return view_; }

private:
    HANDLE mapping_ = NULL;
    BYTE *view_ = NULL;
};

// ---------------------------------------------------------------------------
// The control panel as a process.

class ControlPanel {
public:
    // Starts mousecpl.exe and waits until its sheet is shown and painted.
    ControlPanel()
    {
        ready_file_ = wintest::temp_file("cpl");
        std::string cmd = "\"" + wintest::module_dir() + "mousecpl.exe\" /ready \"" + ready_file_ + "\"";
        STARTUPINFOA si = { sizeof(si) };
        if (!CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &process_)) {
            error_ = "mousecpl.exe did not start, error " + std::to_string(GetLastError());
            return;
        }
        bool shown = wintest::wait_for([&] {
            return read_ready_file() || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
        }, 30000);
        if (!shown || !sheet_)
            error_ = "no Mouse Properties sheet within 30 s";
        else
            page_ = (HWND)SendMessageA(sheet_, PSM_INDEXTOHWND, 0, 0);
    }
    ~ControlPanel()
    {
        if (process_.hProcess) {
            if (running() && sheet_ && IsWindow(sheet_))
                PostMessageA(sheet_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
                TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        DeleteFileA(ready_file_.c_str());
    }
    ControlPanel(const ControlPanel &) = delete;
    ControlPanel &operator=(const ControlPanel &) = delete;

    bool ok() const { return sheet_ != NULL && page_ != NULL; }
    const std::string &error() const { return error_; }
    HWND sheet() const { return sheet_; }
    HWND page() const { return page_; }
    HWND item(int id) const { return GetDlgItem(page_, id); }
    DWORD process_id() const { return process_.dwProcessId; }
    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    // Waits for the control panel to end; its exit code, or -1.
    long wait_exit(DWORD timeout_ms = 20000)
    {
        DWORD code;
        if (WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0
            || !GetExitCodeProcess(process_.hProcess, &code))
            return -1;
        return (long)code;
    }

    // The sheet's change mark, as the user sees it: the Apply button.
    bool apply_enabled() const { return IsWindowEnabled(GetDlgItem(sheet_, kApplyButton)) != FALSE; }
    void mark_unchanged() const { SendMessageA(sheet_, PSM_UNCHANGED, (WPARAM)page_, 0); }
    // Presses a sheet button. A sheet that closes notices it only at its next
    // posted message, as it would after the user's click.
    void press(int button) const
    {
        SendMessageA(sheet_, PSM_PRESSBUTTON, button, 0);
        PostMessageA(sheet_, WM_NULL, 0, 0);
    }

    // Texts of the sheet's tabs, read through memory lent in its process.
    std::vector<std::string> tab_texts() const
    {
        std::vector<std::string> texts;
        HWND tabs = (HWND)SendMessageA(sheet_, PSM_GETTABCONTROL, 0, 0);
        HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                     FALSE, process_.dwProcessId);
        if (!tabs || !process)
            return texts;
        const SIZE_T text_size = 128;
        BYTE *remote = (BYTE *)VirtualAllocEx(process, NULL, sizeof(TCITEMA) + text_size,
                                              MEM_COMMIT, PAGE_READWRITE);
        int count = (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
        for (int i = 0; remote && i < count; ++i) {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = (char *)remote + sizeof(TCITEMA);
            item.cchTextMax = (int)text_size;
            char text[128] = "";
            SIZE_T n;
            WriteProcessMemory(process, remote, &item, sizeof(item), &n);
            WriteProcessMemory(process, remote + sizeof(TCITEMA), text, sizeof(text), &n);
            SendMessageA(tabs, TCM_GETITEMA, i, (LPARAM)remote);
            ReadProcessMemory(process, remote + sizeof(TCITEMA), text, sizeof(text), &n);
            text[sizeof(text) - 1] = '\0';
            texts.push_back(text);
        }
        if (remote)
            VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        CloseHandle(process);
        return texts;
    }

private:
    bool read_ready_file()
    {
        HANDLE file = CreateFileA(ready_file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        char text[32] = "";
        DWORD n = 0;
        ReadFile(file, text, sizeof(text) - 1, &n, NULL);
        CloseHandle(file);
        if (n == 0 || text[n - 1] != '\n')
            return false;
        sheet_ = (HWND)(ULONG_PTR)strtoul(text, NULL, 10);
        return sheet_ != NULL;
    }

    PROCESS_INFORMATION process_ = {};
    std::string ready_file_;
    std::string error_;
    HWND sheet_ = NULL;
    HWND page_ = NULL;
};

// ---------------------------------------------------------------------------
// What a window shows on the screen, as 0x00RRGGBB pixels row by row.

using wintest::Pixels;
using wintest::bitmap_pixels;

// The client area of a window as the screen shows it.
inline Pixels screen_pixels(HWND window)
{
    RECT rc;
    GetClientRect(window, &rc);
    POINT origin = { 0, 0 };
    ClientToScreen(window, &origin);
    HDC screen = GetDC(NULL);
    Pixels p = wintest::copy_pixels(screen, origin.x, origin.y, rc.right, rc.bottom);
    ReleaseDC(NULL, screen);
    return p;
}

// The module's resources, read without running its entry point.
class Resources {
public:
    Resources() { module_ = LoadLibraryExA(dll_path().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE); }
    ~Resources()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Resources(const Resources &) = delete;
    Resources &operator=(const Resources &) = delete;

    bool ok() const { return module_ != NULL; }

    Pixels bitmap(int id) const
    {
        HBITMAP bitmap = (HBITMAP)LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                             LR_CREATEDIBSECTION);
        Pixels p;
        if (bitmap) {
            p = bitmap_pixels(bitmap);
            DeleteObject(bitmap);
        }
        return p;
    }

    // An icon at the given size: its colours, and 1 where it lets the
    // background through.
    bool icon(int id, int cx, int cy, Pixels *colours, Pixels *mask) const
    {
        HICON icon = (HICON)LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_ICON, cx, cy, 0);
        if (!icon)
            return false;
        ICONINFO info;
        bool ok = GetIconInfo(icon, &info) != FALSE;
        if (ok) {
            *colours = bitmap_pixels(info.hbmColor);
            *mask = bitmap_pixels(info.hbmMask);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        DestroyIcon(icon);
        return ok && colours->width == cx && mask->width == cx;
    }

private:
    HMODULE module_ = NULL;
};

} // namespace cpl
