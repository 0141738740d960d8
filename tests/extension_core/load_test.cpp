// Page loading against the simulated drivers: which Parameters key it reads,
// the button count, the defaults it creates, what the lists, check boxes and
// trackbars show, the shared block and the system's button swap afterwards,
// and answers or values of unexpected shape.
#include "core_fixture.h"

namespace {

using namespace core;

const char *const kSerialKey = simdrv::kSerial.parameters_key;
const char *const kPs2Key = simdrv::kPs2.parameters_key;

// Distinct settings in the two keys show which one loading read: the
// sensitivity trackbar and the Middle/Side Button list differ.
const Settings kSerialSettings = { 0, 70, 1, 4, 0, 0 };  // trackbar 7, "Next Task"
const Settings kPs2Settings = { 0, 130, 1, 6, 0, 0 };    // trackbar 13, "Escape"

class LoadingTest : public CoreTest {};

TEST_F(LoadingTest, ChoosesKeyAndButtonCountFromTheDrivers)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedDriver ps2(simdrv::kPs2);
    ASSERT_TRUE(ps2.installed()) << ps2.error();
    simdrv::ScopedParameters serial_key(simdrv::kSerial), ps2_key(simdrv::kPs2);
    ASSERT_TRUE(serial_key.ok() && ps2_key.ok());
    store_settings(kSerialKey, kSerialSettings);
    store_settings(kPs2Key, kPs2Settings);

    // Buttons 0: the driver answers "no mouse".
    struct Case {
        DWORD serial_buttons, ps2_buttons;
        bool serial_key;     // else the PS/2 key
        bool middle_enabled; // else disabled on "(Unassigned)", a two-button mouse
    } const cases[] = {
        { 0, 0, false, true },  // no driver answers: PS/2 key, count 0
        { 0, 3, false, true },
        { 0, 2, false, false },
        { 3, 0, true, true },
        { 2, 0, true, false },
        { 3, 5, true, true },   // both answer: serial key
        { 2, 2, true, false },
        { 2, 3, true, true },   // the larger count wins
        { 5, 2, true, true },
        { 1, 2, true, false },
        { 2, 1, true, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "serial " << c.serial_buttons << " buttons, PS/2 "
                                        << c.ps2_buttons << " buttons");
        reset_module_state();
        ASSERT_TRUE(simdrv::set_buttons(simdrv::kSerial, c.serial_buttons));
        ASSERT_TRUE(simdrv::set_buttons(simdrv::kPs2, c.ps2_buttons));
        simdrv::clear_records(simdrv::kSerial);
        simdrv::clear_records(simdrv::kPs2);

        HWND page = load_page();
        ASSERT_TRUE(page);
        EXPECT_EQ(c.serial_key ? 7 : 13, trackbar_position(page, IDC_SENSITIVITY));
        EXPECT_EQ(c.middle_enabled, enabled(page, IDC_MIDDLE_LIST));
        EXPECT_EQ(c.middle_enabled, enabled(page, IDC_MIDDLE_LABEL));
        const char *middle = !c.middle_enabled ? "(Unassigned)" : c.serial_key ? "Next Task" : "Escape";
        EXPECT_EQ(middle, selected_text(page, IDC_MIDDLE_LIST));
        EXPECT_EQ(c.serial_key ? 4u : 6u, block(kMiddleOffset));

        // Loading reads; neither key changes, and the drivers get nothing
        // but their queries.
        EXPECT_EQ(settings_text(kSerialSettings), describe_settings(kSerialKey));
        EXPECT_EQ(settings_text(kPs2Settings), describe_settings(kPs2Key));
        EXPECT_EQ("none", describe_records(simdrv::records(simdrv::kSerial)));
        EXPECT_EQ("none", describe_records(simdrv::records(simdrv::kPs2)));

        // Each device stays open for applying, whether it answered or not.
        EXPECT_TRUE(simdrv::wait_open_handles(simdrv::kSerial, 1))
            << "serial open handles " << simdrv::open_handles(simdrv::kSerial);
        EXPECT_TRUE(simdrv::wait_open_handles(simdrv::kPs2, 1))
            << "PS/2 open handles " << simdrv::open_handles(simdrv::kPs2);
        EXPECT_EQ(c.serial_buttons != 0, PageState.Link.SerialPresent != 0);
        EXPECT_EQ(c.ps2_buttons != 0, PageState.Link.Ps2Present != 0);
    }
    reset_module_state();
    EXPECT_TRUE(simdrv::wait_open_handles(simdrv::kSerial, 0));
    EXPECT_TRUE(simdrv::wait_open_handles(simdrv::kPs2, 0));
}

TEST_F(LoadingTest, WithoutDriversReadsThePs2Key)
{
    simdrv::ScopedParameters serial_key(simdrv::kSerial), ps2_key(simdrv::kPs2);
    ASSERT_TRUE(serial_key.ok() && ps2_key.ok());
    store_settings(kSerialKey, kSerialSettings);
    store_settings(kPs2Key, kPs2Settings);

    HWND page = load_page();
    ASSERT_TRUE(page);
    EXPECT_EQ(INVALID_HANDLE_VALUE, PageState.Link.SerialDevice);
    EXPECT_EQ(INVALID_HANDLE_VALUE, PageState.Link.Ps2Device);
    EXPECT_EQ(0u, PageState.Link.SerialPresent);
    EXPECT_EQ(0u, PageState.Link.Ps2Present);
    EXPECT_EQ(13, trackbar_position(page, IDC_SENSITIVITY));
    EXPECT_TRUE(enabled(page, IDC_MIDDLE_LIST));
    EXPECT_EQ("Escape", selected_text(page, IDC_MIDDLE_LIST));
    EXPECT_EQ(settings_text(kPs2Settings), describe_settings(kPs2Key));
}

TEST_F(LoadingTest, EmptyKeyGetsSixDefaultsAndThePageShowsThem)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());
    // Whatever the block held before, loading starts from the defaults.
    set_block(kCenterOffset, 1);
    set_block(kMiddleOffset, 7);
    set_block(kSecondOffset, 5);
    SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, 1, NULL, 0);

    HWND page = load_page();
    ASSERT_TRUE(page);

    const DWORD defaults[6] = { 0, 60, 1, 1, 0, 0 };
    for (int i = 0; i < 6; i++) {
        RegValue v = read_value(kSerialKey, kValueNames[i]);
        EXPECT_TRUE(v.is_dword()) << kValueNames[i] << ": exists " << v.exists << ", type "
                                  << v.type << ", " << v.data.size() << " bytes";
        EXPECT_EQ(defaults[i], v.dword()) << kValueNames[i];
    }
    EXPECT_EQ(6u, value_count(kSerialKey));
    EXPECT_FALSE(key_exists(kPs2Key)) << "loading never creates a key";

    const std::vector<std::string> names = {
        "(Unassigned)", "Hyper-Marvane", "Double-Click", "Start", "Next Task", "F1(Help)",
        "Escape", "Delete", "Backspace", "Return", "Close Windows",
    };
    for (int id : { IDC_LEFT_LIST, IDC_MIDDLE_LIST, IDC_RIGHT_LIST })
        EXPECT_EQ(names, list_items(page, id)) << "list " << id;

    struct ListState {
        int id;
        const char *text;
        bool enabled;
        int label;
        bool label_enabled;
    } const lists[] = {
        { IDC_LEFT_LIST, "(Unassigned)", false, IDC_LEFT_LABEL, false },
        { IDC_MIDDLE_LIST, "Hyper-Marvane", true, IDC_MIDDLE_LABEL, true },
        { IDC_RIGHT_LIST, "(Unassigned)", true, IDC_RIGHT_LABEL, true },
    };
    for (const ListState &l : lists) {
        EXPECT_EQ(l.text, selected_text(page, l.id)) << "list " << l.id;
        EXPECT_EQ(l.enabled, enabled(page, l.id)) << "list " << l.id;
        EXPECT_EQ(l.label_enabled, enabled(page, l.label)) << "label " << l.label;
    }
    EXPECT_FALSE(checked(page, IDC_LEFT_HAND_USER));
    EXPECT_FALSE(checked(page, IDC_WHERE_IS_CURSOR));
    EXPECT_FALSE(checked(page, IDC_THREE_BUTTON_MODE));

    EXPECT_EQ(0u, block(kCenterOffset));
    EXPECT_EQ(1u, block(kMiddleOffset));
    EXPECT_EQ(0u, block(kSecondOffset));
    EXPECT_FALSE(system_swapped()) << "the stored \"Button Swap\" 0 is put into effect";

    // Range, tick marks and position of each trackbar.
    struct Bar {
        int id, minimum, maximum, tics, position;
    } const bars[] = {
        { IDC_SENSITIVITY, 1, 20, 20, 6 },
        { IDC_ACCELERATION, 0, 3, 4, 1 },
        { IDC_DOUBLE_CLICK_SPEED, 100, 900, 3, 1000 - (int)GetDoubleClickTime() },
    };
    for (const Bar &b : bars) {
        HWND bar = GetDlgItem(page, b.id);
        EXPECT_EQ(b.minimum, (int)SendMessageA(bar, TBM_GETRANGEMIN, 0, 0)) << "trackbar " << b.id;
        EXPECT_EQ(b.maximum, (int)SendMessageA(bar, TBM_GETRANGEMAX, 0, 0)) << "trackbar " << b.id;
        EXPECT_EQ(b.tics, (int)SendMessageA(bar, TBM_GETNUMTICS, 0, 0)) << "trackbar " << b.id;
        EXPECT_EQ(b.position, trackbar_position(page, b.id)) << "trackbar " << b.id;
    }
    // The double-click speed has tick marks at 100, 500 and 900.
    EXPECT_EQ(500, (int)SendDlgItemMessageA(page, IDC_DOUBLE_CLICK_SPEED, TBM_GETTIC, 0, 0));
}

// PageState lives as long as the module: a value missing at a later loading
// is created from what the previous page left, not from the first default.
TEST_F(LoadingTest, MissingValueAtLaterLoadingTakesWhatThePreviousPageLeft)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());
    store_settings(kSerialKey, { 0, 130, 2, 3, 4, 1 });

    HWND page = load_page();
    ASSERT_TRUE(page);
    EXPECT_EQ(13, trackbar_position(page, IDC_SENSITIVITY));
    set_trackbar(page, IDC_SENSITIVITY, 15);
    ApplyPageSettings(page);
    CloseDriverLink();
    destroy_page();
    ASSERT_EQ(150u, read_value(kSerialKey, "Sensitivity").dword());

    delete_value(kSerialKey, "Sensitivity");
    delete_value(kSerialKey, "Middle Button");
    page = load_page();
    ASSERT_TRUE(page);
    RegValue sensitivity = read_value(kSerialKey, "Sensitivity");
    EXPECT_TRUE(sensitivity.is_dword());
    EXPECT_EQ(150u, sensitivity.dword()) << "not the first default 60";
    EXPECT_EQ(15, trackbar_position(page, IDC_SENSITIVITY));
    // The block's fields start from their defaults at every loading.
    RegValue middle = read_value(kSerialKey, "Middle Button");
    EXPECT_TRUE(middle.is_dword());
    EXPECT_EQ(1u, middle.dword());
    EXPECT_EQ("Hyper-Marvane", selected_text(page, IDC_MIDDLE_LIST));
}

TEST_F(LoadingTest, TrackbarsShowStoredValuesAndTheSystemDoubleClickTime)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());

    struct Case {
        DWORD sensitivity, accelerator;
        UINT double_click_ms;
        int sensitivity_position, accelerator_position, double_click_position;
    } const cases[] = {
        { 65, 0, 1200, 6, 0, 100 },
        { 250, 3, 50, 20, 3, 900 },
        { 200, 2, 900, 20, 2, 100 },
        { 5, 7, 500, 1, 3, 500 },   // positions outside the ranges are limited
        { 10, 1, 100, 1, 1, 900 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "sensitivity " << c.sensitivity << ", accelerator "
                                        << c.accelerator << ", double-click " << c.double_click_ms);
        store_settings(kSerialKey, { 0, c.sensitivity, c.accelerator, 1, 0, 0 });
        ASSERT_TRUE(SetDoubleClickTime(c.double_click_ms));
        ASSERT_EQ(c.double_click_ms, GetDoubleClickTime());
        HWND page = load_page();
        ASSERT_TRUE(page);
        EXPECT_EQ(c.sensitivity_position, trackbar_position(page, IDC_SENSITIVITY));
        EXPECT_EQ(c.accelerator_position, trackbar_position(page, IDC_ACCELERATION));
        EXPECT_EQ(c.double_click_position, trackbar_position(page, IDC_DOUBLE_CLICK_SPEED));
        EXPECT_EQ(c.double_click_ms, PageState.DoubleClickTime);
        EXPECT_EQ(c.sensitivity, PageState.Sensitivity) << "kept as stored";
        CloseDriverLink();
    }
}

TEST_F(LoadingTest, StoredHandednessTakesEffectAtOnce)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());

    struct Case {
        DWORD button_swap, second, center;
        int system_before;
        bool left_hand;
        const char *left_text, *right_text;
    } const cases[] = {
        { 1, 3, 0, 0, true, "Start", "(Unassigned)" },
        { 0, 3, 1, 1, false, "(Unassigned)", "Start" },
        { 2, 5, 1, 0, true, "F1(Help)", "(Unassigned)" },
        { 0, 0, 0, 1, false, "(Unassigned)", "(Unassigned)" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "Button Swap " << c.button_swap << ", Second Button "
                                        << c.second << ", system swap before " << c.system_before);
        store_settings(kSerialKey, { c.button_swap, 60, 1, 1, c.second, c.center });
        SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, c.system_before, NULL, 0);
        ASSERT_EQ(c.system_before != 0, system_swapped());

        HWND page = load_page();
        ASSERT_TRUE(page);
        EXPECT_EQ(c.left_hand, system_swapped());
        EXPECT_EQ(c.left_hand, checked(page, IDC_LEFT_HAND_USER));
        EXPECT_EQ(c.left_text, selected_text(page, IDC_LEFT_LIST));
        EXPECT_EQ(c.right_text, selected_text(page, IDC_RIGHT_LIST));
        EXPECT_EQ(c.left_hand, enabled(page, IDC_LEFT_LIST));
        EXPECT_EQ(c.left_hand, enabled(page, IDC_LEFT_LABEL));
        EXPECT_EQ(!c.left_hand, enabled(page, IDC_RIGHT_LIST));
        EXPECT_EQ(!c.left_hand, enabled(page, IDC_RIGHT_LABEL));
        EXPECT_EQ(c.second, block(kSecondOffset));
        EXPECT_EQ(c.center, block(kCenterOffset));
        EXPECT_EQ(c.center != 0, checked(page, IDC_WHERE_IS_CURSOR));
        EXPECT_EQ(c.button_swap, PageState.ButtonSwap);
        CloseDriverLink();
    }
}

// A code the lists do not offer leaves the list without a selection and
// stays in the block as stored; applying without a new choice stores 255.
TEST_F(LoadingTest, CodesOutsideTheOfferedRangeLeaveNoSelection)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());

    struct Case {
        DWORD middle, second, button_swap;
        DWORD applied_middle, applied_second;
    } const cases[] = {
        { 11, 20, 0, 255, 255 },
        { 255, 0xFFFFFFFF, 0, 255, 255 },
        { 20, 15, 1, 255, 255 },
        { 10, 16, 0, 10, 255 },
        { 0x100, 3, 1, 255, 3 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "Middle Button " << c.middle << ", Second Button "
                                        << c.second << ", Button Swap " << c.button_swap);
        store_settings(kSerialKey, { c.button_swap, 60, 1, c.middle, c.second, 0 });
        HWND page = load_page();
        ASSERT_TRUE(page);
        int secondary_list = c.button_swap ? IDC_LEFT_LIST : IDC_RIGHT_LIST;
        int other_list = c.button_swap ? IDC_RIGHT_LIST : IDC_LEFT_LIST;
        EXPECT_EQ(c.middle <= 10 ? (int)c.middle : -1, selection(page, IDC_MIDDLE_LIST));
        EXPECT_EQ(c.second <= 10 ? (int)c.second : -1, selection(page, secondary_list));
        EXPECT_EQ(0, selection(page, other_list));
        EXPECT_EQ(c.middle, block(kMiddleOffset));
        EXPECT_EQ(c.second, block(kSecondOffset));

        ApplyPageSettings(page);
        EXPECT_EQ(c.applied_middle, block(kMiddleOffset));
        EXPECT_EQ(c.applied_second, block(kSecondOffset));
        EXPECT_EQ(c.applied_middle, read_value(kSerialKey, "Middle Button").dword());
        EXPECT_EQ(c.applied_second, read_value(kSerialKey, "Second Button").dword());
        CloseDriverLink();
    }
}

// Without a Parameters key nothing is read or written: the block keeps its
// defaults, the system's buttons are not swapped, and the sensitivity and
// acceleration of the previous page stay.
TEST_F(LoadingTest, MissingParametersKeyLeavesDefaults)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    ASSERT_FALSE(key_exists(kSerialKey));
    set_block(kCenterOffset, 1);
    set_block(kMiddleOffset, 7);
    set_block(kSecondOffset, 7);
    PageState.Sensitivity = 90;
    PageState.Accelerator = 3;
    SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, 1, NULL, 0);

    HWND page = load_page();
    ASSERT_TRUE(page);
    EXPECT_FALSE(key_exists(kSerialKey));
    EXPECT_EQ(0u, block(kCenterOffset));
    EXPECT_EQ(1u, block(kMiddleOffset));
    EXPECT_EQ(0u, block(kSecondOffset));
    EXPECT_FALSE(system_swapped());
    EXPECT_EQ(9, trackbar_position(page, IDC_SENSITIVITY));
    EXPECT_EQ(3, trackbar_position(page, IDC_ACCELERATION));
    EXPECT_EQ("Hyper-Marvane", selected_text(page, IDC_MIDDLE_LIST));
}

// Loading reads an answer field only when the driver wrote its bytes: the
// presence word needs 2 bytes, the number of buttons 4.
TEST_F(LoadingTest, ShortAnswerCountsOnlyTheBytesWritten)
{
    simdrv::ScopedDriver serial(simdrv::kSerial, 2);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters serial_key(simdrv::kSerial), ps2_key(simdrv::kPs2);
    ASSERT_TRUE(serial_key.ok() && ps2_key.ok());
    store_settings(kSerialKey, kSerialSettings);
    store_settings(kPs2Key, kPs2Settings);

    struct Case {
        DWORD answer_bytes;
        bool present, two_buttons;
    } const cases[] = {
        { 0, false, false }, { 1, false, false }, { 2, true, false },
        { 3, true, false },  { 4, true, true },   { 16, true, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "answer of " << c.answer_bytes << " bytes");
        reset_module_state();
        ASSERT_TRUE(simdrv::set_answer_bytes(simdrv::kSerial, c.answer_bytes));
        HWND page = load_page();
        ASSERT_TRUE(page);
        EXPECT_EQ(c.present, PageState.Link.SerialPresent != 0);
        EXPECT_EQ(c.present ? 7 : 13, trackbar_position(page, IDC_SENSITIVITY));
        EXPECT_EQ(!c.two_buttons, enabled(page, IDC_MIDDLE_LIST));
    }
    simdrv::clear_answer_bytes(simdrv::kSerial);
}

// The presence flag outlives the probe: when a later probe fails or answers
// short, loading still reads the serial key but takes no number of buttons
// from the earlier answer, and applying sends nothing to a device that is
// not open.
TEST_F(LoadingTest, StalePresenceFlagReadsNoStaleAnswer)
{
    simdrv::ScopedDriver serial(simdrv::kSerial, 2);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters serial_key(simdrv::kSerial), ps2_key(simdrv::kPs2);
    ASSERT_TRUE(serial_key.ok() && ps2_key.ok());

    enum Later { kDriverStopped, kAnswerOf2, kNoMouse };
    const Later cases[] = { kAnswerOf2, kNoMouse, kDriverStopped };
    for (Later later : cases) {
        SCOPED_TRACE(testing::Message() << "later probe " << (int)later);
        reset_module_state();
        store_settings(kSerialKey, kSerialSettings);
        store_settings(kPs2Key, kPs2Settings);
        HWND page = load_page();
        ASSERT_TRUE(page);
        ASSERT_FALSE(enabled(page, IDC_MIDDLE_LIST)) << "first loading: a two-button mouse";
        CloseDriverLink();

        if (later == kAnswerOf2)
            ASSERT_TRUE(simdrv::set_answer_bytes(simdrv::kSerial, 2));
        else if (later == kNoMouse)
            ASSERT_TRUE(simdrv::set_buttons(simdrv::kSerial, 0));
        else
            ASSERT_TRUE(simdrv::stop(simdrv::kSerial));
        page = load_page();
        ASSERT_TRUE(page);
        EXPECT_EQ(1u, PageState.Link.SerialPresent);
        EXPECT_EQ(7, trackbar_position(page, IDC_SENSITIVITY)) << "the serial key is still read";
        EXPECT_TRUE(enabled(page, IDC_MIDDLE_LIST)) << "no button count from the earlier answer";
        EXPECT_EQ("Next Task", selected_text(page, IDC_MIDDLE_LIST));

        select_entry(page, IDC_MIDDLE_LIST, 9);
        ApplyPageSettings(page);
        EXPECT_EQ(9u, read_value(kSerialKey, "Middle Button").dword());
        EXPECT_EQ(settings_text(kPs2Settings), describe_settings(kPs2Key));
        if (later == kDriverStopped) {
            EXPECT_EQ(INVALID_HANDLE_VALUE, PageState.Link.SerialDevice);
        } else {
            EXPECT_EQ(2u, simdrv::records(simdrv::kSerial).size())
                << describe_records(simdrv::records(simdrv::kSerial));
        }
        simdrv::clear_records(simdrv::kSerial);
        simdrv::clear_answer_bytes(simdrv::kSerial);
        simdrv::set_buttons(simdrv::kSerial, 2);
    }
}

// A value that cannot be read into 4 bytes fails its query and is replaced
// by a REG_DWORD of the current setting; nothing beyond the 4 bytes is
// touched, in PageState or in the block. A shorter value is read as the
// number its bytes make.
TEST_F(LoadingTest, ValuesOfOtherShapes)
{
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters key(simdrv::kSerial);
    ASSERT_TRUE(key.ok());

    const BYTE long_binary[8] = { 0x96, 0, 0, 0, 1, 2, 3, 4 };
    const char long_text[] = "150 and more";
    std::vector<BYTE> huge(300, 0x05);
    const BYTE one_byte[1] = { 1 };
    const BYTE two_bytes[2] = { 3, 0 };

    struct Case {
        const char *what;
        const char *name;
        DWORD type;
        const void *data;
        DWORD size;
        bool rewritten;      // replaced by a REG_DWORD of the value below
        DWORD value;         // the setting loading ends with
    } const cases[] = {
        { "8-byte binary sensitivity", "Sensitivity", REG_BINARY, long_binary, 8, true, 60 },
        { "long text sensitivity", "Sensitivity", REG_SZ, long_text, sizeof(long_text), true, 60 },
        { "300-byte middle button", "Middle Button", REG_BINARY, huge.data(), 300, true, 1 },
        { "8-byte second button", "Second Button", REG_BINARY, long_binary, 8, true, 0 },
        { "1-byte center", "Center", REG_BINARY, one_byte, 1, false, 1 },
        { "2-byte accelerator", "Accelerator", REG_BINARY, two_bytes, 2, false, 3 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        reset_module_state();
        store_settings(kSerialKey, { 0, 60, 1, 1, 0, 0 });
        ASSERT_TRUE(write_value(kSerialKey, c.name, c.type, c.data, c.size));
        // The pointer helper's bytes of the block must come through.
        memset(block_bytes(), 0xA5, 28);
        memset(block_bytes() + 32, 0x5A, 4);

        HWND page = load_page();
        ASSERT_TRUE(page);
        RegValue v = read_value(kSerialKey, c.name);
        if (c.rewritten) {
            EXPECT_TRUE(v.is_dword()) << "type " << v.type << ", " << v.data.size() << " bytes";
            EXPECT_EQ(c.value, v.dword());
        } else {
            EXPECT_EQ(c.type, v.type);
            EXPECT_EQ(c.size, v.data.size());
        }
        DWORD got = 0;
        if (!strcmp(c.name, "Sensitivity"))
            got = PageState.Sensitivity;
        else if (!strcmp(c.name, "Accelerator"))
            got = PageState.Accelerator;
        else if (!strcmp(c.name, "Middle Button"))
            got = block(kMiddleOffset);
        else if (!strcmp(c.name, "Second Button"))
            got = block(kSecondOffset);
        else if (!strcmp(c.name, "Center"))
            got = block(kCenterOffset);
        EXPECT_EQ(c.value, got);
        for (int i = 0; i < 28; i++)
            ASSERT_EQ(0xA5, block_bytes()[i]) << "block byte " << i;
        for (int i = 32; i < 36; i++)
            ASSERT_EQ(0x5A, block_bytes()[i]) << "block byte " << i;
        // The neighbours of the value are what was stored.
        EXPECT_EQ(6u, value_count(kSerialKey));
        CloseDriverLink();
    }
}

} // namespace
