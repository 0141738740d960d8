// TVPtr: the pointer helper of the Tavix mouse. Shared by TVPtr.exe and its
// hook library TVPtr.dll: the settings block, the button function codes and
// the messages the hooks send to the helper's window.
#pragma once

#include <windows.h>

// ---------------------------------------------------------------------------
// Settings block, written by the Mouse control panel's Buttons page in its
// own process and read here at every input event. No lock: every field is
// one aligned 32-bit value.

#define TVPTR_BLOCK_NAME "TVPTR_SHARE_DATA"
enum { kTvPtrBlockSize = 44 };

struct TvPtrBlock {
    DWORD Signature;        // 0: kTvPtrBlockSignature once the helper ran
    DWORD HelperProcessId;  // 4: process id of the running helper, or 0
    DWORD HelperWindow;     // 8: its message window (a 32-bit handle)
    DWORD ScrollMode;       // 12: 1 while Hyper-Marvane scrolling is on
    BYTE  Reserved0[12];    // 16: free
    DWORD Center;           // 28: 1 = F10 shows where the cursor is
    DWORD Reserved1;        // 32: free
    DWORD MiddleButton;     // 36: function of the middle/side button
    DWORD SecondButton;     // 40: function of the secondary button
};
static_assert(sizeof(TvPtrBlock) == kTvPtrBlockSize, "block layout");

enum { kTvPtrBlockSignature = 0x52545054 };  // "TPTR"

// ---------------------------------------------------------------------------
// Button functions. A code outside the table leaves the button alone.

enum ButtonFunction {
    kFnUnassigned = 0,
    kFnHyperMarvane = 1,
    kFnDoubleClick = 2,
    kFnStart = 3,
    kFnNextTask = 4,
    kFnHelp = 5,
    kFnEscape = 6,
    kFnDelete = 7,
    kFnBackspace = 8,
    kFnReturn = 9,
    kFnCloseWindow = 10,
    kFnUndo = 11,
    kFnCut = 12,
    kFnCopy = 13,
    kFnPageUp = 14,
    kFnPageDown = 15,
    kFnCount = 16,
};

inline bool IsAssignedFunction(DWORD code)
{
    return code > kFnUnassigned && code < kFnCount;
}

// ---------------------------------------------------------------------------
// The helper's message window and what the hooks post to it.

#define TVPTR_WINDOW_CLASS "TVPtrHelper"
#define TVPTR_WINDOW_TITLE "Hyper Marvane"
#define TVPTR_FINDER_CLASS "TVPtrFinder"

// wParam: ButtonFunction code; lParam: MAKELPARAM(x, y) of the press.
#define WM_TVPTR_FUNCTION    (WM_APP + 1)
// wParam: 0; lParam: MAKELPARAM(x, y) of the cursor.
#define WM_TVPTR_FIND_CURSOR (WM_APP + 2)
// wParam: (short)dx, lParam: (short)dy in scroll steps; sent while scrolling.
#define WM_TVPTR_SCROLL      (WM_APP + 3)
// wParam: 1 when scrolling starts, 0 when it ends; lParam: anchor point.
#define WM_TVPTR_SCROLL_MODE (WM_APP + 4)

// Input the helper makes itself carries this mark in dwExtraInfo, so that
// its own hooks let it through untouched.
#define TVPTR_INPUT_MARK ((ULONG_PTR)0x54565054)

// ---------------------------------------------------------------------------
// Exports of TVPtr.dll.

#ifdef TVPTR_BUILDING_DLL
#define TVPTR_API __declspec(dllexport)
#else
#define TVPTR_API __declspec(dllimport)
#endif

extern "C" {
// Installs the low-level mouse and keyboard hooks on the calling thread,
// which must pump messages. Events are reported to window; the settings are
// read from block at every event.
TVPTR_API BOOL WINAPI TvPtrStartHooks(HWND window, volatile TvPtrBlock *block);
TVPTR_API void WINAPI TvPtrStopHooks(void);
// Ends Hyper-Marvane scrolling, if it is on.
TVPTR_API void WINAPI TvPtrEndScroll(void);
}
