// Driver installation from TAVMOUSE.INF and the mouse device's class entries.
#include "copy_files_dlg.h"

#include <setupapi.h>
#include "path_buffer.h"

namespace {

const char kDeviceInstanceKey[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\*PNP0F03\\1_0_21_0_31_0";
const char kClassKeyRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";

void SetString(HKEY key, LPCSTR name, LPCSTR value)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)lstrlenA(value) + 1);
}

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

void CCopyFilesDlg::InstallInf(LPCSTR lpszInstallSection, LPCSTR lpszServicesSection, int nProgress)
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
        return;
    }
    SetupInstallFromInfSectionA(NULL, inf, lpszInstallSection, SPINST_REGISTRY, HKEY_LOCAL_MACHINE,
                                folder, 0, NULL, NULL, NULL, NULL);
    SetupInstallServicesFromInfSectionA(inf, lpszServicesSection, SPSVCINST_ASSOCSERVICE);
    SetupCloseInfFile(inf);
    if (lstrcmpA(lpszInstallSection, "Ser_Inst") == 0)
        SetSerialClassEntries();
    else
        SetPs2ClassEntries();
    ReportProgress(nProgress);
}

void CCopyFilesDlg::InstallSerialInf()
{
    InstallInf("Ser_Inst", "Ser_Inst.Services", 93);
}

void CCopyFilesDlg::InstallPs2Inf()
{
    InstallInf("PS2_Inst", "PS2_Inst.Services", 95);
}

void CCopyFilesDlg::SetClassEntries(LPCSTR lpszDriverDesc, LPCSTR lpszInfSection)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceInstanceKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char driver[MAX_PATH];
    DWORD size = sizeof(driver);
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, "Driver", NULL, &type, (BYTE *)driver, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return;
    // The stored string need not end in a zero: terminate it, and treat a
    // value that fills the whole buffer without one as unreadable.
    if (size == 0)
        driver[0] = '\0';
    else if (driver[size - 1] != '\0') {
        if (size >= sizeof(driver))
            return;
        driver[size] = '\0';
    }
    char classKey[MAX_PATH];
    if (!PathCopy(classKey, kClassKeyRoot) || !PathAppendTail(classKey, driver))
        return;   // a path that does not fit names no class key
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, classKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    SetString(key, "DriverDesc", lpszDriverDesc);
    SetString(key, "InfPath", "Tavmouse.inf");
    SetString(key, "InfSection", lpszInfSection);
    SetString(key, "ProviderName", "Oblinar");
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
