// The simulated port drivers themselves, loaded by Wine as kernel services:
// the query answer, the set requests they accept and record, the requests
// they refuse, and the count of open handles.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstring>
#include <memory>

#include "simulated_drivers.h"
#include "wintest.h"

namespace {

using simdrv::Port;

HANDLE open_device(const Port &port)
{
    return CreateFileA(port.device, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

class SimulatedDriver : public ::testing::TestWithParam<const Port *> {
protected:
    void SetUp() override
    {
        driver_.reset(new simdrv::ScopedDriver(port()));
        ASSERT_TRUE(driver_->installed()) << port().service << ": " << driver_->error();
        device_ = open_device(port());
        ASSERT_NE(INVALID_HANDLE_VALUE, device_) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (device_ != INVALID_HANDLE_VALUE)
            CloseHandle(device_);
        driver_.reset();
    }
    const Port &port() const { return *GetParam(); }

    // Sends one request; returns the error (0 on success) and the byte count.
    DWORD control(DWORD code, const void *in, DWORD in_size, void *out, DWORD out_size,
                  DWORD *returned = NULL)
    {
        DWORD count = 0xDEAD;
        BOOL ok = DeviceIoControl(device_, code, (void *)in, in_size, out, out_size, &count, NULL);
        if (returned)
            *returned = count;
        return ok ? 0 : GetLastError();
    }

    std::unique_ptr<simdrv::ScopedDriver> driver_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

TEST_P(SimulatedDriver, QueryAnswersPresenceAndButtons)
{
    struct Case {
        DWORD buttons;
        WORD present, count;
    } const cases[] = {
        { simdrv::kButtonsAbsent, 1, 3 },
        { 0, 0, 0 },
        { 2, 1, 2 },
        { 5, 1, 5 },
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(simdrv::set_buttons(port(), c.buttons));
        BYTE answer[16];
        memset(answer, 0xAA, sizeof(answer));
        DWORD returned = 0;
        ASSERT_EQ(0u, control(port().query, NULL, 0, answer, sizeof(answer), &returned))
            << "buttons " << c.buttons;
        EXPECT_EQ(16u, returned) << "buttons " << c.buttons;
        WORD words[8];
        memcpy(words, answer, sizeof(words));
        EXPECT_EQ(c.present, words[0]) << "buttons " << c.buttons;
        EXPECT_EQ(c.count, words[1]) << "buttons " << c.buttons;
        for (int i = 2; i < 8; i++)
            EXPECT_EQ(0, words[i]) << "word " << i << ", buttons " << c.buttons;
    }
    simdrv::set_buttons(port(), simdrv::kButtonsAbsent);
}

TEST_P(SimulatedDriver, ShortAnswerWritesOnlyItsBytes)
{
    for (DWORD bytes : { 0u, 2u, 4u, 15u }) {
        ASSERT_TRUE(simdrv::set_answer_bytes(port(), bytes));
        BYTE answer[16];
        memset(answer, 0xAA, sizeof(answer));
        DWORD returned = 0;
        ASSERT_EQ(0u, control(port().query, NULL, 0, answer, sizeof(answer), &returned));
        EXPECT_EQ(bytes, returned);
        BYTE expected[16];
        memset(expected, 0xAA, sizeof(expected));
        const BYTE full[16] = { 1, 0, 3, 0 };
        memcpy(expected, full, bytes);
        EXPECT_EQ(0, memcmp(expected, answer, sizeof(answer))) << "answer of " << bytes << " bytes";
    }
    simdrv::clear_answer_bytes(port());
}

TEST_P(SimulatedDriver, RefusesWrongSizesAndUnknownCodes)
{
    const WORD value = 7;
    BYTE in[4] = { 7, 0, 0, 0 };
    BYTE out[16];
    struct Case {
        const char *what;
        DWORD code;
        DWORD in_size, out_size;
        DWORD error;
    } const cases[] = {
        { "query, answer buffer of 15", port().query, 0, 15, ERROR_INSUFFICIENT_BUFFER },
        { "query with input", port().query, 2, 16, ERROR_INVALID_PARAMETER },
        { "accelerator of 1 byte", port().set_accelerator, 1, 0, ERROR_INVALID_PARAMETER },
        { "accelerator of 4 bytes", port().set_accelerator, 4, 0, ERROR_INVALID_PARAMETER },
        { "sensitivity without input", port().set_sensitivity, 0, 0, ERROR_INVALID_PARAMETER },
        { "sensitivity with output", port().set_sensitivity, 2, 2, ERROR_INVALID_PARAMETER },
        { "function after the three", port().query + 12, 2, 0, ERROR_INVALID_FUNCTION },
        { "other port's query", port().query == simdrv::kSerial.query ? simdrv::kPs2.query
                                                                      : simdrv::kSerial.query,
          0, 16, ERROR_INVALID_FUNCTION },
    };
    simdrv::clear_records(port());
    for (const Case &c : cases) {
        DWORD error = control(c.code, c.in_size ? in : NULL, c.in_size,
                              c.out_size ? out : NULL, c.out_size);
        EXPECT_EQ(c.error, error) << c.what;
    }
    EXPECT_TRUE(simdrv::records(port()).empty()) << "a refused request was recorded";
    // The device still serves a well-formed request afterwards.
    EXPECT_EQ(0u, control(port().set_accelerator, &value, sizeof(value), NULL, 0));
    EXPECT_EQ(1u, simdrv::records(port()).size());
    simdrv::clear_records(port());
}

TEST_P(SimulatedDriver, RecordsSetRequestsInOrder)
{
    simdrv::clear_records(port());
    FILETIME before, after;
    GetSystemTimeAsFileTime(&before);
    const BYTE sensitivity[2] = { 0xC8, 0x00 };
    const BYTE accelerator[2] = { 0x03, 0x00 };
    const BYTE wide[2] = { 0x34, 0x12 };
    ASSERT_EQ(0u, control(port().set_accelerator, accelerator, 2, NULL, 0));
    ASSERT_EQ(0u, control(port().set_sensitivity, sensitivity, 2, NULL, 0));
    ASSERT_EQ(0u, control(port().set_sensitivity, wide, 2, NULL, 0));
    GetSystemTimeAsFileTime(&after);

    struct Expected {
        DWORD code;
        WORD value;
    } const expected[] = {
        { port().set_accelerator, 3 },
        { port().set_sensitivity, 200 },
        { port().set_sensitivity, 0x1234 },
    };
    std::vector<simdrv::Record> got = simdrv::records(port());
    ASSERT_EQ(3u, got.size());
    auto as_ll = [](FILETIME t) { return (LONGLONG)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime); };
    LONGLONG previous = 0;
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_EQ(expected[i].code, got[i].code) << "record " << i;
        EXPECT_EQ(expected[i].value, got[i].value) << "record " << i;
        EXPECT_EQ(0, got[i].reserved) << "record " << i;
        // Clocks of two processes: allow for their coarse resolution.
        EXPECT_GE(got[i].time, as_ll(before) - 200000) << "record " << i;
        EXPECT_LE(got[i].time, as_ll(after) + 200000) << "record " << i;
        EXPECT_GE(got[i].time, previous) << "record " << i;
        previous = got[i].time;
    }
    simdrv::clear_records(port());
    EXPECT_TRUE(simdrv::records(port()).empty());
}

TEST_P(SimulatedDriver, CountsOpenHandles)
{
    // SetUp holds one handle; share mode 0 does not keep others out.
    ASSERT_TRUE(simdrv::wait_open_handles(port(), 1)) << "got " << simdrv::open_handles(port());
    HANDLE second = open_device(port());
    ASSERT_NE(INVALID_HANDLE_VALUE, second) << "error " << GetLastError();
    EXPECT_TRUE(simdrv::wait_open_handles(port(), 2)) << "got " << simdrv::open_handles(port());
    CloseHandle(second);
    EXPECT_TRUE(simdrv::wait_open_handles(port(), 1)) << "got " << simdrv::open_handles(port());
    CloseHandle(device_);
    device_ = INVALID_HANDLE_VALUE;
    EXPECT_TRUE(simdrv::wait_open_handles(port(), 0)) << "got " << simdrv::open_handles(port());
}

INSTANTIATE_TEST_SUITE_P(Ports, SimulatedDriver,
                         ::testing::Values(&simdrv::kSerial, &simdrv::kPs2),
                         [](const ::testing::TestParamInfo<const Port *> &info) {
                             return std::string(info.param == &simdrv::kSerial ? "Serial" : "Ps2");
                         });

// Both drivers run side by side, and stopping one leaves no trace of it:
// no device, no service key.
TEST(SimulatedDrivers, RunSideBySideAndLeaveNothingBehind)
{
    {
        simdrv::ScopedDriver serial(simdrv::kSerial, 2);
        simdrv::ScopedDriver ps2(simdrv::kPs2, 0);
        ASSERT_TRUE(serial.installed()) << serial.error();
        ASSERT_TRUE(ps2.installed()) << ps2.error();
        EXPECT_TRUE(simdrv::device_opens(simdrv::kSerial));
        EXPECT_TRUE(simdrv::device_opens(simdrv::kPs2));
    }
    for (const Port *port : { &simdrv::kSerial, &simdrv::kPs2 }) {
        EXPECT_FALSE(simdrv::device_opens(*port)) << port->service;
        HKEY key;
        LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, simdrv::service_key(*port).c_str(), 0, KEY_READ, &key);
        if (rc == ERROR_SUCCESS)
            RegCloseKey(key);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, rc) << port->service << " key left behind";
    }
}

} // namespace
