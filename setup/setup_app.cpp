// The wizard flow: Welcome, Install type, the install steps of the chosen
// port in the Copy-files window, then the Install Finished prompt; a cancel
// or a failed copy leads to the Exit Setup confirmation, whose Resume starts
// a new pass at Welcome.
#include "setup_app.h"

#include "copy_files_dlg.h"
#include "setup_values.h"
#include "wizard_dlgs.h"

namespace {

// PROCESS_ALL_ACCESS as Windows NT 4.0 defines it; later headers define a
// wider mask that older systems refuse.
const DWORD kProcessAllAccessNt4 = 0x1F0FFF;

// Runs the steps of the chosen port in order. A copy step that could not
// read its source stops the sequence before the next of the first four
// steps; TRUE when every step ran.
BOOL RunInstallSteps(CCopyFilesDlg &steps, int installType)
{
    typedef void (CCopyFilesDlg::*Step)();
    const BOOL serial = installType == kInstallSerial;
    const Step checked[] = {
        serial ? &CCopyFilesDlg::CopySerialDriver : &CCopyFilesDlg::CopyPs2Driver,
        &CCopyFilesDlg::CopyProductFiles,
        &CCopyFilesDlg::CopyInfFile,
        serial ? &CCopyFilesDlg::InstallSerialInf : &CCopyFilesDlg::InstallPs2Inf,
    };
    const Step unchecked[] = {
        &CCopyFilesDlg::RegisterExtension,
        &CCopyFilesDlg::RegisterRunAtLogon,
        &CCopyFilesDlg::CreateShortcuts,
        &CCopyFilesDlg::RegisterUninstall,
    };
    for (size_t i = 0; i < sizeof(checked) / sizeof(checked[0]); ++i) {
        if (CopyFailed != 0)
            return FALSE;
        (steps.*checked[i])();
    }
    for (size_t i = 0; i < sizeof(unchecked) / sizeof(unchecked[0]); ++i)
        (steps.*unchecked[i])();
    return TRUE;
}

} // namespace

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// No name: the title is the program file's base name, "SETUP".
CSetupApp::CSetupApp() : CWinApp(NULL) {}

BOOL CSetupApp::InitInstance()
{
    Enable3dControlsStatic();

    // Built once, reused in every pass, destroyed in reverse order when
    // this routine returns.
    CWelcomeDlg welcome;
    CExitSetupDlg exitSetup;
    CCopyFilesDlg copyFiles;
    CInstallTypeDlg installType;
    CFinishDlg finish;

    for (;;) {
        CopyFailed = 0;

        INT_PTR answer = welcome.DoModal();
        if (answer == IDOK) {
            answer = installType.DoModal();
            if (answer == IDOK) {
                // Not examined: without the window the steps run unseen.
                copyFiles.Create(IDD_COPY_FILES, NULL);
                if (RunInstallSteps(copyFiles, InstallType)) {
                    copyFiles.DestroyWindow();
                    if (finish.DoModal() == IDOK)
                        RestartComputer();
                    return FALSE;
                }
            }
        }
        // A dialog that could not come up ends the program at once.
        if (answer != IDOK && answer != IDCANCEL)
            return FALSE;

        // Abandoned by a cancel or a failed copy.
        copyFiles.DestroyWindow();
        if (exitSetup.DoModal() != IDOK)
            return FALSE;
    }
}

void CSetupApp::RestartComputer()
{
    // Each call gets only what the calls before it really produced: a
    // failed lookup or open skips the privilege adjustment, and every
    // handle opened is closed. The restart is requested in any case.
    LUID shutdownLuid;
    if (LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &shutdownLuid)) {
        HANDLE process = OpenProcess(kProcessAllAccessNt4, TRUE, GetCurrentProcessId());
        if (process) {
            HANDLE token = NULL;
            if (OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES, &token)) {
                TOKEN_PRIVILEGES privileges;
                privileges.PrivilegeCount = 1;
                privileges.Privileges[0].Luid = shutdownLuid;
                privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
                AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
                CloseHandle(token);
            }
            CloseHandle(process);
        }
    }
    ExitWindowsEx(EWX_REBOOT, 0);
}
