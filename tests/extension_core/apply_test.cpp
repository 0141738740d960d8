// Page applying against the simulated drivers: what the shared block, the
// system, each driver and each Parameters key hold afterwards, and in which
// order the drivers are served.
#include "core_fixture.h"

namespace {

using namespace core;

const char *const kSerialKey = simdrv::kSerial.parameters_key;
const char *const kPs2Key = simdrv::kPs2.parameters_key;

class ApplyingTest : public CoreTest {};

// Both drivers answered at loading: each gets its two requests and its six
// values, the serial driver completely before the PS/2 driver.
TEST_F(ApplyingTest, BothDriversServedSerialFirst)
{
    simdrv::ScopedDriver serial(simdrv::kSerial, 3);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedDriver ps2(simdrv::kPs2, 5);
    ASSERT_TRUE(ps2.installed()) << ps2.error();
    simdrv::ScopedParameters serial_key(simdrv::kSerial), ps2_key(simdrv::kPs2);
    ASSERT_TRUE(serial_key.ok() && ps2_key.ok());
    store_settings(kSerialKey, { 0, 60, 1, 1, 0, 0 });
    store_settings(kPs2Key, { 1, 90, 3, 2, 2, 1 });

    HWND page = load_page();
    ASSERT_TRUE(page);
    select_entry(page, IDC_MIDDLE_LIST, 5);
    select_entry(page, IDC_RIGHT_LIST, 3);
    CheckDlgButton(page, IDC_WHERE_IS_CURSOR, BST_CHECKED);
    set_trackbar(page, IDC_SENSITIVITY, 20);
    set_trackbar(page, IDC_ACCELERATION, 2);
    set_trackbar(page, IDC_DOUBLE_CLICK_SPEED, 100);
    simdrv::clear_records(simdrv::kSerial);
    simdrv::clear_records(simdrv::kPs2);

    ApplyPageSettings(page);

    EXPECT_EQ(1u, block(kCenterOffset));
    EXPECT_EQ(5u, block(kMiddleOffset));
    EXPECT_EQ(3u, block(kSecondOffset));
    EXPECT_FALSE(system_swapped());
    EXPECT_EQ(900u, GetDoubleClickTime());

    const Settings applied = { 0, 200, 2, 5, 3, 1 };
    for (const simdrv::Port *port : { &simdrv::kSerial, &simdrv::kPs2 }) {
        SCOPED_TRACE(port->service);
        std::vector<simdrv::Record> got = simdrv::records(*port);
        ASSERT_EQ(2u, got.size()) << describe_records(got);
        EXPECT_EQ(port->set_accelerator, got[0].code);
        EXPECT_EQ(2, got[0].value);
        EXPECT_EQ(port->set_sensitivity, got[1].code);
        BYTE bytes[2];
        memcpy(bytes, &got[1].value, 2);
        EXPECT_EQ(0xC8, bytes[0]);
        EXPECT_EQ(0x00, bytes[1]);
        EXPECT_EQ(settings_text(applied), describe_settings(port->parameters_key));
        EXPECT_EQ(6u, value_count(port->parameters_key));
        // The links stay open for later applies.
        EXPECT_TRUE(simdrv::wait_open_handles(*port, 1)) << simdrv::open_handles(*port);
    }

    // Requests first, then the key, serial before PS/2.
    std::vector<simdrv::Record> s = simdrv::records(simdrv::kSerial);
    std::vector<simdrv::Record> p = simdrv::records(simdrv::kPs2);
    ASSERT_EQ(2u, s.size());
    ASSERT_EQ(2u, p.size());
    LONGLONG serial_key_time = key_write_time(kSerialKey);
    LONGLONG ps2_key_time = key_write_time(kPs2Key);
    EXPECT_LE(s[0].time, s[1].time);
    EXPECT_LE(s[1].time, serial_key_time);
    EXPECT_LE(serial_key_time, p[0].time);
    EXPECT_LE(p[0].time, p[1].time);
    EXPECT_LE(p[1].time, ps2_key_time);
}

// Each control reaches its destination; one serial driver answers.
TEST_F(ApplyingTest, ControlsReachBlockSystemDriverAndKey)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());

    struct Case {
        const char *what;
        DWORD buttons;
        bool left_hand;
        int left, middle, right;   // list selections, -1 none
        bool center;
        int sensitivity, accelerator, double_click;  // trackbar positions
        // expected
        Settings stored;
        UINT double_click_ms;
    } const cases[] = {
        { "sensitivity 20, double-click 100", 3, false, 0, 1, 0, false, 20, 1, 100,
          { 0, 200, 1, 1, 0, 0 }, 900 },
        { "sensitivity 1, acceleration 0, double-click 900", 3, false, 0, 2, 4, true, 1, 0, 900,
          { 0, 10, 0, 2, 4, 1 }, 100 },
        { "left-hand user", 3, true, 7, 3, 4, false, 12, 3, 500,
          { 1, 120, 3, 3, 7, 0 }, 500 },
        { "two-button mouse", 2, false, 0, -2, 6, false, 6, 1, 300,
          { 0, 60, 1, 0, 6, 0 }, 700 },
        { "lists without a selection", 3, false, 0, -1, -1, false, 6, 1, 500,
          { 0, 60, 1, 255, 255, 0 }, 500 },
        { "left list without a selection", 3, true, -1, 10, 2, true, 6, 1, 500,
          { 1, 60, 1, 10, 255, 1 }, 500 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        reset_module_state();
        ASSERT_TRUE(simdrv::set_buttons(simdrv::kSerial, c.buttons));
        store_settings(kSerialKey, { 0, 60, 1, 1, 0, 0 });
        HWND page = load_page();
        ASSERT_TRUE(page);
        if (c.middle != -2)   // -2: as loading left it
            select_entry(page, IDC_MIDDLE_LIST, c.middle);
        select_entry(page, IDC_LEFT_LIST, c.left);
        select_entry(page, IDC_RIGHT_LIST, c.right);
        CheckDlgButton(page, IDC_LEFT_HAND_USER, c.left_hand ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(page, IDC_WHERE_IS_CURSOR, c.center ? BST_CHECKED : BST_UNCHECKED);
        set_trackbar(page, IDC_SENSITIVITY, c.sensitivity);
        set_trackbar(page, IDC_ACCELERATION, c.accelerator);
        set_trackbar(page, IDC_DOUBLE_CLICK_SPEED, c.double_click);
        simdrv::clear_records(simdrv::kSerial);

        ApplyPageSettings(page);

        EXPECT_EQ(settings_text(c.stored), describe_settings(kSerialKey));
        EXPECT_EQ(c.stored.middle, block(kMiddleOffset));
        EXPECT_EQ(c.stored.second, block(kSecondOffset));
        EXPECT_EQ(c.stored.center, block(kCenterOffset));
        EXPECT_EQ(c.left_hand, system_swapped());
        EXPECT_EQ(c.double_click_ms, GetDoubleClickTime());
        EXPECT_EQ(c.double_click_ms, PageState.DoubleClickTime);
        std::vector<simdrv::Record> got = simdrv::records(simdrv::kSerial);
        ASSERT_EQ(2u, got.size()) << describe_records(got);
        EXPECT_EQ(simdrv::kSerial.set_accelerator, got[0].code);
        EXPECT_EQ(c.stored.accelerator, got[0].value);
        EXPECT_EQ(simdrv::kSerial.set_sensitivity, got[1].code);
        EXPECT_EQ(c.stored.sensitivity, got[1].value);
        // Applying changes no control.
        EXPECT_EQ(c.sensitivity, trackbar_position(page, IDC_SENSITIVITY));
        EXPECT_EQ(c.left_hand, checked(page, IDC_LEFT_HAND_USER));
        CloseDriverLink();
    }
}

// Apply pressed twice without changes sends and writes the same again.
TEST_F(ApplyingTest, TwiceWithoutChangesSendsAndWritesAgain)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());
    store_settings(kSerialKey, { 0, 80, 2, 4, 5, 1 });

    HWND page = load_page();
    ASSERT_TRUE(page);
    simdrv::clear_records(simdrv::kSerial);
    ApplyPageSettings(page);
    EXPECT_EQ(settings_text({ 0, 80, 2, 4, 5, 1 }), describe_settings(kSerialKey));
    delete_value(kSerialKey, "Center");
    delete_value(kSerialKey, "Button Swap");
    ApplyPageSettings(page);
    EXPECT_EQ(settings_text({ 0, 80, 2, 4, 5, 1 }), describe_settings(kSerialKey));

    std::vector<simdrv::Record> got = simdrv::records(simdrv::kSerial);
    ASSERT_EQ(4u, got.size()) << describe_records(got);
    for (size_t i = 0; i < 4; i += 2) {
        EXPECT_EQ(simdrv::kSerial.set_accelerator, got[i].code) << i;
        EXPECT_EQ(2, got[i].value) << i;
        EXPECT_EQ(simdrv::kSerial.set_sensitivity, got[i + 1].code) << i;
        EXPECT_EQ(80, got[i + 1].value) << i;
    }
}

// No driver answered at loading: the block and the system take the page's
// settings, but nothing is sent and no key is written.
TEST_F(ApplyingTest, WithoutDriversNothingReachesTheRegistry)
{
    simdrv::ScopedParameters serial_key(simdrv::kSerial), ps2_key(simdrv::kPs2);
    ASSERT_TRUE(serial_key.ok() && ps2_key.ok());
    const Settings stored = { 0, 60, 1, 1, 0, 0 };
    store_settings(kSerialKey, stored);
    store_settings(kPs2Key, stored);

    HWND page = load_page();
    ASSERT_TRUE(page);
    select_entry(page, IDC_MIDDLE_LIST, 8);
    CheckDlgButton(page, IDC_LEFT_HAND_USER, BST_CHECKED);
    select_entry(page, IDC_LEFT_LIST, 9);
    CheckDlgButton(page, IDC_WHERE_IS_CURSOR, BST_CHECKED);
    set_trackbar(page, IDC_SENSITIVITY, 3);
    set_trackbar(page, IDC_DOUBLE_CLICK_SPEED, 600);
    ApplyPageSettings(page);

    EXPECT_EQ(8u, block(kMiddleOffset));
    EXPECT_EQ(9u, block(kSecondOffset));
    EXPECT_EQ(1u, block(kCenterOffset));
    EXPECT_TRUE(system_swapped());
    EXPECT_EQ(400u, GetDoubleClickTime());
    EXPECT_EQ(30u, PageState.Sensitivity);
    EXPECT_EQ(settings_text(stored), describe_settings(kSerialKey));
    EXPECT_EQ(settings_text(stored), describe_settings(kPs2Key));
}

// A driver whose key is missing still gets its requests; the key is not
// created.
TEST_F(ApplyingTest, MissingKeyStillGetsTheRequests)
{
    simdrv::ScopedDriver ps2(simdrv::kPs2);
    ASSERT_TRUE(ps2.installed()) << ps2.error();
    ASSERT_FALSE(key_exists(kPs2Key));

    HWND page = load_page();
    ASSERT_TRUE(page);
    set_trackbar(page, IDC_SENSITIVITY, 14);
    set_trackbar(page, IDC_ACCELERATION, 0);
    simdrv::clear_records(simdrv::kPs2);
    ApplyPageSettings(page);

    std::vector<simdrv::Record> got = simdrv::records(simdrv::kPs2);
    ASSERT_EQ(2u, got.size()) << describe_records(got);
    EXPECT_EQ(simdrv::kPs2.set_accelerator, got[0].code);
    EXPECT_EQ(0, got[0].value);
    EXPECT_EQ(simdrv::kPs2.set_sensitivity, got[1].code);
    EXPECT_EQ(140, got[1].value);
    EXPECT_FALSE(key_exists(kPs2Key));
}

// The driver link: a loading opens each device once, even when the page
// before it never closed its link, and closing the link twice is harmless.
TEST_F(ApplyingTest, DriverLinkOpensOnceAndClosesOnce)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    ASSERT_TRUE(simdrv::wait_open_handles(simdrv::kSerial, 0));

    for (int loading = 1; loading <= 3; loading++) {
        ASSERT_TRUE(load_page());
        EXPECT_TRUE(simdrv::wait_open_handles(simdrv::kSerial, 1))
            << "loading " << loading << ": open handles " << simdrv::open_handles(simdrv::kSerial);
    }
    CloseDriverLink();
    EXPECT_EQ(INVALID_HANDLE_VALUE, PageState.Link.SerialDevice);
    EXPECT_EQ(INVALID_HANDLE_VALUE, PageState.Link.Ps2Device);
    EXPECT_EQ(1u, PageState.Link.SerialPresent) << "the flags stay";
    CloseDriverLink();
    EXPECT_TRUE(simdrv::wait_open_handles(simdrv::kSerial, 0))
        << "open handles " << simdrv::open_handles(simdrv::kSerial);
}

} // namespace
