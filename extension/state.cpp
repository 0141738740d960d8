// The module's process-wide values and the table of button function names.
#include "tvntcpl.h"

const char *const ButtonFunctionNames[kButtonFunctionCount] = {
    "(Unassigned)",
    "Hyper-Marvane",
    "Double-Click",
    "Start",
    "Next Task",
    "F1(Help)",
    "Escape",
    "Delete",
    "Backspace",
    "Return",
    "Close Windows",
    "Undo",
    "Cut to Clipboard",
    "Copy to Clipboard",
    "Page Up",
    "Page Down",
};

PageStateData PageState = {
    { INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, 0, 0 },
    60,   // Sensitivity
    1,    // Accelerator
    500,  // DoubleClickTime
    0,    // ButtonSwap
};

HANDLE SharedMapping;
SharedSettings *SharedBlock;
HINSTANCE ModuleInstance;
ULONG LiveObjectCount;
HBITMAP CurrentPicture;
BOOL PicturePainted;
int TestAreaToggle;
