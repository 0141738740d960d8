// The simulated mouse port drivers (medium/drivers) as seen from a test:
// install and start one as a kernel service, steer what its query answers,
// read back the set requests it received and the handles open on it, stop
// and delete it again.
//
// Every value lives in the driver's service key
// HKLM\SYSTEM\CurrentControlSet\Services\<name>:
//   "SimulatedButtons"     REG_DWORD, absent: 3 buttons; 0: no mouse
//   "SimulatedAnswerBytes" REG_DWORD, absent: 16 answer bytes
//   "ReceivedRequests"     REG_BINARY, 16-byte records (Record below)
//   "OpenHandles"          REG_DWORD, handles open on the device
#pragma once

#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>

#include "wintest.h"

namespace simdrv {

struct Port {
    const char *service;         // service and key name
    const char *file;            // driver file beside the test program
    const char *device;          // Win32 device name
    DWORD query;                 // control codes
    DWORD set_accelerator;
    DWORD set_sensitivity;
    const char *parameters_key;  // under HKEY_LOCAL_MACHINE
};

inline const Port kSerial = {
    "tvsermou", "tvsermou.sys", "\\\\.\\TVSERMOU",
    0x1A2400, 0x1A2404, 0x1A2408,
    "SYSTEM\\CurrentControlSet\\Services\\tvsermou\\Parameters",
};
inline const Port kPs2 = {
    "TVI8042", "tvi8042.sys", "\\\\.\\TVI8042",
    0x272000, 0x272004, 0x272008,
    "SYSTEM\\CurrentControlSet\\Services\\TVI8042\\Parameters",
};

// One set request as the driver recorded it.
struct Record {
    DWORD code;
    WORD value;      // the 2 input bytes, little-endian
    WORD reserved;
    LONGLONG time;   // system time at receipt, 100 ns units
};
static_assert(sizeof(Record) == 16, "record layout");

// Records as "[0x<code> <value>] " each, for failure messages; "none" for none.
inline std::string describe_records(const std::vector<Record> &records)
{
    std::string text;
    for (const Record &r : records) {
        char item[40];
        snprintf(item, sizeof(item), "[0x%lX %u] ", (unsigned long)r.code, (unsigned)r.value);
        text += item;
    }
    return text.empty() ? "none" : text;
}

// Passed as buttons: leave "SimulatedButtons" absent (a 3-button mouse).
constexpr DWORD kButtonsAbsent = 0xFFFFFFFFu;

inline std::string service_key(const Port &port)
{
    return std::string("SYSTEM\\CurrentControlSet\\Services\\") + port.service;
}

inline bool set_dword(const Port &port, const char *name, DWORD value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, service_key(port).c_str(), 0, KEY_SET_VALUE, &key))
        return false;
    LONG rc = RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

inline void delete_value(const Port &port, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, service_key(port).c_str(), 0, KEY_SET_VALUE, &key))
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// Reads a REG_DWORD of the service key; false when absent.
inline bool get_dword(const Port &port, const char *name, DWORD *value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, service_key(port).c_str(), 0, KEY_QUERY_VALUE, &key))
        return false;
    DWORD type = 0, size = sizeof(*value);
    LONG rc = RegQueryValueExA(key, name, NULL, &type, (BYTE *)value, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(*value);
}

inline bool set_buttons(const Port &port, DWORD buttons)
{
    if (buttons == kButtonsAbsent) {
        delete_value(port, "SimulatedButtons");
        return true;
    }
    return set_dword(port, "SimulatedButtons", buttons);
}

inline bool set_answer_bytes(const Port &port, DWORD bytes)
{
    return set_dword(port, "SimulatedAnswerBytes", bytes);
}

inline void clear_answer_bytes(const Port &port)
{
    delete_value(port, "SimulatedAnswerBytes");
}

inline std::vector<Record> records(const Port &port)
{
    std::vector<Record> result;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, service_key(port).c_str(), 0, KEY_QUERY_VALUE, &key))
        return result;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, "ReceivedRequests", NULL, &type, NULL, &size) == ERROR_SUCCESS
        && type == REG_BINARY && size >= sizeof(Record)) {
        result.resize(size / sizeof(Record));
        size = (DWORD)(result.size() * sizeof(Record));
        if (RegQueryValueExA(key, "ReceivedRequests", NULL, &type, (BYTE *)result.data(), &size))
            result.clear();
    }
    RegCloseKey(key);
    return result;
}

inline void clear_records(const Port &port)
{
    delete_value(port, "ReceivedRequests");
}

// Handles open on the device as the driver counted them; -1 when unknown.
inline long open_handles(const Port &port)
{
    DWORD value;
    return get_dword(port, "OpenHandles", &value) ? (long)value : -1;
}

// The close of a handle reaches the driver after CloseHandle has returned,
// so a test waits for the count it expects.
inline bool wait_open_handles(const Port &port, long expected, DWORD timeout_ms = 10000)
{
    return wintest::wait_for([&] { return open_handles(port) == expected; }, timeout_ms);
}

inline bool service_state(const Port &port, DWORD *state)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!scm)
        return false;
    SC_HANDLE service = OpenServiceA(scm, port.service, SERVICE_QUERY_STATUS);
    bool ok = false;
    if (service) {
        SERVICE_STATUS status;
        ok = QueryServiceStatus(service, &status) != FALSE;
        *state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    return ok;
}

inline bool device_opens(const Port &port)
{
    HANDLE h = CreateFileA(port.device, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

// Creates the driver's service from the driver file beside the test program
// and starts it. Fails, touching nothing, when the service exists already:
// a test only ever removes what it made itself. A service made here that
// does not come up is removed again. On failure, *why says what failed.
inline bool remove(const Port &port);

// Starts a service: ERROR_SUCCESS, or the error that refused it. Wine's
// service manager starts its own services first when the first program of a
// session runs, and holds the start lock meanwhile; the start is asked again
// until the lock is free or the time is up.
inline DWORD start_service(SC_HANDLE service, DWORD timeout_ms = 60000)
{
    DWORD error = ERROR_SUCCESS;
    wintest::wait_for([&] {
        error = StartServiceA(service, 0, NULL) ? ERROR_SUCCESS : GetLastError();
        return error != ERROR_SERVICE_DATABASE_LOCKED;
    }, timeout_ms);
    return error;
}

inline bool install(const Port &port, DWORD buttons = kButtonsAbsent, std::string *why = NULL)
{
    auto fail = [&](const char *what) {
        if (why)
            *why = std::string(what) + ", error " + std::to_string(GetLastError());
        return false;
    };
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return fail("OpenSCManagerA");
    std::string image = wintest::module_dir() + port.file;
    SC_HANDLE service = CreateServiceA(scm, port.service, port.service, SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, image.c_str(),
                                       NULL, NULL, NULL, NULL, NULL);
    if (!service) {
        fail("CreateServiceA");
        CloseServiceHandle(scm);
        return false;
    }
    bool ok = set_buttons(port, buttons) || fail("setting SimulatedButtons");
    if (ok) {
        DWORD start_error = start_service(service);
        SetLastError(start_error);
        ok = start_error == ERROR_SUCCESS || fail("StartServiceA");
    }
    CloseServiceHandle(service);
    CloseServiceHandle(scm);
    ok = ok && (wintest::wait_for([&] { return device_opens(port); }) || fail("opening the device"));
    if (!ok)
        remove(port);
    return ok;
}

// Stops the driver and leaves its service and key in place: the device is
// gone until the service starts again.
inline bool stop(const Port &port)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!scm)
        return false;
    SC_HANDLE service = OpenServiceA(scm, port.service, SERVICE_STOP | SERVICE_QUERY_STATUS);
    bool ok = false;
    if (service) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        ok = wintest::wait_for([&] {
            DWORD state;
            return service_state(port, &state) && state == SERVICE_STOPPED;
        });
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    return ok && wintest::wait_for([&] { return !device_opens(port); });
}

// Stops and deletes the service, and removes what is left of its key.
inline bool remove(const Port &port)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return false;
    SC_HANDLE service = OpenServiceA(scm, port.service, SERVICE_ALL_ACCESS);
    if (!service) {
        CloseServiceHandle(scm);
        return false;
    }
    SERVICE_STATUS status;
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    bool stopped = wintest::wait_for([&] {
        DWORD state;
        return service_state(port, &state) && state == SERVICE_STOPPED;
    });
    bool deleted = DeleteService(service) != FALSE;
    CloseServiceHandle(service);
    CloseServiceHandle(scm);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, service_key(port).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, service_key(port).c_str());
    return stopped && deleted;
}

// A driver installed for the life of a scope; removed again only when this
// object installed it.
class ScopedDriver {
public:
    explicit ScopedDriver(const Port &port, DWORD buttons = kButtonsAbsent)
        : port_(port), installed_(install(port, buttons, &error_)) {}
    ~ScopedDriver()
    {
        if (installed_)
            remove(port_);
    }
    ScopedDriver(const ScopedDriver &) = delete;
    ScopedDriver &operator=(const ScopedDriver &) = delete;

    bool installed() const { return installed_; }
    const Port &port() const { return port_; }
    const std::string &error() const { return error_; }

private:
    const Port &port_;
    std::string error_;
    bool installed_;
};

// The driver's Parameters key, made by a test and deleted with all its
// values when the object goes. Without the driver's service the service key
// is made too, and goes again with it.
class ScopedParameters {
public:
    explicit ScopedParameters(const Port &port) : port_(port)
    {
        const std::string service = service_key(port);
        HKEY key;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, service.c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                            NULL, &key, &disposition) != ERROR_SUCCESS)
            return;
        RegCloseKey(key);
        if (disposition == REG_CREATED_NEW_KEY)
            made_ = service;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, port.parameters_key, 0, NULL, 0, KEY_ALL_ACCESS,
                            NULL, &key, &disposition) != ERROR_SUCCESS)
            return;
        RegCloseKey(key);
        ok_ = true;
        if (disposition == REG_CREATED_NEW_KEY && made_.empty())
            made_ = port.parameters_key;
    }
    ~ScopedParameters()
    {
        if (!made_.empty()) {
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, made_.c_str());
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, made_.c_str());
        }
    }
    ScopedParameters(const ScopedParameters &) = delete;
    ScopedParameters &operator=(const ScopedParameters &) = delete;

    // The key exists (made here or before).
    bool ok() const { return ok_; }
    bool created() const { return !made_.empty(); }

private:
    const Port &port_;
    std::string made_;
    bool ok_ = false;
};

} // namespace simdrv
