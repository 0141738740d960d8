// The road of one installation and one use of the page, for real, in a Wine
// prefix made for the test alone (in_fresh_prefix.sh): setup.exe installs
// the product from the assembled medium, answered like a user; everything it
// leaves is checked; the installed port driver is started; the Mouse control
// panel loads the installed TVNTCpl.dll through setup's registration; the
// user changes settings on the Tavix page and presses OK; the driver must
// have received the new acceleration and sensitivity, and its Parameters key
// must hold the settings.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <string>
#include <vector>

#include "control_panel.h"
#include "../setup/install_checks.h"
#include "setup_process.h"
#include "simulated_drivers.h"
#include "window_picture.h"

using namespace setuptest;
using namespace wizardtest;

namespace {

enum {
    kMiddleList = 1000,
    kWhereIsCursor = 1027,
    kSensitivity = 1029,
    kAcceleration = 1031,
};

std::string full_path(const std::string &path)
{
    char buf[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buf, NULL);
    return n && n < MAX_PATH ? std::string(buf) : path;
}

// The medium as `make medium` lays it out, beside the build's bin folder.
std::string medium_dir() { return full_path(wintest::module_dir() + "..\\medium"); }

// The unpacked product files: the programs of the build, the INF of the medium.
std::string original(const char *name)
{
    if (lstrcmpiA(name, "TAVMOUSE.INF") == 0)
        return read_file(medium_dir() + "\\TAVMOUSE.INF");
    return read_file(wintest::module_dir() + name);
}

std::string common_programs()
{
    return reg_value(HKEY_LOCAL_MACHINE, setuptest::kShellFolders, "Common Programs").data;
}

DWORD parameter(const simdrv::Port &port, const char *name, bool *found)
{
    DWORD value = 0, size = sizeof(value);
    *found = RegGetValueA(HKEY_LOCAL_MACHINE, port.parameters_key, name, RRF_RT_REG_DWORD, NULL, &value, &size)
             == ERROR_SUCCESS;
    return value;
}

LONGLONG now()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return ((LONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
}

// For `make demo`: the folder that receives a picture of every window the
// road passes, named in TAVIX_DEMO_PICTURES; empty when no pictures are wanted.
std::string picture_folder()
{
    char folder[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("TAVIX_DEMO_PICTURES", folder, sizeof(folder));
    return n && n < sizeof(folder) ? folder : "";
}

void picture(HWND window, const char *name)
{
    if (!picture_folder().empty()) {
        EXPECT_TRUE(demo::save(window, picture_folder(), name)) << "picture " << name;
    }
}

// Starts the service that setup installed, as the system would at boot.
bool start_service(const char *name, std::string *why)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!scm) {
        *why = "OpenSCManagerA, error " + std::to_string(GetLastError());
        return false;
    }
    // Wine's service manager may not show a service just created by
    // another process at once.
    SC_HANDLE service = NULL;
    DWORD error = ERROR_SUCCESS;
    wintest::wait_for([&] {
        service = OpenServiceA(scm, name, SERVICE_START);
        error = service ? ERROR_SUCCESS : GetLastError();
        return service != NULL;
    }, 30000);
    if (service) {
        error = simdrv::start_service(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    if (error != ERROR_SUCCESS)
        *why = std::string(service ? "starting " : "opening ") + name + ", error " + std::to_string(error);
    return error == ERROR_SUCCESS;
}

struct Road {
    const char *name;
    int portButton;              // the radio button chosen in the Install type dialog
    const PortFacts *facts;
    const simdrv::Port *port;
};

void PrintTo(const Road &r, std::ostream *os)
{
    *os << r.name;
}

class EndToEnd : public ::testing::TestWithParam<Road> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(file_exists(medium_dir() + "\\setup.exe")) << "no medium in " << medium_dir();
        // The machine's mouse device, whose class entry the INF step
        // completes; a fresh prefix has none of its own.
        setuptest::set_string(HKEY_LOCAL_MACHINE, setuptest::kDeviceInstanceKey, "Driver",
                              std::string(setuptest::kMouseClass) + "\\0042");
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, setuptest::kClassKey, 0, NULL, 0,
                                                 KEY_ALL_ACCESS, NULL, &key, NULL));
        RegCloseKey(key);
    }

    void install(const Road &road)
    {
        SetupProcess setup;
        ASSERT_TRUE(setup.start(medium_dir() + "\\setup.exe", medium_dir()));
        struct Step {
            const char *caption;
            int button;
            const char *picture;   // taken before the click
        } steps[] = {
            { "Welcome", IDOK, "1-welcome" },
            { "Select Installation Type", road.portButton, NULL },
            { "Select Installation Type", IDOK, "2-install-type" },
            { "Install Finished", IDCANCEL, "3-install-finished" },
        };
        for (const Step &s : steps) {
            HWND window = setup.wait_window(s.caption, 60000);
            ASSERT_TRUE(window != NULL) << "no window \"" << s.caption << "\"; windows of setup: " << setup.captions();
            if (s.picture)
                picture(window, s.picture);
            ASSERT_TRUE(setup.click(window, s.button)) << s.caption << ", button " << s.button;
        }
        ASSERT_EQ(0, setup.wait_exit()) << "windows of setup: " << setup.captions();
    }
};

TEST_P(EndToEnd, InstallsFromTheMediumAndTheInstalledDriverTakesThePageSettings)
{
    const Road &road = GetParam();
    const simdrv::Port &port = *road.port;

    ASSERT_NO_FATAL_FAILURE(install(road));
    expect_all_files(*road.facts, original);
    expect_service(*road.facts);
    expect_class_entries(*road.facts, setuptest::kClassKey);
    ASSERT_FALSE(common_programs().empty());
    expect_registered(common_programs());

    std::string why;
    ASSERT_TRUE(start_service(port.service, &why)) << why;
    ASSERT_TRUE(wintest::wait_for([&] { return simdrv::device_opens(port); })) << "no device " << port.device;
    simdrv::clear_records(port);

    // The control panel loads C:\Tavix\TVNTCpl.dll through the class
    // registration that setup wrote.
    LONGLONG beforeOk;
    {
        cpl::ControlPanel panel;
        ASSERT_TRUE(panel.ok()) << panel.error();
        HWND page = panel.page();
        ASSERT_TRUE(GetDlgItem(page, kSensitivity) != NULL) << "the Tavix page is not the first page";
        // The user's changes: sensitivity to its lowest, acceleration to its
        // highest (keys on the trackbars), another middle button function,
        // and "Where is Cursor ?" switched on.
        for (auto key : { std::make_pair(kSensitivity, VK_HOME), std::make_pair(kAcceleration, VK_END) }) {
            HWND trackbar = GetDlgItem(page, key.first);
            SendMessageA(trackbar, WM_KEYDOWN, key.second, 0);
            SendMessageA(trackbar, WM_KEYUP, key.second, 0);
        }
        HWND middle = GetDlgItem(page, kMiddleList);
        SendMessageA(middle, CB_SETCURSEL, 4, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(kMiddleList, CBN_SELCHANGE), (LPARAM)middle);
        SendMessageA(GetDlgItem(page, kWhereIsCursor), BM_CLICK, 0, 0);
        EXPECT_EQ(1, (int)SendMessageA(GetDlgItem(page, kSensitivity), TBM_GETPOS, 0, 0));
        EXPECT_EQ(3, (int)SendMessageA(GetDlgItem(page, kAcceleration), TBM_GETPOS, 0, 0));
        EXPECT_TRUE(panel.apply_enabled()) << "the sheet took no change";
        picture(panel.sheet(), "4-mouse-properties");

        beforeOk = now();
        panel.press(PSBTN_OK);
        EXPECT_EQ(0, panel.wait_exit()) << "the control panel did not close on OK";
    }

    // The installed driver received the two set requests, acceleration first.
    std::vector<simdrv::Record> got = simdrv::records(port);
    ASSERT_EQ(2u, got.size()) << "set requests received by " << port.service;
    EXPECT_EQ(port.set_accelerator, got[0].code);
    EXPECT_EQ(3, got[0].value) << "acceleration";
    EXPECT_EQ(port.set_sensitivity, got[1].code);
    EXPECT_EQ(10, got[1].value) << "sensitivity";
    for (const simdrv::Record &r : got)
        EXPECT_GE(r.time, beforeOk) << "a request older than the OK";
    EXPECT_TRUE(simdrv::wait_open_handles(port, 0)) << "handles left open on " << port.device << ": "
                                                    << simdrv::open_handles(port);

    struct Value {
        const char *name;
        DWORD expected;
    } values[] = {
        { "Sensitivity", 10 }, { "Accelerator", 3 }, { "Middle Button", 4 }, { "Center", 1 },
        { "Button Swap", 0 }, { "Second Button", (DWORD)-1 },   // any function, but stored
    };
    for (const Value &v : values) {
        bool found = false;
        DWORD value = parameter(port, v.name, &found);
        EXPECT_TRUE(found) << port.parameters_key << " \"" << v.name << "\"";
        if (v.expected != (DWORD)-1) {
            EXPECT_EQ(v.expected, value) << port.parameters_key << " \"" << v.name << "\"";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ports, EndToEnd,
    ::testing::Values(Road{ "Ps2", 1001, &kPs2Facts, &simdrv::kPs2 },
                      Road{ "Serial", 1002, &kSerialFacts, &simdrv::kSerial }),
    [](const ::testing::TestParamInfo<Road> &info) { return std::string(info.param.name); });

} // namespace
