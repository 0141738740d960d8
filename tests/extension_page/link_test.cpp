// The sheet's buttons and the driver link, seen from the simulated port
// drivers: OK applies and then closes the link, Apply applies and keeps it
// open for later applies, Cancel closes it without applying.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>
#include <vector>

#include "control_panel.h"
#include "simulated_drivers.h"
#include "wintest.h"

namespace {

enum { kWhereIsCursor = 1027, kSensitivity = 1029, kAcceleration = 1031 };

struct Step {
    int button;          // PSBTN_APPLYNOW, PSBTN_OK or PSBTN_CANCEL
    size_t records;      // set requests each driver has received since the sheet opened
    long open_handles;   // handles open on each driver afterwards
};

struct LinkCase {
    const char *what;
    std::vector<Step> steps;
};

class LinkTest : public ::testing::Test {
protected:
    // Runs the steps on a new sheet with the drivers given installed.
    void run(const LinkCase &c, const std::vector<const simdrv::Port *> &ports)
    {
        SCOPED_TRACE(c.what);
        cpl::ControlPanel panel;
        ASSERT_TRUE(panel.ok()) << panel.error();
        for (const simdrv::Port *port : ports) {
            ASSERT_TRUE(simdrv::wait_open_handles(*port, 1))
                << port->service << ": the page opens each driver once, open handles "
                << simdrv::open_handles(*port);
            simdrv::clear_records(*port);
        }
        // A change, so the Apply button is on as after a user's change.
        SendMessageA(panel.item(kWhereIsCursor), BM_CLICK, 0, 0);
        ASSERT_TRUE(panel.apply_enabled());
        WORD sensitivity = (WORD)(10 * SendMessageA(panel.item(kSensitivity), TBM_GETPOS, 0, 0));
        WORD accelerator = (WORD)SendMessageA(panel.item(kAcceleration), TBM_GETPOS, 0, 0);

        for (const Step &step : c.steps) {
            bool closes = step.button != PSBTN_APPLYNOW;
            panel.press(step.button);
            if (closes) {
                EXPECT_EQ(0, panel.wait_exit()) << "button " << step.button << " closes the sheet";
            }
            for (const simdrv::Port *port : ports) {
                EXPECT_TRUE(simdrv::wait_open_handles(*port, step.open_handles))
                    << port->service << ", button " << step.button << ": open handles "
                    << simdrv::open_handles(*port) << ", expected " << step.open_handles;
                std::vector<simdrv::Record> got = simdrv::records(*port);
                ASSERT_EQ(step.records, got.size())
                    << port->service << ", button " << step.button << ": requests " << simdrv::describe_records(got);
                // Each apply sends the acceleration, then the sensitivity.
                for (size_t i = 0; i + 1 < got.size(); i += 2) {
                    EXPECT_EQ(port->set_accelerator, got[i].code) << port->service;
                    EXPECT_EQ(accelerator, got[i].value) << port->service;
                    EXPECT_EQ(port->set_sensitivity, got[i + 1].code) << port->service;
                    EXPECT_EQ(sensitivity, got[i + 1].value) << port->service;
                }
            }
            if (!closes) {
                EXPECT_TRUE(panel.running()) << "Apply keeps the sheet open";
            }
        }
    }

    const LinkCase cases_[6] = {
        { "OK", { { PSBTN_OK, 2, 0 } } },
        { "Apply", { { PSBTN_APPLYNOW, 2, 1 } } },
        { "Cancel", { { PSBTN_CANCEL, 0, 0 } } },
        { "Apply, then OK", { { PSBTN_APPLYNOW, 2, 1 }, { PSBTN_OK, 4, 0 } } },
        { "Apply, then Cancel", { { PSBTN_APPLYNOW, 2, 1 }, { PSBTN_CANCEL, 2, 0 } } },
        { "Apply twice, then Cancel",
          { { PSBTN_APPLYNOW, 2, 1 }, { PSBTN_APPLYNOW, 4, 1 }, { PSBTN_CANCEL, 4, 0 } } },
    };
    cpl::ScopedRegistration registration_;
};

TEST_F(LinkTest, SerialDriver)
{
    ASSERT_TRUE(registration_.ok());
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedParameters parameters(simdrv::kSerial);
    for (const LinkCase &c : cases_)
        run(c, { &simdrv::kSerial });
}

// With both drivers answering, both links follow the sheet's buttons.
TEST_F(LinkTest, BothDrivers)
{
    ASSERT_TRUE(registration_.ok());
    simdrv::ScopedDriver serial(simdrv::kSerial);
    ASSERT_TRUE(serial.installed()) << serial.error();
    simdrv::ScopedDriver ps2(simdrv::kPs2);
    ASSERT_TRUE(ps2.installed()) << ps2.error();
    simdrv::ScopedParameters serial_parameters(simdrv::kSerial);
    simdrv::ScopedParameters ps2_parameters(simdrv::kPs2);
    run(cases_[3], { &simdrv::kSerial, &simdrv::kPs2 });  // Apply, then OK
    run(cases_[2], { &simdrv::kSerial, &simdrv::kPs2 });  // Cancel
}

} // namespace
