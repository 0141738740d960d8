// Dialog template 201 as the resource compiler built it: the dialog's style,
// size, caption and font, and every control in template order with its id,
// class, style, position, size and text or image.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <string>

#include "dialog_template.h"
#include "resource.h"

namespace {

// One control as the page wants it.
struct Item {
    DWORD style;
    short x, y, cx, cy;
    int id;
    std::string window_class;  // "#128" style for predefined classes
    std::string text;          // "#103" for an image ordinal
};

const char kButton[] = "#128", kEdit[] = "#129", kStatic[] = "#130", kCombo[] = "#133";
const char kTrackbar[] = "msctls_trackbar32";

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kList = kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
const DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
const DWORD kLabel = kChild | SS_LEFT;
const DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kSlider = kChild | TBS_AUTOTICKS | WS_TABSTOP;

INT_PTR CALLBACK plain_dialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(ButtonsPageTemplate, MatchesThePageDescription)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDD_BUTTONS_PAGE), (LPCSTR)RT_DIALOG);
    ASSERT_TRUE(found != NULL);
    const void *data = LockResource(LoadResource(NULL, found));
    wintest::DialogTemplate d = wintest::parse_dialog_template(data);
    ASSERT_FALSE(d.extended) << "a DIALOG template, not DIALOGEX";

    EXPECT_EQ((DWORD)(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOIDLEMSG), d.style)
        << std::hex << d.style;
    EXPECT_EQ(263, d.cx);
    EXPECT_EQ(207, d.cy);
    EXPECT_EQ("TAVIX", d.caption);
    EXPECT_EQ(8, d.point_size);
    EXPECT_EQ("MS Sans Serif", d.face);

    const Item expected[] = {
        { kList, 176, 18, 75, 60, IDC_RIGHT_LIST, kCombo, "" },
        { kList, 100, 18, 75, 60, IDC_MIDDLE_LIST, kCombo, "" },
        { kList | WS_DISABLED, 24, 18, 75, 60, IDC_LEFT_LIST, kCombo, "" },
        { kCheck & ~WS_VISIBLE, 14, 78, 76, 10, IDC_THREE_BUTTON_MODE, kButton, "Three Button Mode" },
        { kCheck, 14, 94, 61, 10, IDC_LEFT_HAND_USER, kButton, "Left Hand User" },
        { kCheck, 172, 127, 70, 10, IDC_WHERE_IS_CURSOR, kButton, "Where is Cursor ?" },
        { kLabel, 181, 139, 60, 8, -1, kStatic, "(Press \"F10\" Key)" },
        { kPush, 182, 170, 50, 14, IDC_HELP_BUTTON, kButton, "Help" },
        { kSlider, 7, 123, 95, 13, IDC_SENSITIVITY, kTrackbar, "Slider1" },
        { kSlider, 7, 146, 95, 13, IDC_DOUBLE_CLICK_SPEED, kTrackbar, "Slider1" },
        { kSlider, 7, 169, 95, 13, IDC_ACCELERATION, kTrackbar, "Slider1" },
        { kLabel, 11, 115, 48, 8, -1, kStatic, "Sensitivity" },
        { kLabel, 11, 138, 78, 8, -1, kStatic, "Double Click Speed" },
        { kLabel, 11, 161, 63, 8, -1, kStatic, "Acceleration" },
        { kLabel, 103, 125, 18, 8, -1, kStatic, "Fast" },
        { kLabel, 103, 148, 18, 8, -1, kStatic, "Fast" },
        { kLabel, 103, 171, 19, 10, -1, kStatic, "Fast" },
        { kLabel | WS_DISABLED, 42, 7, 49, 8, IDC_LEFT_LABEL, kStatic, "Left Button" },
        { kLabel, 107, 7, 64, 8, IDC_MIDDLE_LABEL, kStatic, "Middle/Side Button" },
        { kLabel, 191, 7, 57, 8, IDC_RIGHT_LABEL, kStatic, "Right Button" },
        { kChild | SS_BITMAP, 90, 32, 117, 87, IDC_PICTURE, kStatic, "#103" },
        { kChild | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP | WS_DISABLED,
          124, 138, 38, 31, IDC_TEST_AREA, kEdit, "" },
        { kLabel, 126, 127, 35, 8, -1, kStatic, "Test Area" },
        { kChild | BS_GROUPBOX, 5, 0, 251, 189, -1, kButton, "" },
        { kChild | SS_ICON, 132, 143, 18, 20, IDC_TEST_ICON, kStatic, "#104" },
        { kPush, 182, 151, 50, 14, IDC_UNINSTALL, kButton, "Uninstall" },
        { kChild | SS_BITMAP | SS_RIGHTJUST | WS_TABSTOP, 12, 47, 75, 31, IDC_LOGO, kStatic, "#102" },
    };
    const size_t count = sizeof(expected) / sizeof(expected[0]);
    ASSERT_EQ(count, d.items.size());
    for (size_t i = 0; i < count; i++) {
        const Item &e = expected[i];
        const wintest::DialogItem &g = d.items[i];
        SCOPED_TRACE(testing::Message() << "control " << i << ", id " << e.id << " \"" << e.text << "\"");
        EXPECT_EQ(e.id, g.id);
        EXPECT_EQ(wintest::template_class_name(e.window_class), wintest::template_class_name(g.window_class));
        EXPECT_EQ(e.text, g.text);
        // WS_GROUP is the resource compiler's habit for some statements and
        // no part of the page.
        EXPECT_EQ(e.style, g.style & ~WS_GROUP)
            << std::hex << "expected 0x" << e.style << ", got 0x" << g.style;
        EXPECT_EQ(e.x, g.x);
        EXPECT_EQ(e.y, g.y);
        EXPECT_EQ(e.cx, g.cx);
        EXPECT_EQ(e.cy, g.cy);
    }
}

// The template makes a working page: every control exists with its images,
// and the hidden check box stays hidden.
TEST(ButtonsPageTemplate, CreatesEveryControl)
{
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    HWND page = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_BUTTONS_PAGE), NULL,
                                   plain_dialog, 0);
    ASSERT_TRUE(page != NULL) << GetLastError();
    int count = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        count++;
    EXPECT_EQ(27, count);
    EXPECT_TRUE(SendDlgItemMessageA(page, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0);
    EXPECT_TRUE(SendDlgItemMessageA(page, IDC_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0);
    EXPECT_TRUE(SendDlgItemMessageA(page, IDC_TEST_ICON, STM_GETICON, 0, 0) != 0);
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(page, IDC_THREE_BUTTON_MODE), GWL_STYLE) & WS_VISIBLE);
    char text[32];
    GetWindowTextA(page, text, sizeof(text));
    EXPECT_STREQ("TAVIX", text);
    DestroyWindow(page);
}

} // namespace
