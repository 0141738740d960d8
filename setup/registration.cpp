// Shell and system registration: the extension's class and property sheet
// handler, the Run value, the Programs-menu shortcuts and the Uninstall key.
#include "copy_files_dlg.h"

#include <objbase.h>
#include <shlobj.h>
#include "path_buffer.h"

namespace {

const char kExtensionClassKey[] = "CLSID\\{4753B0A0-79BB-101B-AE4B-00AA00373B20}\\InProcServer32";
const char kPropertySheetHandlerKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
    "PropertySheetHandlers\\TAVMouse CPL";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane";
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Creates or opens a key the way every registration step does; NULL when
// that fails.
HKEY CreateKey(HKEY root, LPCSTR path)
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(root, path, 0, (LPSTR)"REG_SZ", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &key, &disposition) != ERROR_SUCCESS)
        return NULL;
    return key;
}

// A REG_SZ value with its terminating zero counted.
void SetString(HKEY key, LPCSTR name, LPCSTR value)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)lstrlenA(value) + 1);
}

} // namespace

void CCopyFilesDlg::RegisterExtension()
{
    HKEY key = CreateKey(HKEY_CLASSES_ROOT, kExtensionClassKey);
    if (key) {
        SetString(key, "", "C:\\Tavix\\TVNTCpl.dll");
        SetString(key, "ThreadingModel", "Apartment");
        RegCloseKey(key);
    }
    key = CreateKey(HKEY_LOCAL_MACHINE, kPropertySheetHandlerKey);
    if (key) {
        SetString(key, "", "{4753B0A0-79BB-101B-AE4B-00AA00373B20}");
        RegCloseKey(key);
    }
    ReportProgress(97);
}

void CCopyFilesDlg::RegisterRunAtLogon()
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kRunKey);
    if (key) {
        SetString(key, "Hyper Marvane", "C:\\Tavix\\TVPtr.exe C:\\Tavix");
        RegCloseKey(key);
    }
    ReportProgress(98);
}

void CCopyFilesDlg::RegisterUninstall()
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey);
    if (key) {
        SetString(key, "DisplayName", "Tavix Hyper Marvane");
        SetString(key, "UninstallString", "C:\\Tavix\\TvUninst.exe");
        RegCloseKey(key);
    }
    ReportProgress(100);
    Beep(32767, 1200);
}

void CCopyFilesDlg::CreateShortcuts()
{
    HKEY key = NULL;
    char folder[MAX_PATH];
    char linkPath[MAX_PATH];
    char description[MAX_PATH];
    char linkPath2[MAX_PATH];
    char description2[MAX_PATH];
    BOOL found = FALSE;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFoldersKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof(folder);
        DWORD type = 0;
        if (RegQueryValueExA(key, "Common Programs", NULL, &type, (BYTE *)folder, &size) == ERROR_SUCCESS) {
            // Terminate the stored string; one that fills the buffer without
            // a zero, or a folder whose paths do not fit, counts as missing.
            found = TRUE;
            if (size == 0)
                folder[0] = '\0';
            else if (folder[size - 1] != '\0') {
                if (size >= sizeof(folder))
                    found = FALSE;
                else
                    folder[size] = '\0';
            }
            found = found && PathAppendTail(folder, "\\TavMouse")
                && PathCopy(description, folder) && PathAppendTail(description, "\\Hyper Marvane")
                && PathCopy(linkPath, folder) && PathAppendTail(linkPath, "\\Hyper Marvane.Lnk")
                && PathCopy(description2, folder) && PathAppendTail(description2, "\\Uninstall")
                && PathCopy(linkPath2, folder) && PathAppendTail(linkPath2, "\\Uninstall.Lnk");
        }
    } else {
        key = NULL;
    }
    if (!found) {
        AfxMessageBox("Can't find <Programs> path in registry database!", MB_OK, 0);
        if (key)
            RegCloseKey(key);
        return;
    }
    RegCloseKey(key);

    CreateDirectoryA(folder, NULL);

    CoInitialize(NULL);
    CreateShortCut("c:\\Tavix\\Tvptr.exe", linkPath, description);
    CoUninitialize();

    CoInitialize(NULL);
    CreateShortCut("c:\\Tavix\\TVUninst.exe", linkPath2, description2);
    CoUninitialize();

    ReportProgress(99);
}

HRESULT CCopyFilesDlg::CreateShortCut(LPCSTR lpszTarget, LPCSTR lpszLinkFile, LPCSTR lpszDescription)
{
    IShellLinkA *link = NULL;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  (void **)&link);
    if (FAILED(hr))
        return hr;
    IPersistFile *file = NULL;
    hr = link->QueryInterface(IID_IPersistFile, (void **)&file);
    if (FAILED(hr)) {
        link->Release();
        return hr;
    }
    link->SetPath(lpszTarget);
    link->SetDescription(lpszDescription);
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, lpszLinkFile, -1, widePath, MAX_PATH) == 0)
        widePath[0] = L'\0';
    hr = file->Save(widePath, TRUE);
    if (FAILED(hr))
        ::MessageBoxA(NULL, "Save Failed!", "CreateShortCut", MB_OK);
    file->Release();
    link->Release();
    return hr;
}
