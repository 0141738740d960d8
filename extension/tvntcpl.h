// TVNTCpl: the Tavix replacement for the Buttons page of the Mouse control
// panel. Chief header: the shared settings block, the button functions, the
// port driver interface and the page's process-wide state.
#pragma once

#include <windows.h>

// ---------------------------------------------------------------------------
// Shared settings block, read by the pointer helper (TVPtr.exe) in its own
// process. Plain aligned 32-bit fields, written with single stores, no lock.

#define SHARED_BLOCK_NAME "TVPTR_SHARE_DATA"
enum { kSharedBlockSize = 44 };

struct SharedSettings {
    BYTE  HelperArea0[28];  // the pointer helper's; never touched here
    DWORD Center;           // 28: "Where is Cursor ?" (F10 shows the cursor)
    BYTE  HelperArea1[4];   // the pointer helper's; never touched here
    DWORD MiddleButton;     // 36: ButtonFunction of the middle/side button
    DWORD SecondButton;     // 40: ButtonFunction of the secondary button
};
static_assert(sizeof(SharedSettings) == kSharedBlockSize, "block layout");

// ---------------------------------------------------------------------------
// Button functions: a code is an index into this table. The page's lists
// offer codes 0 to 10 only.

enum {
    kButtonFunctionCount = 16,
    kOfferedFunctionCount = 11,
    kFunctionUnassigned = 0,
    kFunctionHyperMarvane = 1,
};
extern const char *const ButtonFunctionNames[kButtonFunctionCount];

// ---------------------------------------------------------------------------
// Mouse port drivers: devices, control codes, Parameters keys and values.

#define TVSERMOU_DEVICE_NAME "\\\\.\\TVSERMOU"
#define TVI8042_DEVICE_NAME  "\\\\.\\TVI8042"

// Control codes, all METHOD_BUFFERED and FILE_ANY_ACCESS: device type 0x1A
// (serial mouse port), functions 0x900 to 0x902, and device type 0x27 (8042
// port), functions 0x800 to 0x802.
#define IOCTL_TVSERMOU_QUERY_ATTRIBUTES 0x1A2400  // no input, 16-byte answer
#define IOCTL_TVSERMOU_SET_ACCELERATOR  0x1A2404  // 2-byte input
#define IOCTL_TVSERMOU_SET_SENSITIVITY  0x1A2408  // 2-byte input
#define IOCTL_TVI8042_QUERY_ATTRIBUTES  0x272000
#define IOCTL_TVI8042_SET_ACCELERATOR   0x272004
#define IOCTL_TVI8042_SET_SENSITIVITY   0x272008

enum { kQueryAnswerSize = 16, kSetRequestSize = 2 };

#define TVSERMOU_PARAMETERS_KEY "SYSTEM\\CurrentControlSet\\Services\\tvsermou\\Parameters"
#define TVI8042_PARAMETERS_KEY  "SYSTEM\\CurrentControlSet\\Services\\TVI8042\\Parameters"

#define VALUE_SENSITIVITY   "Sensitivity"
#define VALUE_ACCELERATOR   "Accelerator"
#define VALUE_BUTTON_SWAP   "Button Swap"
#define VALUE_MIDDLE_BUTTON "Middle Button"
#define VALUE_SECOND_BUTTON "Second Button"
#define VALUE_CENTER        "Center"

// The page opens keys for reading and writing, never creates them.
#define PAGE_KEY_ACCESS (KEY_READ | KEY_WRITE)

struct DriverLink {
    HANDLE SerialDevice;   // INVALID_HANDLE_VALUE when not open
    HANDLE Ps2Device;
    DWORD  SerialPresent;  // set by loading, never cleared
    DWORD  Ps2Present;
};

// The query's answer: a 16-bit "mouse present" word at offset 0 and the
// 16-bit number of buttons at offset 2; a field counts only when the driver
// wrote all of its bytes.
enum {
    kAnswerPresentOffset = 0,
    kAnswerButtonsOffset = 2,
    kAnswerPresentEnd = 2,   // bytes a driver must write for the flag
    kAnswerButtonsEnd = 4,   // ... and for the number of buttons
};

// Opens a driver's device into *device (closing a handle still left there)
// and sends it the query. The answer is zero-filled first; the result is
// the number of answer bytes the driver wrote, 0 when the device cannot be
// opened or the query fails.
DWORD ProbeDriver(const char *deviceName, DWORD queryCode, HANDLE *device,
                  BYTE (&answer)[kQueryAnswerSize]);

// Sends the low 16 bits of value, little-endian, as a 2-byte set request;
// nothing when the device is not open.
void SendDriverSetting(HANDLE device, DWORD code, DWORD value);

// ---------------------------------------------------------------------------
// Help file and uninstaller, started from the page's buttons.

#define HELP_FILE_PATH  "C:\\Tavix\\Tmouse.hlp"
#define UNINSTALL_KEY   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane"
#define UNINSTALL_VALUE "UninstallString"
enum { kUninstallCommandSize = 256 };

// ---------------------------------------------------------------------------
// Process-wide state of the page, one per process that loads the module.

struct PageStateData {
    DriverLink Link;
    DWORD Sensitivity;      // 10 x the Sensitivity trackbar position
    DWORD Accelerator;      // the Acceleration trackbar position
    DWORD DoubleClickTime;  // milliseconds
    DWORD ButtonSwap;       // 1 for a left-hand user
};

extern PageStateData PageState;
extern HANDLE SharedMapping;        // the mapping of SHARED_BLOCK_NAME
extern SharedSettings *SharedBlock; // its view
extern HINSTANCE ModuleInstance;    // source of the template, bitmaps, icons
extern ULONG LiveObjectCount;       // class objects and extension objects alive
extern HBITMAP CurrentPicture;      // the picture shown last, deleted at the next
extern BOOL PicturePainted;         // the first-paint work was done
extern int TestAreaToggle;          // 0: icon 104 in the test area, 1: icon 105

// Shared block: create or open the mapping and map all of it. FALSE when the
// block cannot be had; then nothing stays acquired.
BOOL OpenSharedBlock(void);
void CloseSharedBlock(void);

// Driver link.
void CloseDriverLink(void);

// Enables or disables one control of the page; loading and the page
// procedure both switch lists and their labels this way.
inline void EnableControl(HWND page, int id, BOOL enable)
{
    EnableWindow(GetDlgItem(page, id), enable);
}

// Page loading and applying.
void LoadPageSettings(HWND page);
void InitTrackbar(HWND page, int id, int minimum, int maximum, int frequency, int position);
void ApplyPageSettings(HWND page);

// Button picture painter.
void ShowButtonPicture(HWND page, int mask);
void DrawTransparentBitmap(HDC target, HBITMAP bitmap, short x, short y,
                           COLORREF key, HWND control);

// The page's dialog procedure.
INT_PTR CALLBACK ButtonsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
