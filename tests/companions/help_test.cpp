// The help file under Wine: the settings page opens it with
// WinHelpA(..., HELP_FINDER, 0); the help viewer must open it and show the
// contents topic.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "wintest.h"

namespace {

const char kContentsTitle[] = "Hyper Marvane Help Contents";

struct Search {
    DWORD pid;
    std::string texts;
};

void collect_text(HWND hwnd, Search *s)
{
    char buf[8192] = "";
    DWORD_PTR n = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(buf), (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, &n);
    s->texts += buf;
    s->texts += "\n";
}

BOOL CALLBACK collect_child(HWND hwnd, LPARAM param)
{
    collect_text(hwnd, (Search *)param);
    return TRUE;
}

BOOL CALLBACK collect_viewer(HWND hwnd, LPARAM param)
{
    Search *s = (Search *)param;
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(cls, "MS_WINHELP") != 0)
        return TRUE;
    GetWindowThreadProcessId(hwnd, &s->pid);
    collect_text(hwnd, s);
    EnumChildWindows(hwnd, collect_child, param);
    return TRUE;
}

Search look_at_viewer()
{
    Search s = { 0, "" };
    EnumWindows(collect_viewer, (LPARAM)&s);
    return s;
}

TEST(HelpFile, ViewerOpensItAtTheContentsTopic)
{
    std::string path = wintest::module_dir() + "TMouse.hlp";
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;

    HWND owner = CreateWindowExA(0, "STATIC", "help owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_NE(owner, (HWND)NULL);
    EXPECT_TRUE(WinHelpA(owner, path.c_str(), HELP_FINDER, 0));

    Search s;
    bool shown = wintest::wait_for([&] {
        s = look_at_viewer();
        return s.texts.find(kContentsTitle) != std::string::npos;
    }, 20000);
    EXPECT_TRUE(shown) << "the viewer shows: " << s.texts;

    // Each control's topic is reachable by its map number.
    struct { DWORD id; const char *context; const char *title; } topics[] = {
        { 30, "where_cursor", "pressing the F10 key shows" },
        { 80, "uninstall", "Uninstall removes" },
        { 10, "button_lists", "Hyper-Marvane turns the button" },
        { 20, "left_hand", "to swap the primary and secondary" },
        { 70, "test_area", "Double-click the test area" },
    };
    for (const auto &t : topics) {
        WinHelpA(owner, path.c_str(), HELP_CONTEXT, t.id);
        bool jumped = wintest::wait_for([&] {
            s = look_at_viewer();
            return s.texts.find(t.title) != std::string::npos;
        }, 10000);
        EXPECT_TRUE(jumped) << t.context << ": the viewer shows: " << s.texts;
    }

    WinHelpA(owner, path.c_str(), HELP_QUIT, 0);
    if (s.pid) {
        HANDLE viewer = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, s.pid);
        if (viewer) {
            if (WaitForSingleObject(viewer, 5000) != WAIT_OBJECT_0)
                TerminateProcess(viewer, 0);
            CloseHandle(viewer);
        }
    }
    DestroyWindow(owner);
}

} // namespace
