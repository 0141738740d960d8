// The dialog templates, the string and the icons of setup.exe as the
// resource compiler built them into the program: each template's style,
// extended style, size, caption and font record, and every control in
// template order with its id, class, text or icon, position, size, style and
// extended style.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <sstream>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "wintest.h"

namespace {

using wintest::DialogItem;

std::string describe(const DialogItem &item, bool anyText)
{
    std::ostringstream out;
    out << "id " << item.id << " " << wintest::template_class_name(item.window_class) << " \""
        << (anyText ? "*" : item.text) << "\" at " << item.x << "," << item.y << " " << item.cx << "x" << item.cy
        << std::hex << " style 0x" << item.style << " ex 0x" << item.ex_style;
    return out.str();
}

const char kButton[] = "#128", kStatic[] = "#130", kProgress[] = "msctls_progress32";

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kDefPush = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
const DWORD kText = kChild | SS_LEFT | WS_GROUP;
const DWORD kIcon = kChild | SS_ICON;
const DWORD kFrame = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

struct Expected {
    int number;
    bool extended;
    DWORD style;
    DWORD ex_style;
    short cx, cy;
    const char *caption;
    std::vector<DialogItem> items;   // text "*" takes any text
    // The resource compiler's habit, no part of the window: masked out of
    // the control styles when the window's description does not name it.
    DWORD ignored_style;
};

const Expected kTemplates[] = {
    { 100, false, WS_POPUP | kFrame, 0, 217, 49, "About Setup", {
        { -1, kStatic, "#128", 11, 17, 18, 20, kIcon, 0 },
        { -1, kStatic, "Setup Version 1.0", 40, 10, 119, 8, kText | SS_NOPREFIX, 0 },
        { -1, kStatic, "*", 40, 25, 119, 8, kText, 0 },   // the maker's notice: any text
        { IDOK, kButton, "OK", 178, 7, 32, 14, kDefPush | WS_GROUP, 0 },
      }, 0 },
    { 102, true, WS_POPUP | WS_VISIBLE | kFrame, WS_EX_APPWINDOW, 247, 135, "Welcome", {
        { IDOK, kButton, "&NEXT >", 147, 114, 41, 14, kDefPush, 0 },
        { IDCANCEL, kButton, "Cancel", 199, 114, 41, 14, kPush, 0 },
        { -1, kStatic, "Welcome to the Tavix mouse Setup programs. This program", 39, 15, 191, 8, kText, 0 },
        { -1, kStatic, "#128", 12, 15, 21, 20, kIcon, 0 },
        { -1, kStatic, "will install Tavix mouse and Hyper Marvane function on", 39, 27, 191, 8, kText, 0 },
        { -1, kStatic, "It is strongly recommended that you exit all Windows programs", 24, 56, 199, 8, kText, 0 },
        { -1, kStatic, "before running  this Setup program.", 24, 68, 199, 8, kText, 0 },
        { -1, kStatic, "Click Cancel to quit Setup program. Click Next to continue with ", 24, 87, 199, 8, kText, 0 },
        { -1, kStatic, "the Setup program.", 24, 99, 199, 8, kText, 0 },
        { -1, kStatic, "your computer.", 39, 39, 191, 8, kText, 0 },
      }, 0 },
    { 130, false, WS_POPUP | kFrame, 0, 220, 125, "Exit Setup", {
        { 130, kStatic, "Setup is not complete. If you quit the Setup program now,", 16, 13, 187, 8, kText, 0 },
        { -1, kStatic, "the program will not be installed.", 16, 23, 187, 8, kChild | SS_LEFT, 0 },
        { -1, kStatic, "You may run the Setup program at a later time to complete ", 16, 43, 187, 8, kText, 0 },
        { -1, kStatic, "the installation.", 16, 53, 187, 8, kText, 0 },
        { -1, kStatic, "To continue installing the program, click Resume. To quit ", 16, 73, 187, 8, kText, 0 },
        { -1, kStatic, "the Setup program, click Exit Setup.", 16, 83, 187, 8, kText, 0 },
        { IDOK, kButton, "&Resume", 135, 103, 36, 15, kPush, 0 },
        { IDCANCEL, kButton, "E&xit Setup", 177, 103, 36, 15, kPush, 0 },
      }, 0 },
    // No pop-up style: an overlapped window.
    { 131, false, kFrame, 0, 199, 95, "Select Installation Type", {
        { IDOK, kButton, "&Next", 115, 74, 34, 14, kDefPush, 0 },
        { IDCANCEL, kButton, "Cancel", 158, 74, 34, 14, kPush, 0 },
        { 1001, kButton, "PS/2 Mouse Port", 27, 37, 90, 10, kChild | BS_AUTORADIOBUTTON | WS_GROUP, 0 },
        { 1002, kButton, "Serial Mouse Port", 27, 54, 84, 10, kChild | BS_AUTORADIOBUTTON, 0 },
        { -1, kStatic, "Please select the mouse type that you want to install.", 14, 17, 169, 8, kText, 0 },
        { -1, kStatic, "#137", 143, 39, 21, 20, kIcon, 0 },
      }, 0 },
    { 132, false, WS_POPUP | WS_VISIBLE | kFrame, 0, 269, 138, "Copy files", {
        { -1, kButton, "Current File", 13, 15, 240, 41, kChild | BS_GROUPBOX, 0 },
        { -1, kStatic, "From :", 29, 26, 20, 8, kChild | SS_RIGHT, 0 },
        { -1, kStatic, "To :", 29, 41, 20, 8, kChild | SS_RIGHT, 0 },
        { 1004, kStatic, "", 54, 26, 188, 8, kChild | SS_LEFT, 0 },
        { 1005, kStatic, "", 54, 41, 188, 8, kChild | SS_LEFT, 0 },
        { -1, kButton, "Progress Status", 13, 64, 240, 57, kChild | BS_GROUPBOX, 0 },
        { 1006, kProgress, "Progress1", 31, 84, 200, 12, kChild | WS_BORDER, WS_EX_TRANSPARENT },
        { 1009, kStatic, "", 120, 102, 23, 10, kChild | SS_LEFTNOWORDWRAP, 0 },
      }, WS_GROUP },
    { 136, false, WS_POPUP | kFrame, 0, 190, 77, "Install Finished", {
        { IDOK, kButton, "Yes", 106, 56, 35, 14, kDefPush, 0 },
        { IDCANCEL, kButton, "No", 148, 56, 35, 14, kPush, 0 },
        { -1, kStatic, "To finish setting up your new hardware, you must", 16, 15, 157, 10, kText, 0 },
        { -1, kStatic, "reboot your computer.", 16, 25, 157, 10, kText, 0 },
        { -1, kStatic, "Reboot Now?", 16, 41, 157, 10, kText, 0 },
      }, 0 },
};

// setup.exe beside this program, loaded as data only.
class SetupResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryExA((wintest::module_dir() + "setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(m_module != NULL) << "setup.exe: error " << GetLastError();
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    const void *resource(int number, LPCSTR type)
    {
        HRSRC found = FindResourceA(m_module, MAKEINTRESOURCEA(number), type);
        return found ? LockResource(LoadResource(m_module, found)) : NULL;
    }

    HMODULE m_module = NULL;
};

TEST_F(SetupResources, EveryTemplateHoldsItsWindowAndControls)
{
    for (const Expected &e : kTemplates) {
        SCOPED_TRACE(testing::Message() << "template " << e.number << " \"" << e.caption << "\"");
        const void *data = resource(e.number, (LPCSTR)RT_DIALOG);
        ASSERT_TRUE(data != NULL);
        wintest::DialogTemplate d = wintest::parse_dialog_template(data);
        EXPECT_EQ(e.extended, d.extended);
        EXPECT_EQ(e.style, d.style) << std::hex << "expected 0x" << e.style << ", got 0x" << d.style;
        EXPECT_EQ(e.ex_style, d.ex_style) << std::hex << "expected 0x" << e.ex_style << ", got 0x" << d.ex_style;
        EXPECT_EQ(e.cx, d.cx);
        EXPECT_EQ(e.cy, d.cy);
        EXPECT_EQ("", d.menu) << "no menu";
        EXPECT_EQ("", d.window_class) << "the default dialog class";
        EXPECT_EQ(e.caption, d.caption);
        EXPECT_EQ(8, d.point_size);
        EXPECT_EQ("MS Sans Serif", d.face);
        if (e.extended) {
            EXPECT_EQ(0, d.weight);
            EXPECT_EQ(0, d.italic);
            EXPECT_EQ(1, d.charset);
        }
        ASSERT_EQ(e.items.size(), d.items.size());
        for (size_t i = 0; i < d.items.size(); i++) {
            DialogItem got = d.items[i];
            got.style &= ~e.ignored_style;
            bool anyText = e.items[i].text == "*";
            EXPECT_EQ(describe(e.items[i], anyText), describe(got, anyText)) << "control " << i;
        }
    }
}

TEST_F(SetupResources, AboutMenuTextAndNoTitleString)
{
    char text[256] = "";
    EXPECT_LT(0, LoadStringA(m_module, 101, text, sizeof(text)));
    EXPECT_STREQ("&About Setup...", text);
    // Without a title string the framework names the program after its file.
    const UINT kAppTitleString = 0xE000;
    EXPECT_EQ(0, LoadStringA(m_module, kAppTitleString, text, sizeof(text))) << text;
}

TEST_F(SetupResources, IconsAreOneImageOf32By32In16Colours)
{
#pragma pack(push, 1)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
    struct Group {
        WORD reserved, type, count;
        GroupEntry entries[1];
    };
#pragma pack(pop)
    for (int number : { 128, 137 }) {
        const Group *g = (const Group *)resource(number, (LPCSTR)RT_GROUP_ICON);
        ASSERT_TRUE(g != NULL) << "icon " << number;
        ASSERT_EQ(1, g->count) << "icon " << number;
        EXPECT_EQ(32, g->entries[0].width) << "icon " << number;
        EXPECT_EQ(32, g->entries[0].height) << "icon " << number;
        EXPECT_EQ(16, g->entries[0].colours) << "icon " << number;
        EXPECT_EQ(4, g->entries[0].bits) << "icon " << number;
    }
}

} // namespace
