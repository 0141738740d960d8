// Page applying: the controls' state reaches the block, the system, the
// drivers and the registry.
#include "tvntcpl.h"
#include "resource.h"

#include <commctrl.h>

// The low 8 bits of a list's selection: a code from 0 to 10, or 255 for a
// list without a selection.
static DWORD SelectedFunction(HWND page, int id)
{
    return (BYTE)SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0);
}

static DWORD TrackbarPosition(HWND page, int id)
{
    return (DWORD)SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0);
}

static void StoreSetting(HKEY key, const char *name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
}

// One driver, completely: its two requests first, then its six values.
static void ApplyToDriver(HANDLE device, DWORD acceleratorCode, DWORD sensitivityCode,
                          const char *keyName)
{
    SendDriverSetting(device, acceleratorCode, PageState.Accelerator);
    SendDriverSetting(device, sensitivityCode, PageState.Sensitivity);

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, PAGE_KEY_ACCESS, &key) != ERROR_SUCCESS)
        return;
    StoreSetting(key, VALUE_CENTER, SharedBlock->Center);
    StoreSetting(key, VALUE_SENSITIVITY, PageState.Sensitivity);
    StoreSetting(key, VALUE_ACCELERATOR, PageState.Accelerator);
    StoreSetting(key, VALUE_MIDDLE_BUTTON, SharedBlock->MiddleButton);
    StoreSetting(key, VALUE_SECOND_BUTTON, SharedBlock->SecondButton);
    StoreSetting(key, VALUE_BUTTON_SWAP, PageState.ButtonSwap);
    RegCloseKey(key);
}

void ApplyPageSettings(HWND page)
{
    // The list counts even while disabled: for a two-button mouse it holds
    // entry 0.
    SharedBlock->MiddleButton = SelectedFunction(page, IDC_MIDDLE_LIST);

    // In left-hand mode the secondary function is the left list's.
    if (IsDlgButtonChecked(page, IDC_LEFT_HAND_USER) == BST_CHECKED) {
        PageState.ButtonSwap = 1;
        SharedBlock->SecondButton = SelectedFunction(page, IDC_LEFT_LIST);
        SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, 1, NULL, SPIF_SENDCHANGE);
    } else {
        PageState.ButtonSwap = 0;
        SharedBlock->SecondButton = SelectedFunction(page, IDC_RIGHT_LIST);
        SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, 0, NULL, SPIF_SENDCHANGE);
    }

    SharedBlock->Center = IsDlgButtonChecked(page, IDC_WHERE_IS_CURSOR) == BST_CHECKED ? 1 : 0;

    // The double-click time goes to the system only.
    PageState.DoubleClickTime = 1000 - TrackbarPosition(page, IDC_DOUBLE_CLICK_SPEED);
    SetDoubleClickTime(PageState.DoubleClickTime);

    PageState.Sensitivity = 10 * TrackbarPosition(page, IDC_SENSITIVITY);
    PageState.Accelerator = TrackbarPosition(page, IDC_ACCELERATION);

    // The serial driver is served completely before the PS/2 driver.
    if (PageState.Link.SerialPresent)
        ApplyToDriver(PageState.Link.SerialDevice, IOCTL_TVSERMOU_SET_ACCELERATOR,
                      IOCTL_TVSERMOU_SET_SENSITIVITY, TVSERMOU_PARAMETERS_KEY);
    if (PageState.Link.Ps2Present)
        ApplyToDriver(PageState.Link.Ps2Device, IOCTL_TVI8042_SET_ACCELERATOR,
                      IOCTL_TVI8042_SET_SENSITIVITY, TVI8042_PARAMETERS_KEY);
}
