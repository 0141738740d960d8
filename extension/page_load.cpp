// Page loading: drivers probed, lists filled, settings restored from the
// Parameters key of the driver that runs, the left-hand setting put into
// effect, trackbars set up.
#include "tvntcpl.h"
#include "resource.h"

#include <commctrl.h>

// What a probe learnt at this loading: the answer and how much of it the
// driver wrote. Loading reads an answer field only when its bytes were
// written, so a short answer, or a presence flag left set by an earlier
// loading whose probe now fails, never brings in stale memory.
struct ProbeResult {
    BYTE Answer[kQueryAnswerSize];
    DWORD Written;
};

static WORD AnswerWord(const ProbeResult &probe, int offset)
{
    return (WORD)(probe.Answer[offset] | (probe.Answer[offset + 1] << 8));
}

static void Probe(const char *deviceName, DWORD queryCode, HANDLE *device, DWORD *present,
                  ProbeResult *probe)
{
    probe->Written = ProbeDriver(deviceName, queryCode, device, probe->Answer);
    if (probe->Written >= kAnswerPresentEnd && AnswerWord(*probe, kAnswerPresentOffset) != 0)
        *present = 1;
}

// The number of buttons a present driver reported at this loading; 0 when
// its answer did not reach that far.
static DWORD ReportedButtons(DWORD present, const ProbeResult &probe)
{
    if (!present || probe.Written < kAnswerButtonsEnd)
        return 0;
    return AnswerWord(probe, kAnswerButtonsOffset);
}

static void FillFunctionList(HWND page, int id)
{
    for (int code = 0; code < kOfferedFunctionCount; code++)
        SendDlgItemMessageA(page, id, CB_ADDSTRING, 0, (LPARAM)ButtonFunctionNames[code]);
}

// Reads one setting into its 4-byte destination. A value that cannot be
// read (missing, or longer than 4 bytes) is written back at once from the
// destination as it stands, which creates a missing value with its default.
// The value is taken through a zero-filled local and stored with one 32-bit
// store: the pointer helper may be reading the block at the same moment,
// and a failed or short query must leave no partial bytes behind.
static void LoadSetting(HKEY key, const char *name, DWORD *destination)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&value, &size) == ERROR_SUCCESS)
        *destination = value;
    else
        RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)destination, sizeof(*destination));
}

static void LoadStoredSettings(HKEY key)
{
    LoadSetting(key, VALUE_BUTTON_SWAP, &PageState.ButtonSwap);
    LoadSetting(key, VALUE_SENSITIVITY, &PageState.Sensitivity);
    LoadSetting(key, VALUE_ACCELERATOR, &PageState.Accelerator);
    LoadSetting(key, VALUE_MIDDLE_BUTTON, &SharedBlock->MiddleButton);
    LoadSetting(key, VALUE_SECOND_BUTTON, &SharedBlock->SecondButton);
    LoadSetting(key, VALUE_CENTER, &SharedBlock->Center);
}

void LoadPageSettings(HWND page)
{
    DriverLink &link = PageState.Link;
    ProbeResult serial, ps2;

    // Both probes always run; the flags are only ever set.
    Probe(TVSERMOU_DEVICE_NAME, IOCTL_TVSERMOU_QUERY_ATTRIBUTES, &link.SerialDevice,
          &link.SerialPresent, &serial);
    Probe(TVI8042_DEVICE_NAME, IOCTL_TVI8042_QUERY_ATTRIBUTES, &link.Ps2Device,
          &link.Ps2Present, &ps2);

    // The larger number of buttons of the drivers that answered.
    DWORD buttons = ReportedButtons(link.SerialPresent, serial);
    DWORD ps2Buttons = ReportedButtons(link.Ps2Present, ps2);
    if (ps2Buttons > buttons)
        buttons = ps2Buttons;

    FillFunctionList(page, IDC_LEFT_LIST);
    FillFunctionList(page, IDC_MIDDLE_LIST);
    FillFunctionList(page, IDC_RIGHT_LIST);

    SharedBlock->MiddleButton = kFunctionHyperMarvane;
    SharedBlock->SecondButton = kFunctionUnassigned;
    SharedBlock->Center = 0;
    PageState.ButtonSwap = 0;

    // The serial driver's settings when it answered, otherwise the PS/2
    // driver's, also when neither answered.
    HKEY key;
    const char *keyName = link.SerialPresent ? TVSERMOU_PARAMETERS_KEY : TVI8042_PARAMETERS_KEY;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, PAGE_KEY_ACCESS, &key) == ERROR_SUCCESS) {
        LoadStoredSettings(key);
        RegCloseKey(key);
    }

    // A two-button mouse has no middle/side button to assign.
    if (buttons == 2) {
        SendDlgItemMessageA(page, IDC_MIDDLE_LIST, CB_SETCURSEL, kFunctionUnassigned, 0);
        EnableControl(page, IDC_MIDDLE_LIST, FALSE);
        EnableControl(page, IDC_MIDDLE_LABEL, FALSE);
    } else {
        SendDlgItemMessageA(page, IDC_MIDDLE_LIST, CB_SETCURSEL, SharedBlock->MiddleButton, 0);
    }

    // In left-hand mode the secondary function belongs to the left button.
    // The swap lives on only in "Button Swap", not in the user's profile.
    if (PageState.ButtonSwap != 0) {
        SendDlgItemMessageA(page, IDC_RIGHT_LIST, CB_SETCURSEL, kFunctionUnassigned, 0);
        SendDlgItemMessageA(page, IDC_LEFT_LIST, CB_SETCURSEL, SharedBlock->SecondButton, 0);
        EnableControl(page, IDC_LEFT_LIST, TRUE);
        EnableControl(page, IDC_LEFT_LABEL, TRUE);
        EnableControl(page, IDC_RIGHT_LIST, FALSE);
        EnableControl(page, IDC_RIGHT_LABEL, FALSE);
        CheckDlgButton(page, IDC_LEFT_HAND_USER, BST_CHECKED);
        SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, 1, NULL, SPIF_SENDCHANGE);
    } else {
        SendDlgItemMessageA(page, IDC_LEFT_LIST, CB_SETCURSEL, kFunctionUnassigned, 0);
        SendDlgItemMessageA(page, IDC_RIGHT_LIST, CB_SETCURSEL, SharedBlock->SecondButton, 0);
        SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, 0, NULL, SPIF_SENDCHANGE);
    }

    if (SharedBlock->Center != 0)
        CheckDlgButton(page, IDC_WHERE_IS_CURSOR, BST_CHECKED);

    InitTrackbar(page, IDC_SENSITIVITY, 1, 20, 1, (int)(PageState.Sensitivity / 10));
    InitTrackbar(page, IDC_ACCELERATION, 0, 3, 1, (int)PageState.Accelerator);
    PageState.DoubleClickTime = GetDoubleClickTime();
    InitTrackbar(page, IDC_DOUBLE_CLICK_SPEED, 100, 900, 400, 1000 - (int)PageState.DoubleClickTime);
}

void InitTrackbar(HWND page, int id, int minimum, int maximum, int frequency, int position)
{
    SendDlgItemMessageA(page, id, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
    SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
    SendDlgItemMessageA(page, id, TBM_SETTICFREQ, frequency, position);
}
