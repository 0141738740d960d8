// The link to the two mouse port drivers: opening a device and asking it
// what mouse it serves, sending it a setting, closing the handles when the
// sheet is done.
#include "tvntcpl.h"

static void CloseDevice(HANDLE *device)
{
    if (*device != INVALID_HANDLE_VALUE) {
        CloseHandle(*device);
        *device = INVALID_HANDLE_VALUE;
    }
}

DWORD ProbeDriver(const char *deviceName, DWORD queryCode, HANDLE *device,
                  BYTE (&answer)[kQueryAnswerSize])
{
    ZeroMemory(answer, sizeof(answer));

    // A page that ended without closing its link must not leave its handle
    // behind when the next page opens the device again.
    CloseDevice(device);
    *device = CreateFileA(deviceName, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (*device == INVALID_HANDLE_VALUE)
        return 0;

    DWORD written = 0;
    if (!DeviceIoControl(*device, queryCode, NULL, 0, answer, sizeof(answer), &written, NULL))
        return 0;
    return written < sizeof(answer) ? written : sizeof(answer);
}

void SendDriverSetting(HANDLE device, DWORD code, DWORD value)
{
    // A presence flag outlives a device that could not be opened again at a
    // later loading; there is nothing to send the request to then.
    if (device == INVALID_HANDLE_VALUE)
        return;
    WORD setting = LOWORD(value);
    static_assert(sizeof(setting) == kSetRequestSize, "a set request carries 2 bytes");
    DWORD returned;
    DeviceIoControl(device, code, &setting, kSetRequestSize, NULL, 0, &returned, NULL);
}

void CloseDriverLink(void)
{
    // The presence flags stay: they describe the module's whole life.
    CloseDevice(&PageState.Link.SerialDevice);
    CloseDevice(&PageState.Link.Ps2Device);
}
