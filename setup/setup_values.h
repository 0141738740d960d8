// The two process-wide values that setup's dialogs, steps and flow share.
#pragma once

// 0 = PS/2 mouse port, 1 = serial mouse port; set by the Install type
// dialog, read once a pass by the flow.
extern int InstallType;
// 1 once a source file could not be opened; cleared at each pass start.
extern int CopyFailed;

enum { kInstallPs2 = 0, kInstallSerial = 1 };
