// ButtonsPageProc: the dialog procedure of the Tavix settings page, the page
// that replaces the Mouse control panel's Buttons page. It hands creation
// and applying to the settings core, marks the sheet changed, swaps the
// secondary function between the lists for a left-hand user, shows the
// pressed buttons, runs the double-click test area and starts help and the
// uninstaller.
#include "tvntcpl.h"
#include "resource.h"

#include <commctrl.h>

// ---------------------------------------------------------------------------
// Small helpers.

// The sheet enables its Apply button; there is no message to take it back.
static void MarkSheetChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0);
}

static LRESULT ListSelection(HWND page, int id)
{
    return SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0);
}

// ---------------------------------------------------------------------------
// Commands.

// The lists are compared with what was last loaded or applied, not with the
// page's own earlier selection; every notification of a list runs this.
static void OnFunctionListCommand(HWND page, int id, DWORD published)
{
    if ((DWORD)ListSelection(page, id) != published)
        MarkSheetChanged(page);
}

// The secondary button's function moves to the other list, which takes over
// the enabled state; the list it leaves falls back to "(Unassigned)". A list
// without a selection passes that on (CB_ERR clears the other's selection).
static void MoveSecondaryFunction(HWND page, int fromList, int fromLabel, int toList, int toLabel)
{
    LRESULT index = ListSelection(page, fromList);
    SendDlgItemMessageA(page, toList, CB_SETCURSEL, (WPARAM)index, 0);
    SendDlgItemMessageA(page, fromList, CB_SETCURSEL, kFunctionUnassigned, 0);
    EnableControl(page, toList, TRUE);
    EnableControl(page, toLabel, TRUE);
    EnableControl(page, fromList, FALSE);
    EnableControl(page, fromLabel, FALSE);
}

// In left-hand mode the system swaps the buttons, so the secondary function
// belongs to the physical left button. The system, the block and the
// registry follow only when the settings are applied.
static void OnLeftHandUser(HWND page)
{
    MarkSheetChanged(page);
    if (IsDlgButtonChecked(page, IDC_LEFT_HAND_USER) == BST_CHECKED)
        MoveSecondaryFunction(page, IDC_RIGHT_LIST, IDC_RIGHT_LABEL, IDC_LEFT_LIST, IDC_LEFT_LABEL);
    else
        MoveSecondaryFunction(page, IDC_LEFT_LIST, IDC_LEFT_LABEL, IDC_RIGHT_LIST, IDC_RIGHT_LABEL);
}

static void OnThreeButtonMode(HWND page)
{
    MarkSheetChanged(page);
    BOOL checked = IsDlgButtonChecked(page, IDC_THREE_BUTTON_MODE) == BST_CHECKED;
    EnableControl(page, IDC_MIDDLE_LIST, checked);
    EnableControl(page, IDC_MIDDLE_LABEL, checked);
}

static void OnHelp(HWND page)
{
    WinHelpA(page, HELP_FILE_PATH, HELP_FINDER, 0);
}

// Zero-terminates the command read into the buffer. A value that fills the
// whole buffer without ending in a zero leaves no room for one: it is not
// run.
static BOOL TerminateCommand(char *command, DWORD size, DWORD capacity)
{
    if (size < capacity) {
        command[size] = '\0';
        return TRUE;
    }
    return command[capacity - 1] == '\0';
}

// Starts the command that setup entered in the system's list of removable
// software. Opening for writing too means a user without write rights on
// that key gets nothing.
static void OnUninstall(HWND page)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, PAGE_KEY_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char command[kUninstallCommandSize];
    DWORD size = sizeof(command);
    if (RegQueryValueExA(key, UNINSTALL_VALUE, NULL, NULL, (BYTE *)command, &size) == ERROR_SUCCESS
        && TerminateCommand(command, size, sizeof(command)))
        WinExec(command, SW_SHOWNORMAL);
    RegCloseKey(key);
}

static void OnCommand(HWND page, int id)
{
    switch (id) {
    case IDC_MIDDLE_LIST:
        OnFunctionListCommand(page, id, SharedBlock->MiddleButton);
        break;
    case IDC_RIGHT_LIST:
    case IDC_LEFT_LIST:
        OnFunctionListCommand(page, id, SharedBlock->SecondButton);
        break;
    case IDC_THREE_BUTTON_MODE:
        OnThreeButtonMode(page);
        break;
    case IDC_LEFT_HAND_USER:
        OnLeftHandUser(page);
        break;
    case IDC_WHERE_IS_CURSOR:
        MarkSheetChanged(page);
        break;
    case IDC_HELP_BUTTON:
        OnHelp(page);
        break;
    case IDC_UNINSTALL:
        OnUninstall(page);
        break;
    }
}

// ---------------------------------------------------------------------------
// Sheet notifications. No message result is ever stored, so the sheet reads
// 0 for each: applying never fails towards the sheet, activation is
// accepted and the page may always be left.

static void OnNotify(HWND page, const NMHDR *header)
{
    switch (header->code) {
    case PSN_APPLY:
        ApplyPageSettings(page);
        if (((const PSHNOTIFY *)header)->lParam)  // OK: the sheet closes
            CloseDriverLink();
        break;
    case PSN_RESET:
        CloseDriverLink();
        break;
    }
}

// ---------------------------------------------------------------------------
// Mouse buttons: the picture of the pressed buttons and the test area.

enum { kMaskLeft = 1, kMaskMiddle = 2, kMaskRight = 4 };

// The button a message names is forced on for a press or double-click and
// off for a release; the others come from the key-state flags.
static int ButtonMask(UINT message, WPARAM keys)
{
    static const struct { UINT message; int button; BOOL pressed; } named[] = {
        { WM_LBUTTONDOWN,   kMaskLeft,   TRUE  },
        { WM_LBUTTONUP,     kMaskLeft,   FALSE },
        { WM_LBUTTONDBLCLK, kMaskLeft,   TRUE  },
        { WM_RBUTTONDOWN,   kMaskRight,  TRUE  },
        { WM_RBUTTONUP,     kMaskRight,  FALSE },
        { WM_RBUTTONDBLCLK, kMaskRight,  TRUE  },
        { WM_MBUTTONDOWN,   kMaskMiddle, TRUE  },
        { WM_MBUTTONUP,     kMaskMiddle, FALSE },
        { WM_MBUTTONDBLCLK, kMaskMiddle, TRUE  },
    };
    int mask = 0;
    if (keys & MK_LBUTTON)
        mask |= kMaskLeft;
    if (keys & MK_MBUTTON)
        mask |= kMaskMiddle;
    if (keys & MK_RBUTTON)
        mask |= kMaskRight;
    for (size_t i = 0; i < sizeof(named) / sizeof(named[0]); ++i) {
        if (named[i].message == message) {
            if (named[i].pressed)
                mask |= named[i].button;
            else
                mask &= ~named[i].button;
        }
    }
    return mask;
}

// The test box is disabled, so its double-clicks reach the page; the icon
// inside it shows the animal at rest or startled by turns.
static void OnTestAreaDoubleClick(HWND page, LPARAM where)
{
    POINT point = { (short)LOWORD(where), (short)HIWORD(where) };
    ClientToScreen(page, &point);
    RECT box;
    GetWindowRect(GetDlgItem(page, IDC_TEST_AREA), &box);
    if (!PtInRect(&box, point))
        return;
    TestAreaToggle = !TestAreaToggle;
    HICON icon = LoadIconA(ModuleInstance, MAKEINTRESOURCEA(TestAreaToggle ? IDI_ANIMAL_STARTLED
                                                                            : IDI_ANIMAL_AT_REST));
    SendDlgItemMessageA(page, IDC_TEST_ICON, STM_SETICON, (WPARAM)icon, 0);
}

static void OnMouseButton(HWND page, UINT message, WPARAM keys, LPARAM where)
{
    if (message == WM_LBUTTONDBLCLK)
        OnTestAreaDoubleClick(page, where);
    ShowButtonPicture(page, ButtonMask(message, keys));
}

// The template's picture is drawn on its key colour; the first paint makes
// it the transparent picture of no pressed button.
static void OnPaint(HWND page)
{
    if (!PicturePainted) {
        ShowButtonPicture(page, 0);
        PicturePainted = TRUE;
    }
}

// ---------------------------------------------------------------------------

INT_PTR CALLBACK ButtonsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        LoadPageSettings(page);
        return TRUE;
    case WM_PAINT:
        OnPaint(page);
        return FALSE;  // the dialog manager paints as usual
    case WM_NOTIFY:
        OnNotify(page, (const NMHDR *)lParam);
        return TRUE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam));
        return TRUE;
    case WM_HSCROLL:
        // Every scroll code of every trackbar, even the end of a drag that
        // moved nothing.
        MarkSheetChanged(page);
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        OnMouseButton(page, message, wParam, lParam);
        return TRUE;
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}
