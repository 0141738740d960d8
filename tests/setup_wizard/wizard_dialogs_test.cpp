// setup's wizard dialogs in this process: what each window shows (caption,
// style, controls in order with their texts, ids, styles and places), the
// Welcome dialog's system menu and About box, the Install type dialog's
// choice, and how each dialog answers buttons and keys.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "modal_driver.h"
#include "unmanaged_windows.h"
#include "setup_app.h"
#include "setup_values.h"
#include "wizard_dlgs.h"

using modal::Driver;

namespace {

// The application object: the dialogs load their icons through it.
CSetupApp theApp;

enum Kind { kPush, kDefPush, kRadio, kText, kIcon };

struct Control {
    Kind kind;
    int id;
    const char *text;   // the icon resource number for kIcon
    int x, y, cx, cy;   // dialog units
    DWORD flags;        // WS_TABSTOP, WS_GROUP, SS_NOPREFIX that must be set; others must not
};

struct Template {
    const char *caption;
    int cx, cy;
    bool popup;
    bool appWindow;
    std::vector<Control> controls;
};

const DWORD TAB = WS_TABSTOP, GRP = WS_GROUP;

const Template kWelcome = {
    "Welcome", 247, 135, true, true, {
        { kDefPush, IDOK, "&NEXT >", 147, 114, 41, 14, TAB },
        { kPush, IDCANCEL, "Cancel", 199, 114, 41, 14, TAB },
        { kText, -1, "Welcome to the Tavix mouse Setup programs. This program", 39, 15, 191, 8, GRP },
        { kIcon, -1, "128", 12, 15, 21, 20, 0 },
        { kText, -1, "will install Tavix mouse and Hyper Marvane function on", 39, 27, 191, 8, GRP },
        { kText, -1, "It is strongly recommended that you exit all Windows programs", 24, 56, 199, 8, GRP },
        { kText, -1, "before running  this Setup program.", 24, 68, 199, 8, GRP },
        { kText, -1, "Click Cancel to quit Setup program. Click Next to continue with ", 24, 87, 199, 8, GRP },
        { kText, -1, "the Setup program.", 24, 99, 199, 8, GRP },
        { kText, -1, "your computer.", 39, 39, 191, 8, GRP },
    } };

const Template kInstallType = {
    "Select Installation Type", 199, 95, false, false, {
        { kDefPush, IDOK, "&Next", 115, 74, 34, 14, TAB },
        { kPush, IDCANCEL, "Cancel", 158, 74, 34, 14, TAB },
        // A checked radio button is its group's tab stop.
        { kRadio, 1001, "PS/2 Mouse Port", 27, 37, 90, 10, GRP | TAB },
        { kRadio, 1002, "Serial Mouse Port", 27, 54, 84, 10, 0 },
        { kText, -1, "Please select the mouse type that you want to install.", 14, 17, 169, 8, GRP },
        { kIcon, -1, "137", 143, 39, 21, 20, 0 },
    } };

const Template kExitSetup = {
    "Exit Setup", 220, 125, true, false, {
        { kText, 130, "Setup is not complete. If you quit the Setup program now,", 16, 13, 187, 8, GRP },
        { kText, -1, "the program will not be installed.", 16, 23, 187, 8, 0 },
        { kText, -1, "You may run the Setup program at a later time to complete ", 16, 43, 187, 8, GRP },
        { kText, -1, "the installation.", 16, 53, 187, 8, GRP },
        { kText, -1, "To continue installing the program, click Resume. To quit ", 16, 73, 187, 8, GRP },
        { kText, -1, "the Setup program, click Exit Setup.", 16, 83, 187, 8, GRP },
        { kPush, IDOK, "&Resume", 135, 103, 36, 15, TAB },
        { kPush, IDCANCEL, "E&xit Setup", 177, 103, 36, 15, TAB },
    } };

const Template kFinish = {
    "Install Finished", 190, 77, true, false, {
        { kDefPush, IDOK, "Yes", 106, 56, 35, 14, TAB },
        { kPush, IDCANCEL, "No", 148, 56, 35, 14, TAB },
        { kText, -1, "To finish setting up your new hardware, you must", 16, 15, 157, 10, GRP },
        { kText, -1, "reboot your computer.", 16, 25, 157, 10, GRP },
        { kText, -1, "Reboot Now?", 16, 41, 157, 10, GRP },
    } };

const Template kAbout = {
    "About Setup", 217, 49, true, false, {
        { kIcon, -1, "128", 11, 17, 18, 20, 0 },
        { kText, -1, "Setup Version 1.0", 40, 10, 119, 8, GRP | SS_NOPREFIX },
        { kText, -1, NULL, 40, 25, 119, 8, GRP },   // the maker's notice: any text
        { kDefPush, IDOK, "OK", 178, 7, 32, 14, GRP | TAB },
    } };

std::string kind_name(Kind k)
{
    static const char *names[] = { "push button", "default push button", "radio button", "text", "icon" };
    return names[k];
}

RECT dialog_rect(HWND dialog, int x, int y, int cx, int cy)
{
    RECT r = { x, y, x + cx, y + cy };
    MapDialogRect(dialog, &r);
    return r;
}

// What one control of the window is, in the terms of the table.
std::string describe_control(HWND dialog, HWND ctl, const Control &want)
{
    std::ostringstream out;
    char cls[32] = "";
    GetClassNameA(ctl, cls, sizeof(cls));
    LONG style = GetWindowLongA(ctl, GWL_STYLE);
    std::string kind = "?";
    if (lstrcmpiA(cls, "Button") == 0) {
        LONG type = style & BS_TYPEMASK;
        // The dialog manager moves the default look to the focused push
        // button; whether a button is the default is checked with DM_GETDEFID.
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            kind = want.kind == kDefPush ? kind_name(kDefPush) : kind_name(kPush);
        else if (type == BS_AUTORADIOBUTTON)
            kind = kind_name(kRadio);
    } else if (lstrcmpiA(cls, "Static") == 0) {
        LONG type = style & SS_TYPEMASK;
        if (type == SS_LEFT)
            kind = kind_name(kText);
        else if (type == SS_ICON)
            kind = kind_name(kIcon);
    }
    out << kind << " id " << (int)(short)GetDlgCtrlID(ctl);
    if (want.kind == kIcon) {
        HICON icon = (HICON)SendMessageA(ctl, STM_GETICON, 0, 0);
        HICON resource = theApp.LoadIcon(atoi(want.text));
        out << " icon " << (icon && icon == resource ? want.text : "other");
    } else if (want.text) {
        out << " \"" << modal::text_of(ctl) << "\"";
    }
    RECT r;
    GetWindowRect(ctl, &r);
    MapWindowPoints(NULL, dialog, (POINT *)&r, 2);
    RECT at = dialog_rect(dialog, want.x, want.y, 0, 0);
    RECT size = dialog_rect(dialog, 0, 0, want.cx, want.cy);
    out << " at " << (r.left == at.left && r.top == at.top ? "its place" : "another place");
    // Icon controls take the size of their icon.
    if (want.kind != kIcon)
        out << (r.right - r.left == size.right && r.bottom - r.top == size.bottom ? " its size" : " another size");
    DWORD flags = style & (WS_TABSTOP | WS_GROUP | (lstrcmpiA(cls, "Static") == 0 ? SS_NOPREFIX : 0));
    out << " flags " << std::hex << flags;
    return out.str();
}

std::string expected_control(const Control &c)
{
    std::ostringstream out;
    out << kind_name(c.kind) << " id " << c.id;
    if (c.kind == kIcon)
        out << " icon " << c.text;
    else if (c.text)
        out << " \"" << c.text << "\"";
    out << " at its place";
    if (c.kind != kIcon)
        out << " its size";
    out << " flags " << std::hex << c.flags;
    return out.str();
}

void expect_template(HWND dialog, const Template &t)
{
    ASSERT_TRUE(dialog != NULL) << t.caption;
    EXPECT_TRUE(IsWindowVisible(dialog)) << t.caption;
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    LONG exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
    EXPECT_EQ(t.popup, (style & WS_POPUP) != 0) << t.caption;
    EXPECT_EQ((LONG)(WS_CAPTION | WS_SYSMENU | DS_MODALFRAME), style & (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME))
        << t.caption;
    EXPECT_EQ(0, style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD)) << t.caption;
    EXPECT_EQ(t.appWindow, (exStyle & WS_EX_APPWINDOW) != 0) << t.caption;
    EXPECT_TRUE(GetMenu(dialog) == NULL) << t.caption;

    RECT client;
    GetClientRect(dialog, &client);
    RECT size = dialog_rect(dialog, 0, 0, t.cx, t.cy);
    EXPECT_EQ(size.right, client.right) << t.caption << " width";
    EXPECT_EQ(size.bottom, client.bottom) << t.caption << " height";

    LOGFONTA font = {};
    GetObjectA((HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0), sizeof(font), &font);
    EXPECT_STREQ("MS Sans Serif", font.lfFaceName) << t.caption;

    // Children in creation order, which is template and tab order.
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    ASSERT_EQ(t.controls.size(), children.size()) << t.caption;
    for (size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(expected_control(t.controls[i]), describe_control(dialog, children[i], t.controls[i]))
            << t.caption << ", control " << i;

    bool hasDefault = false;
    for (const Control &c : t.controls)
        hasDefault |= c.kind == kDefPush;
    if (hasDefault) {
        EXPECT_EQ(MAKELONG(IDOK, DC_HASDEFID), (LONG)SendMessageA(dialog, DM_GETDEFID, 0, 0)) << t.caption;
    }
}

// Closes a dialog from a test's action with Cancel, as its window's button.
void cancel(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
}

struct MenuItem {
    UINT id;
    bool separator;
    std::string text;
};

std::vector<MenuItem> menu_items(HMENU menu)
{
    std::vector<MenuItem> items;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        char text[128] = "";
        MENUITEMINFOA info = { sizeof(info) };
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        GetMenuItemInfoA(menu, i, TRUE, &info);
        items.push_back({ info.wID, (info.fType & MFT_SEPARATOR) != 0, text });
    }
    return items;
}

TEST(WizardDialogs, EachWindowShowsItsTemplate)
{
    struct Case {
        const Template *t;
        std::function<INT_PTR(std::function<void(HWND)>)> show;
    };
    CWelcomeDlg welcome;
    CInstallTypeDlg installType;
    CExitSetupDlg exitSetup;
    CFinishDlg finish;
    CAboutDlg about;
    const Case cases[] = {
        { &kWelcome, [&](std::function<void(HWND)> act) { return Driver::run(welcome, kWelcome.caption, act); } },
        { &kInstallType, [&](std::function<void(HWND)> act) { return Driver::run(installType, kInstallType.caption, act); } },
        { &kExitSetup, [&](std::function<void(HWND)> act) { return Driver::run(exitSetup, kExitSetup.caption, act); } },
        { &kFinish, [&](std::function<void(HWND)> act) { return Driver::run(finish, kFinish.caption, act); } },
        { &kAbout, [&](std::function<void(HWND)> act) { return Driver::run(about, kAbout.caption, act); } },
    };
    for (const Case &c : cases) {
        INT_PTR result = c.show([&](HWND dialog) {
            expect_template(dialog, *c.t);
            cancel(dialog);
        });
        EXPECT_EQ(IDCANCEL, result) << c.t->caption;
    }
}

TEST(WizardDialogs, WelcomeCarriesItsIconAndCharacterSet)
{
    CWelcomeDlg welcome;
    HICON icon = theApp.LoadIcon(IDR_MAINFRAME);
    ASSERT_TRUE(icon != NULL);
    INT_PTR result = Driver::run(welcome, "Welcome", [&](HWND dialog) {
        EXPECT_EQ(icon, (HICON)SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(icon, (HICON)SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ((LRESULT)icon, SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0));
        LOGFONTA font = {};
        GetObjectA((HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0), sizeof(font), &font);
        EXPECT_EQ(1, font.lfCharSet);
        EXPECT_EQ(FALSE, font.lfItalic);
        // Minimised, the dialog paints its icon itself.
        ShowWindow(dialog, SW_MINIMIZE);
        EXPECT_TRUE(IsIconic(dialog));
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        ShowWindow(dialog, SW_RESTORE);
        cancel(dialog);
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST(WizardDialogs, WelcomeSystemMenuEndsWithTheAboutEntryOnEveryOpening)
{
    CWelcomeDlg welcome;
    for (int opening = 1; opening <= 2; ++opening) {
        INT_PTR result = Driver::run(welcome, "Welcome", [&](HWND dialog) {
            std::vector<MenuItem> items = menu_items(GetSystemMenu(dialog, FALSE));
            ASSERT_GE(items.size(), 3u);
            size_t n = items.size();
            EXPECT_TRUE(items[n - 2].separator) << "opening " << opening;
            EXPECT_EQ((UINT)IDM_ABOUTBOX, items[n - 1].id) << "opening " << opening;
            EXPECT_EQ("&About Setup...", items[n - 1].text) << "opening " << opening;
            int abouts = 0;
            for (const MenuItem &m : items)
                abouts += m.id == IDM_ABOUTBOX;
            EXPECT_EQ(1, abouts) << "opening " << opening;
            cancel(dialog);
        });
        EXPECT_EQ(IDCANCEL, result);
    }
}

TEST(WizardDialogs, SystemCommandsOfTheWelcomeDialog)
{
    struct Case {
        WPARAM command;
        bool opensAbout;
    } cases[] = {
        { IDM_ABOUTBOX, true },
        { 0x0011, true },
        { 0x001F, true },
        { SC_CLOSE, false },
    };
    CWelcomeDlg welcome;
    for (const Case &c : cases) {
        HWND welcomeWindow = NULL;
        HWND aboutOwner = NULL;
        bool welcomeWaited = false, welcomeBack = false;
        std::vector<modal::Step> steps = { { "Welcome", [&](HWND dialog) {
            welcomeWindow = dialog;
            PostMessageA(dialog, WM_SYSCOMMAND, c.command, 0);
        } } };
        if (c.opensAbout) {
            steps.push_back({ "About Setup", [&](HWND about) {
                aboutOwner = GetWindow(about, GW_OWNER);
                welcomeWaited = !IsWindowEnabled(welcomeWindow);
                modal::click(about, IDOK);
            } });
            // Back at Welcome, which still waits for Next or Cancel.
            steps.push_back({ "Welcome", [&](HWND dialog) {
                welcomeBack = dialog == welcomeWindow && modal::find_window("About Setup") == NULL;
                cancel(dialog);
            } });
        }
        size_t played = 0;
        INT_PTR result = modal::Driver::run(welcome, steps, &played);
        EXPECT_EQ(IDCANCEL, result) << "command " << std::hex << c.command;
        EXPECT_EQ(steps.size(), played) << "command " << std::hex << c.command;
        if (c.opensAbout) {
            EXPECT_EQ(welcomeWindow, aboutOwner) << "the About box belongs to Welcome";
            EXPECT_TRUE(welcomeWaited) << "Welcome is disabled while the About box is up";
            EXPECT_TRUE(welcomeBack) << "command " << std::hex << c.command;
        }
    }
}

TEST(WizardDialogs, InstallTypeOpensOnPs2AndKeepsTheLastClick)
{
    struct Case {
        const char *name;
        std::vector<int> clicks;
        int button;           // IDOK or IDCANCEL to end
        int expectedType;
        int checked;          // radio button checked at the end
    } cases[] = {
        { "no click", {}, IDOK, 0, 1001 },
        { "serial", { 1002 }, IDOK, 1, 1002 },
        { "serial then PS/2", { 1002, 1001 }, IDOK, 0, 1001 },
        { "PS/2 again", { 1001 }, IDOK, 0, 1001 },
        { "serial twice", { 1002, 1002 }, IDOK, 1, 1002 },
        { "serial then cancel", { 1002 }, IDCANCEL, 1, 1002 },
    };
    CInstallTypeDlg dlg;
    for (const Case &c : cases) {
        InstallType = 1;   // as an earlier pass may have left it
        int openedType = -1;
        UINT openedPs2 = 0, openedSerial = 0, endChecked = 0;
        HWND focus = NULL, next = NULL;
        INT_PTR result = Driver::run(dlg, "Select Installation Type", [&](HWND dialog) {
            openedType = InstallType;
            openedPs2 = IsDlgButtonChecked(dialog, 1001);
            openedSerial = IsDlgButtonChecked(dialog, 1002);
            focus = GetFocus();
            next = GetDlgItem(dialog, IDOK);
            for (int id : c.clicks)
                modal::click(dialog, id);
            endChecked = IsDlgButtonChecked(dialog, c.checked);
            modal::click(dialog, c.button);
        });
        EXPECT_EQ(c.button, result) << c.name;
        EXPECT_EQ(0, openedType) << c.name;
        EXPECT_EQ((UINT)BST_CHECKED, openedPs2) << c.name;
        EXPECT_EQ((UINT)BST_UNCHECKED, openedSerial) << c.name;
        EXPECT_EQ(next, focus) << c.name << ": the focus starts on Next";
        EXPECT_EQ(c.expectedType, InstallType) << c.name;
        EXPECT_EQ((UINT)BST_CHECKED, endChecked) << c.name;
    }
    InstallType = 0;
}

TEST(WizardDialogs, ButtonsAndKeysEndEachDialog)
{
    enum Action { kClickOk, kClickCancel, kEnter, kEscape, kSysClose };
    struct Case {
        const char *caption;
        Action action;
        INT_PTR expected;
    } cases[] = {
        { "Welcome", kClickOk, IDOK },
        { "Welcome", kClickCancel, IDCANCEL },
        { "Welcome", kEnter, IDOK },
        { "Welcome", kEscape, IDCANCEL },
        { "Select Installation Type", kEnter, IDOK },
        { "Select Installation Type", kEscape, IDCANCEL },
        { "Select Installation Type", kSysClose, IDCANCEL },
        { "Exit Setup", kClickOk, IDOK },
        { "Exit Setup", kClickCancel, IDCANCEL },
        { "Exit Setup", kEnter, IDOK },
        { "Exit Setup", kEscape, IDCANCEL },
        { "Exit Setup", kSysClose, IDCANCEL },
        { "Install Finished", kClickOk, IDOK },
        { "Install Finished", kClickCancel, IDCANCEL },
        { "Install Finished", kEscape, IDCANCEL },
        { "Install Finished", kSysClose, IDCANCEL },
        { "About Setup", kClickOk, IDOK },
        { "About Setup", kEscape, IDCANCEL },
    };
    static const char *actionNames[] = { "OK button", "Cancel button", "Enter", "Esc", "system menu Close" };
    CWelcomeDlg welcome;
    CInstallTypeDlg installType;
    CExitSetupDlg exitSetup;
    CFinishDlg finish;
    CAboutDlg about;
    for (const Case &c : cases) {
        std::string caption = c.caption;
        auto act = [&](HWND dialog) {
            switch (c.action) {
            case kClickOk: modal::click(dialog, IDOK); break;
            case kClickCancel: modal::click(dialog, IDCANCEL); break;
            case kEnter: modal::press_key(VK_RETURN); break;
            case kEscape: modal::press_key(VK_ESCAPE); break;
            case kSysClose: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
            }
        };
        INT_PTR result;
        if (caption == "Welcome")
            result = Driver::run(welcome, c.caption, act);
        else if (caption == "Select Installation Type")
            result = Driver::run(installType, c.caption, act);
        else if (caption == "Exit Setup")
            result = Driver::run(exitSetup, c.caption, act);
        else if (caption == "Install Finished")
            result = Driver::run(finish, c.caption, act);
        else
            result = Driver::run(about, c.caption, act);
        EXPECT_EQ(c.expected, result) << c.caption << ", " << actionNames[c.action];
    }
}

TEST(WizardDialogs, ExitSetupOpensWithTheFocusOnResume)
{
    CExitSetupDlg exitSetup;
    HWND focus = NULL, resume = NULL;
    INT_PTR result = Driver::run(exitSetup, "Exit Setup", [&](HWND dialog) {
        focus = GetFocus();
        resume = GetDlgItem(dialog, IDOK);
        cancel(dialog);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(resume != NULL);
    EXPECT_EQ(resume, focus);
}

} // namespace

static int run_tests(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

int main(int argc, char **argv)
{
    return wizardtest::run_with_unmanaged_windows(run_tests, argc, argv);
}
