// The Tavix page in the Mouse control panel stand-in: it replaces the
// Buttons page, marks the sheet changed for exactly the user's changes,
// swaps the secondary function between the lists, enables the middle list
// in three-button mode, shows the pressed buttons and runs the test area.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>

#include "control_panel.h"
#include "wintest.h"

namespace {

enum {
    kPicture = 111,
    kMiddleList = 1000,
    kRightList = 1022,
    kLeftList = 1024,
    kThreeButtonMode = 1025,
    kLeftHandUser = 1026,
    kWhereIsCursor = 1027,
    kSensitivity = 1029,
    kDoubleClickSpeed = 1030,
    kAcceleration = 1031,
    kMiddleLabel = 1032,
    kRightLabel = 1033,
    kLeftLabel = 1034,
    kTestArea = 1035,
    kTestIcon = 1036,
    kLogo = 1038,
    kAnimalAtRest = 104,
    kAnimalStartled = 105,
    kFirstPicture = 103,
};

const DWORD kKeyColour = 0x0000FFFF;  // cyan, as 0x00RRGGBB

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registration_.ok()) << "registering " << cpl::dll_path();
        ASSERT_TRUE(resources_.ok()) << "reading the resources of " << cpl::dll_path();
        panel_.reset(new cpl::ControlPanel);
        ASSERT_TRUE(panel_->ok()) << panel_->error();
    }

    HWND item(int id) const { return panel_->item(id); }
    HWND page() const { return panel_->page(); }

    LRESULT selection(int id) const { return SendMessageA(item(id), CB_GETCURSEL, 0, 0); }
    void select(int id, LRESULT index) const { SendMessageA(item(id), CB_SETCURSEL, (WPARAM)index, 0); }
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    void click(int id) const { SendMessageA(item(id), BM_CLICK, 0, 0); }
    void command(int id, int code) const
    {
        SendMessageA(page(), WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)item(id));
    }

    // A point of the page, in its client coordinates, at a spot of a control
    // given in 1/100 of its window rectangle.
    POINT point_in(int id, int x_percent, int y_percent) const
    {
        RECT rc;
        GetWindowRect(item(id), &rc);
        POINT pt = { rc.left + (rc.right - rc.left) * x_percent / 100,
                     rc.top + (rc.bottom - rc.top) * y_percent / 100 };
        ScreenToClient(page(), &pt);
        return pt;
    }

    // Which picture control 111 shows: 103 + mask, or 0 when none of the
    // eight. Where a picture has the key colour the page shows through, so
    // only the other pixels count.
    int picture_shown(std::string *detail = NULL) const
    {
        cpl::Pixels shown = cpl::screen_pixels(item(kPicture));
        int best = 0;
        size_t best_misses = (size_t)-1;
        for (int id = kFirstPicture; id < kFirstPicture + 8; ++id) {
            cpl::Pixels want = resources_.bitmap(id);
            if (want.width != shown.width || want.height != shown.height) {
                if (detail)
                    *detail = "control is " + std::to_string(shown.width) + "x" + std::to_string(shown.height)
                        + ", bitmap " + std::to_string(want.width) + "x" + std::to_string(want.height);
                return 0;
            }
            size_t misses = 0;
            for (size_t i = 0; i < want.rgb.size(); ++i)
                if (want.rgb[i] != kKeyColour && want.rgb[i] != shown.rgb[i])
                    ++misses;
            if (misses < best_misses) {
                best_misses = misses;
                best = id;
            }
        }
        if (detail)
            *detail = "closest bitmap " + std::to_string(best) + " with " + std::to_string(best_misses)
                + " differing pixels";
        return best_misses == 0 ? best : 0;
    }

    // Waits until the picture of a button mask is on the screen.
    ::testing::AssertionResult shows_mask(int mask) const
    {
        std::string detail;
        if (wintest::wait_for([&] { return picture_shown(&detail) == kFirstPicture + mask; }, 5000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "expected bitmap " << kFirstPicture + mask << ", "
                                             << detail;
    }

    // Which icon the test area shows: 104, 105, or 0 when neither.
    int icon_shown() const
    {
        cpl::Pixels shown = cpl::screen_pixels(item(kTestIcon));
        for (int id : { kAnimalAtRest, kAnimalStartled }) {
            cpl::Pixels colours, mask;
            if (!resources_.icon(id, shown.width, shown.height, &colours, &mask))
                continue;
            size_t misses = 0;
            for (size_t i = 0; i < shown.rgb.size(); ++i)
                if (mask.rgb[i] == 0 && colours.rgb[i] != shown.rgb[i])
                    ++misses;
            if (misses == 0)
                return id;
        }
        return 0;
    }

    cpl::ScopedRegistration registration_;
    cpl::Resources resources_;
    std::unique_ptr<cpl::ControlPanel> panel_;
};

// ---------------------------------------------------------------------------

TEST(ControlPanelHost, WithoutHandlerShowsItsOwnPages)
{
    cpl::ControlPanel panel;
    ASSERT_TRUE(panel.ok()) << panel.error();
    std::vector<std::string> want = { "Buttons", "Pointers", "Motion" };
    EXPECT_EQ(want, panel.tab_texts());
    panel.press(PSBTN_CANCEL);
    EXPECT_EQ(0, panel.wait_exit());
}

TEST_F(PageTest, ReplacesTheButtonsPage)
{
    std::vector<std::string> want = { "TAVIX", "Pointers", "Motion" };
    EXPECT_EQ(want, panel_->tab_texts());
    // The page is the one of template 201.
    for (int id : { kPicture, kMiddleList, kRightList, kLeftList, kTestArea, kTestIcon, kLogo })
        EXPECT_TRUE(item(id) != NULL) << "control " << id;
    EXPECT_FALSE(IsWindowVisible(item(kThreeButtonMode)));
    EXPECT_FALSE(panel_->apply_enabled()) << "a sheet just opened has nothing to apply";
}

// List notifications mark the sheet changed only when the list's selection
// differs from what the shared block holds, whatever the notification.
TEST_F(PageTest, ListNotificationsMarkChangedOnlyForADifferentSelection)
{
    cpl::BlockView block;
    ASSERT_TRUE(block.ok());
    struct Case {
        int list;
        int offset;     // block field the list is compared with
        DWORD stored;   // value put into the block
        int selection;  // -1: none
        int code;
        bool changed;
    } cases[] = {
        { kMiddleList, cpl::kMiddleOffset, 3, 3, CBN_SELCHANGE, false },
        { kMiddleList, cpl::kMiddleOffset, 3, 4, CBN_SELCHANGE, true },
        { kMiddleList, cpl::kMiddleOffset, 3, 3, CBN_DROPDOWN, false },
        { kMiddleList, cpl::kMiddleOffset, 3, 3, CBN_CLOSEUP, false },
        { kMiddleList, cpl::kMiddleOffset, 3, 5, CBN_SETFOCUS, true },
        { kMiddleList, cpl::kMiddleOffset, 20, -1, CBN_SETFOCUS, true },
        { kMiddleList, cpl::kMiddleOffset, 255, -1, CBN_KILLFOCUS, true },
        { kRightList, cpl::kSecondOffset, 2, 2, CBN_SELCHANGE, false },
        { kRightList, cpl::kSecondOffset, 2, 0, CBN_SELCHANGE, true },
        { kRightList, cpl::kSecondOffset, 0, 0, CBN_SETFOCUS, false },
        { kRightList, cpl::kSecondOffset, 9, 10, CBN_DROPDOWN, true },
        { kLeftList, cpl::kSecondOffset, 6, 6, CBN_KILLFOCUS, false },
        { kLeftList, cpl::kSecondOffset, 6, 7, CBN_SELCHANGE, true },
        // The middle list is not compared with the secondary field.
        { kMiddleList, cpl::kSecondOffset, 4, 4, CBN_SELCHANGE, true },
    };
    for (const Case &c : cases) {
        // Keep the other field away from the selection.
        block.put(cpl::kMiddleOffset, 100);
        block.put(cpl::kSecondOffset, 100);
        block.put(c.offset, c.stored);
        select(c.list, c.selection);
        ASSERT_EQ(c.selection, selection(c.list)) << "list " << c.list << " holds 11 entries";
        panel_->mark_unchanged();
        ASSERT_FALSE(panel_->apply_enabled());
        command(c.list, c.code);
        EXPECT_EQ(c.changed, panel_->apply_enabled())
            << "list " << c.list << ", notification " << c.code << ", selection " << c.selection
            << ", block value " << c.stored;
    }
}

TEST_F(PageTest, CheckBoxesMarkChanged)
{
    for (int id : { kLeftHandUser, kWhereIsCursor, kThreeButtonMode, kLeftHandUser, kWhereIsCursor }) {
        panel_->mark_unchanged();
        ASSERT_FALSE(panel_->apply_enabled());
        int before = (int)SendMessageA(item(id), BM_GETCHECK, 0, 0);
        click(id);
        EXPECT_NE(before, (int)SendMessageA(item(id), BM_GETCHECK, 0, 0)) << "check box " << id;
        EXPECT_TRUE(panel_->apply_enabled()) << "check box " << id;
    }
}

// Every scroll notification of every trackbar marks the sheet changed, even
// the end of a drag that moved nothing.
TEST_F(PageTest, EveryTrackbarScrollMarksChanged)
{
    const int codes[] = { TB_LINEUP, TB_LINEDOWN, TB_PAGEUP, TB_PAGEDOWN, TB_THUMBPOSITION,
                          TB_THUMBTRACK, TB_TOP, TB_BOTTOM, TB_ENDTRACK };
    for (int id : { kSensitivity, kDoubleClickSpeed, kAcceleration }) {
        HWND trackbar = item(id);
        int position = (int)SendMessageA(trackbar, TBM_GETPOS, 0, 0);
        for (int code : codes) {
            panel_->mark_unchanged();
            ASSERT_FALSE(panel_->apply_enabled());
            SendMessageA(page(), WM_HSCROLL, MAKEWPARAM(code, position), (LPARAM)trackbar);
            EXPECT_TRUE(panel_->apply_enabled()) << "trackbar " << id << ", scroll code " << code;
        }
        // A key press on the trackbar itself, as the user moves it.
        panel_->mark_unchanged();
        SendMessageA(trackbar, WM_KEYDOWN, VK_LEFT, 0);
        SendMessageA(trackbar, WM_KEYUP, VK_LEFT, 0);
        EXPECT_TRUE(panel_->apply_enabled()) << "trackbar " << id << ", key press";
    }
}

// What is no change of a setting leaves the sheet unchanged.
TEST_F(PageTest, OtherMessagesLeaveTheSheetUnchanged)
{
    POINT at = point_in(kPicture, 50, 50);
    struct Case {
        const char *what;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        { "command of an unknown control", WM_COMMAND, MAKEWPARAM(4242, BN_CLICKED) },
        { "command of a static text", WM_COMMAND, MAKEWPARAM(kMiddleLabel, STN_CLICKED) },
        { "button press over the picture", WM_LBUTTONDOWN, MK_LBUTTON },
        { "button release over the picture", WM_LBUTTONUP, 0 },
        { "vertical scroll", WM_VSCROLL, SB_LINEDOWN },
    };
    for (const Case &c : cases) {
        panel_->mark_unchanged();
        SendMessageA(page(), c.message, c.wParam, c.message == WM_COMMAND ? 0 : MAKELPARAM(at.x, at.y));
        EXPECT_FALSE(panel_->apply_enabled()) << c.what;
    }
}

// In left-hand mode the secondary function belongs to the left list; the
// list it leaves falls back to "(Unassigned)" and is disabled with its label.
TEST_F(PageTest, LeftHandUserMovesTheSecondaryFunction)
{
    struct State {
        LRESULT left, right;
        bool left_enabled, right_enabled;
    };
    auto state = [&] {
        return State{ selection(kLeftList), selection(kRightList), enabled(kLeftList), enabled(kRightList) };
    };
    auto expect_state = [&](const char *when, State want) {
        State got = state();
        EXPECT_EQ(want.left, got.left) << when << ": left list selection";
        EXPECT_EQ(want.right, got.right) << when << ": right list selection";
        EXPECT_EQ(want.left_enabled, got.left_enabled) << when << ": left list enabled";
        EXPECT_EQ(want.left_enabled, enabled(kLeftLabel)) << when << ": \"Left Button\" enabled";
        EXPECT_EQ(want.right_enabled, got.right_enabled) << when << ": right list enabled";
        EXPECT_EQ(want.right_enabled, enabled(kRightLabel)) << when << ": \"Right Button\" enabled";
    };

    ASSERT_EQ(BST_UNCHECKED, (int)SendMessageA(item(kLeftHandUser), BM_GETCHECK, 0, 0));
    select(kRightList, 5);
    click(kLeftHandUser);
    expect_state("checked with the right list on 5", { 5, 0, true, false });
    click(kLeftHandUser);
    expect_state("unchecked again", { 0, 5, false, true });

    // A list without a selection passes that on.
    select(kRightList, -1);
    click(kLeftHandUser);
    expect_state("checked with no selection in the right list", { -1, 0, true, false });
    select(kLeftList, 8);
    click(kLeftHandUser);
    expect_state("unchecked with the left list on 8", { 0, 8, false, true });
}

TEST_F(PageTest, ThreeButtonModeEnablesTheMiddleList)
{
    const struct {
        int check;
        bool middle_enabled;
    } steps[] = {
        { BST_CHECKED, true },
        { BST_UNCHECKED, false },
        { BST_CHECKED, true },
    };
    for (const auto &step : steps) {
        panel_->mark_unchanged();
        click(kThreeButtonMode);
        ASSERT_EQ(step.check, (int)SendMessageA(item(kThreeButtonMode), BM_GETCHECK, 0, 0));
        EXPECT_EQ(step.middle_enabled, enabled(kMiddleList)) << "check state " << step.check;
        EXPECT_EQ(step.middle_enabled, enabled(kMiddleLabel)) << "check state " << step.check;
        EXPECT_TRUE(panel_->apply_enabled());
    }
}

// Only a left double-click inside the test box (its window rectangle, left
// and top edges inside, right and bottom outside) startles the animal, and
// the next one calms it again.
TEST_F(PageTest, TestAreaTogglesOnlyForLeftDoubleClickInside)
{
    ASSERT_TRUE(wintest::wait_for([&] { return icon_shown() == kAnimalAtRest; }, 5000))
        << "the template shows the animal at rest";
    RECT box;
    GetWindowRect(item(kTestArea), &box);
    POINT origin = { 0, 0 };
    ClientToScreen(page(), &origin);
    auto at = [&](LONG x, LONG y) { return POINT{ x - origin.x, y - origin.y }; };
    LONG cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    struct Case {
        const char *what;
        UINT message;
        POINT point;
        bool toggles;
    } cases[] = {
        { "left double-click in the middle", WM_LBUTTONDBLCLK, at(cx, cy), true },
        { "right double-click in the middle", WM_RBUTTONDBLCLK, at(cx, cy), false },
        { "middle double-click in the middle", WM_MBUTTONDBLCLK, at(cx, cy), false },
        { "left press in the middle", WM_LBUTTONDOWN, at(cx, cy), false },
        { "left double-click on the top left corner", WM_LBUTTONDBLCLK, at(box.left, box.top), true },
        { "left double-click on the right edge", WM_LBUTTONDBLCLK, at(box.right, cy), false },
        { "left double-click on the bottom edge", WM_LBUTTONDBLCLK, at(cx, box.bottom), false },
        { "left double-click over the picture", WM_LBUTTONDBLCLK, point_in(kPicture, 50, 50), false },
        { "left double-click on the bottom right pixel", WM_LBUTTONDBLCLK, at(box.right - 1, box.bottom - 1), true },
    };
    int shown = kAnimalAtRest;
    for (const Case &c : cases) {
        HICON before = (HICON)SendMessageA(item(kTestIcon), STM_GETICON, 0, 0);
        SendMessageA(page(), c.message, c.message == WM_LBUTTONDBLCLK ? MK_LBUTTON : 0,
                     MAKELPARAM(c.point.x, c.point.y));
        HICON after = (HICON)SendMessageA(item(kTestIcon), STM_GETICON, 0, 0);
        if (c.toggles)
            shown = shown == kAnimalAtRest ? kAnimalStartled : kAnimalAtRest;
        EXPECT_EQ(c.toggles, before != after) << c.what;
        EXPECT_TRUE(wintest::wait_for([&] { return icon_shown() == shown; }, 5000))
            << c.what << ": expected icon " << shown << ", the screen shows " << icon_shown();
    }
}

// The button mask of each mouse message: the button the message names is
// on for a press or double-click and off for a release; the others follow
// the key-state flags. Consecutive rows differ, so each row shows a change.
TEST_F(PageTest, EachMouseMessageShowsItsButtonMask)
{
    ASSERT_TRUE(shows_mask(0)) << "after the first paint";
    POINT at = point_in(kPicture, 50, 50);
    struct Case {
        UINT message;
        WPARAM keys;
        int mask;
    } cases[] = {
        { WM_LBUTTONDOWN, MK_LBUTTON, 1 },
        { WM_LBUTTONDOWN, MK_LBUTTON | MK_MBUTTON, 3 },
        { WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 5 },
        { WM_LBUTTONDOWN, MK_LBUTTON | MK_MBUTTON | MK_RBUTTON, 7 },
        { WM_LBUTTONDOWN, 0, 1 },  // the named button counts even without its flag
        { WM_LBUTTONUP, MK_MBUTTON | MK_RBUTTON, 6 },
        { WM_LBUTTONUP, MK_LBUTTON, 0 },  // and is off on release, whatever the flags say
        { WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT | MK_CONTROL, 1 },
        { WM_LBUTTONUP, MK_RBUTTON, 4 },
        { WM_LBUTTONDBLCLK, MK_MBUTTON, 3 },
        { WM_RBUTTONDOWN, MK_RBUTTON, 4 },
        { WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 5 },
        { WM_RBUTTONDBLCLK, MK_MBUTTON, 6 },
        { WM_RBUTTONUP, MK_LBUTTON | MK_RBUTTON, 1 },
        { WM_RBUTTONUP, MK_MBUTTON, 2 },
        { WM_RBUTTONUP, 0, 0 },
        { WM_RBUTTONDBLCLK, MK_LBUTTON | MK_MBUTTON | MK_RBUTTON, 7 },
        { WM_MBUTTONDOWN, 0, 2 },
        { WM_MBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 7 },
        { WM_MBUTTONUP, MK_LBUTTON | MK_MBUTTON, 1 },
        { WM_MBUTTONDBLCLK, MK_RBUTTON, 6 },
        { WM_MBUTTONUP, MK_RBUTTON | MK_SHIFT, 4 },
        { WM_MBUTTONDBLCLK, MK_LBUTTON, 3 },
        { WM_MBUTTONUP, 0, 0 },
    };
    int previous = 0;
    for (const Case &c : cases) {
        ASSERT_NE(previous, c.mask) << "table: a row must change the picture";
        previous = c.mask;
        SendMessageA(page(), c.message, c.keys, MAKELPARAM(at.x, at.y));
        EXPECT_TRUE(shows_mask(c.mask)) << "message 0x" << std::hex << c.message << ", keys 0x" << c.keys;
    }
}

// The user's own presses, over the picture: the static controls pass them
// to the page. Right pressed while holding left, then left released, then
// right released.
TEST_F(PageTest, RealButtonPressesOverThePicture)
{
    ASSERT_TRUE(shows_mask(0));
    RECT rc;
    GetWindowRect(item(kPicture), &rc);
    ASSERT_TRUE(SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
    struct Case {
        DWORD flags;
        int mask;
    } cases[] = {
        { MOUSEEVENTF_LEFTDOWN, 1 },
        { MOUSEEVENTF_RIGHTDOWN, 5 },
        { MOUSEEVENTF_LEFTUP, 4 },
        { MOUSEEVENTF_MIDDLEDOWN, 6 },
        { MOUSEEVENTF_RIGHTUP, 2 },
        { MOUSEEVENTF_MIDDLEUP, 0 },
    };
    for (const Case &c : cases) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = c.flags;
        ASSERT_EQ(1u, SendInput(1, &input, sizeof(input)));
        EXPECT_TRUE(shows_mask(c.mask)) << "mouse event 0x" << std::hex << c.flags;
    }
}

// A real double-click on the test box reaches the page through the
// disabled box and startles the animal.
TEST_F(PageTest, RealDoubleClickOnTheTestArea)
{
    ASSERT_TRUE(wintest::wait_for([&] { return icon_shown() == kAnimalAtRest; }, 5000));
    RECT rc;
    GetWindowRect(item(kTestArea), &rc);
    ASSERT_TRUE(SetCursorPos((rc.left + rc.right) / 2, rc.top + 3));
    INPUT clicks[4] = {};
    const DWORD flags[4] = { MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP };
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = flags[i];
    }
    ASSERT_EQ(4u, SendInput(4, clicks, sizeof(INPUT)));
    EXPECT_TRUE(wintest::wait_for([&] { return icon_shown() == kAnimalStartled; }, 5000))
        << "the screen shows icon " << icon_shown();
    EXPECT_TRUE(shows_mask(0)) << "the last message was a release";
}

} // namespace
