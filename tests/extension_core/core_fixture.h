// What the core tests share: a page made from template 201 in the test
// process, with the core's loading and applying called on it directly, and
// readers for everything they touch: the Parameters keys, the shared block
// (through a view of its own), the system's button swap and double-click
// time, the page's lists, check boxes and trackbars.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "resource.h"
#include "simulated_drivers.h"
#include "tvntcpl.h"
#include "wintest.h"

namespace core {

// Offsets of the fields of the shared block, as the pointer helper sees them.
enum { kCenterOffset = 28, kMiddleOffset = 36, kSecondOffset = 40 };

const char *const kValueNames[6] = {
    "Button Swap", "Sensitivity", "Accelerator", "Middle Button", "Second Button", "Center",
};

// ---------------------------------------------------------------------------
// Registry

struct RegValue {
    bool exists = false;
    DWORD type = 0;
    std::vector<BYTE> data;

    // The value as the page stores it: a REG_DWORD of 4 bytes.
    bool is_dword() const { return exists && type == REG_DWORD && data.size() == 4; }
    DWORD dword() const
    {
        DWORD v = 0;
        if (data.size() >= 4)
            memcpy(&v, data.data(), 4);
        return v;
    }
};

inline RegValue read_value(const char *key_name, const char *name)
{
    RegValue v;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_QUERY_VALUE, &key))
        return v;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, NULL, &v.type, NULL, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        v.exists = RegQueryValueExA(key, name, NULL, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
        v.data.resize(size);
    }
    RegCloseKey(key);
    return v;
}

inline bool write_value(const char *key_name, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_SET_VALUE, &key))
        return false;
    LONG rc = RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

inline bool write_dword(const char *key_name, const char *name, DWORD value)
{
    return write_value(key_name, name, REG_DWORD, &value, sizeof(value));
}

inline void delete_value(const char *key_name, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_SET_VALUE, &key))
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

inline bool key_exists(const char *key_name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_READ, &key))
        return false;
    RegCloseKey(key);
    return true;
}

inline DWORD value_count(const char *key_name)
{
    HKEY key;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_READ, &key))
        return 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return count;
}

// The last time a value of the key was written, 100 ns units.
inline LONGLONG key_write_time(const char *key_name)
{
    HKEY key;
    FILETIME t = {};
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_READ, &key))
        return 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &t);
    RegCloseKey(key);
    return (LONGLONG)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime);
}

// The six settings of a Parameters key, in the page's reading order; a
// missing value or one of another shape reads as "-".
inline std::string describe_settings(const char *key_name)
{
    std::string text;
    for (const char *name : kValueNames) {
        RegValue v = read_value(key_name, name);
        text += std::string(name) + "=" + (v.is_dword() ? std::to_string(v.dword()) : "-") + " ";
    }
    return text;
}

// Writes the six settings, in the same order as describe_settings.
struct Settings {
    DWORD button_swap, sensitivity, accelerator, middle, second, center;
};

inline void store_settings(const char *key_name, const Settings &s)
{
    const DWORD values[6] = { s.button_swap, s.sensitivity, s.accelerator, s.middle, s.second, s.center };
    for (int i = 0; i < 6; i++)
        write_dword(key_name, kValueNames[i], values[i]);
}

inline std::string settings_text(const Settings &s)
{
    const DWORD values[6] = { s.button_swap, s.sensitivity, s.accelerator, s.middle, s.second, s.center };
    std::string text;
    for (int i = 0; i < 6; i++)
        text += std::string(kValueNames[i]) + "=" + std::to_string(values[i]) + " ";
    return text;
}

// ---------------------------------------------------------------------------
// Controls of the page

inline int selection(HWND page, int id)
{
    return (int)SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0);
}

// The text of the selected entry, "" when the list has no selection.
inline std::string selected_text(HWND page, int id)
{
    int index = selection(page, id);
    if (index < 0)
        return "";
    char text[64] = "";
    if (SendDlgItemMessageA(page, id, CB_GETLBTEXTLEN, index, 0) >= (LRESULT)sizeof(text))
        return "(too long)";
    SendDlgItemMessageA(page, id, CB_GETLBTEXT, index, (LPARAM)text);
    return text;
}

inline std::vector<std::string> list_items(HWND page, int id)
{
    std::vector<std::string> items;
    int count = (int)SendDlgItemMessageA(page, id, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        char text[64] = "";
        if (SendDlgItemMessageA(page, id, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof(text))
            SendDlgItemMessageA(page, id, CB_GETLBTEXT, i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}

inline bool enabled(HWND page, int id)
{
    return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}

inline bool checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

inline int trackbar_position(HWND page, int id)
{
    return (int)SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0);
}

inline void set_trackbar(HWND page, int id, int position)
{
    SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
}

inline void select_entry(HWND page, int id, int index)
{
    SendDlgItemMessageA(page, id, CB_SETCURSEL, (WPARAM)index, 0);
}

using simdrv::describe_records;

// ---------------------------------------------------------------------------
// The fixture: the block mapped as the module entry maps it, a view of our
// own on it, the page's process-wide state as at module load, and the
// system's button swap and double-click time put back after each test.

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES };
        InitCommonControlsEx(&controls);
        saved_swap_ = GetSystemMetrics(SM_SWAPBUTTON);
        saved_double_click_ = GetDoubleClickTime();
        ModuleInstance = GetModuleHandleA(NULL);
        ASSERT_TRUE(OpenSharedBlock()) << "error " << GetLastError();
        observer_mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, SHARED_BLOCK_NAME);
        ASSERT_TRUE(observer_mapping_ != NULL);
        observer_ = (BYTE *)MapViewOfFile(observer_mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
        ASSERT_TRUE(observer_ != NULL);
        reset_module_state();
    }

    void TearDown() override
    {
        destroy_page();
        CloseDriverLink();
        if (observer_)
            UnmapViewOfFile(observer_);
        if (observer_mapping_)
            CloseHandle(observer_mapping_);
        CloseSharedBlock();
        SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, saved_swap_, NULL, 0);
        SetDoubleClickTime(saved_double_click_);
        wintest::flush_events(0);
    }

    // PageState as a newly loaded module holds it.
    void reset_module_state()
    {
        CloseDriverLink();
        PageState.Link.SerialDevice = INVALID_HANDLE_VALUE;
        PageState.Link.Ps2Device = INVALID_HANDLE_VALUE;
        PageState.Link.SerialPresent = 0;
        PageState.Link.Ps2Present = 0;
        PageState.Sensitivity = 60;
        PageState.Accelerator = 1;
        PageState.DoubleClickTime = 500;
        PageState.ButtonSwap = 0;
    }

    static INT_PTR CALLBACK plain_dialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

    // A page from template 201, then loading as the page procedure runs it
    // at WM_INITDIALOG.
    HWND load_page()
    {
        destroy_page();
        page_ = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_BUTTONS_PAGE),
                                   NULL, plain_dialog, 0);
        EXPECT_TRUE(page_ != NULL) << "error " << GetLastError();
        if (page_)
            LoadPageSettings(page_);
        return page_;
    }

    void destroy_page()
    {
        if (page_)
            DestroyWindow(page_);
        page_ = NULL;
    }

    DWORD block(int offset) const
    {
        DWORD v;
        memcpy(&v, observer_ + offset, sizeof(v));
        return v;
    }
    void set_block(int offset, DWORD v) { memcpy(observer_ + offset, &v, sizeof(v)); }
    BYTE *block_bytes() const { return observer_; }

    bool system_swapped() const { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }

    HWND page_ = NULL;

private:
    int saved_swap_ = 0;
    UINT saved_double_click_ = 500;
    HANDLE observer_mapping_ = NULL;
    BYTE *observer_ = NULL;
};

} // namespace core
