// Driver installation from TAVMOUSE.INF and the mouse device's class entries.
#include "copy_files_dlg.h"

#include <setupapi.h>
#include "path_buffer.h"
#include "registry_strings.h"

namespace {

const char kDeviceInstanceKey[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\*PNP0F03\\1_0_21_0_31_0";
const char kClassKeyRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";

// The folder that holds the running program, with its trailing backslash.
BOOL GetProgramFolder(char *folder)
{
    DWORD n = GetModuleFileNameA(NULL, folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        folder[0] = '\0';
        return FALSE;
    }
    char *slash = NULL;
    for (char *p = folder; *p; ++p)
        if (*p == '\\')
            slash = p;
    if (!slash) {
        folder[0] = '\0';
        return FALSE;
    }
    slash[1] = '\0';
    return TRUE;
}

} // namespace

// Opens tavmouse.inf beside the program, carries out the registry
// operations of the install section and installs the services of the
// services section. FALSE, after the warning, when the INF cannot be opened.
BOOL CCopyFilesDlg::InstallInfSections(LPCSTR lpszInstallSection, LPCSTR lpszServicesSection)
{
    char folder[MAX_PATH];
    char infPath[MAX_PATH];
    HINF inf = INVALID_HANDLE_VALUE;
    // A program path or INF path too long for its buffer counts as an INF
    // that cannot be opened.
    if (GetProgramFolder(folder) && PathCopy(infPath, folder) && PathAppendTail(infPath, "tavmouse.inf"))
        inf = SetupOpenInfFileA(infPath, "Mouse", INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE) {
        MessageBox("Setup can't open 'TavMouse.Inf' file,\nPlease check if this file is located "
                   "in correct path!INF file path error...",
                   NULL, MB_OK | MB_ICONWARNING);
        return FALSE;
    }
    SetupInstallFromInfSectionA(NULL, inf, lpszInstallSection, SPINST_REGISTRY, HKEY_LOCAL_MACHINE,
                                folder, 0, NULL, NULL, NULL, NULL);
    SetupInstallServicesFromInfSectionA(inf, lpszServicesSection, SPSVCINST_ASSOCSERVICE);
    SetupCloseInfFile(inf);
    return TRUE;
}

// Without the INF neither class entries nor progress: the step ends.
void CCopyFilesDlg::InstallSerialInf()
{
    if (!InstallInfSections("Ser_Inst", "Ser_Inst.Services"))
        return;
    SetSerialClassEntries();
    ReportProgress(93);
}

void CCopyFilesDlg::InstallPs2Inf()
{
    if (!InstallInfSections("PS2_Inst", "PS2_Inst.Services"))
        return;
    SetPs2ClassEntries();
    ReportProgress(95);
}

void CCopyFilesDlg::SetClassEntries(LPCSTR lpszDriverDesc, LPCSTR lpszInfSection)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceInstanceKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    // The "Driver" value names the device's driver key below the class root.
    char driver[MAX_PATH];
    BOOL read = QueryStringValue(key, "Driver", driver);
    RegCloseKey(key);
    if (!read)
        return;
    char classKey[MAX_PATH];
    if (!PathCopy(classKey, kClassKeyRoot) || !PathAppendTail(classKey, driver))
        return;   // a path that does not fit names no class key
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, classKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    SetStringValue(key, "DriverDesc", lpszDriverDesc);
    SetStringValue(key, "InfPath", "Tavmouse.inf");
    SetStringValue(key, "InfSection", lpszInfSection);
    SetStringValue(key, "ProviderName", "Oblinar");
    RegCloseKey(key);
}

void CCopyFilesDlg::SetSerialClassEntries()
{
    SetClassEntries("Tavix Serial Mouse Driver", "Ser_Inst");
}

void CCopyFilesDlg::SetPs2ClassEntries()
{
    SetClassEntries("Tavix PS2 Mouse Driver", "PS2_Inst");
}
