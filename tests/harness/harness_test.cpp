// The harness itself: windows need the Xvfb display, the registry is the
// test prefix's own, and a second process shares a named mapping.
#include <gtest/gtest.h>
#include <windows.h>
#include "harness_resource.h"
#include "wintest.h"

static INT_PTR CALLBACK empty_proc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

TEST(Harness, DialogFromTemplateShowsItsText)
{
    HWND dlg = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_HARNESS),
                                  NULL, empty_proc, 0);
    ASSERT_TRUE(dlg != NULL) << "error " << GetLastError();
    char text[64] = "";
    GetDlgItemTextA(dlg, IDC_HARNESS_TEXT, text, sizeof(text));
    EXPECT_STREQ("Read back from the template", text);
    char caption[32] = "";
    GetWindowTextA(dlg, caption, sizeof(caption));
    EXPECT_STREQ("Harness", caption);
    DestroyWindow(dlg);
}

TEST(Harness, RegistryRoundTrip)
{
    const char *path = "SOFTWARE\\TavixHarnessTest";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    DWORD written = 0x12345678;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Value", 0, REG_DWORD,
                                            (const BYTE *)&written, sizeof(written)));
    DWORD read = 0, type = 0, size = sizeof(read);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Value", NULL, &type, (BYTE *)&read, &size));
    EXPECT_EQ((DWORD)REG_DWORD, type);
    EXPECT_EQ(written, read);
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, path));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key));
}

TEST(Harness, NamedMappingSeenBySecondProcess)
{
    const char *name = "TAVIX_HARNESS_MAPPING";
    HANDLE map = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, 44, name);
    ASSERT_TRUE(map != NULL);
    DWORD *view = (DWORD *)MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0);
    ASSERT_TRUE(view != NULL);
    view[0] = 4242;
    long rc = wintest::run_process("\"" + wintest::module_dir() + "mapping_peer.exe\" " + name);
    EXPECT_EQ(4242, rc);
    UnmapViewOfFile(view);
    CloseHandle(map);
}
