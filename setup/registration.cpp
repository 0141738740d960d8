// Shell and system registration: the extension's class and property sheet
// handler, the Run value, the Programs-menu shortcuts and the Uninstall key.
#include "copy_files_dlg.h"

#include <objbase.h>
#include <shlobj.h>
#include "path_buffer.h"
#include "registry_strings.h"

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

} // namespace

void CCopyFilesDlg::RegisterExtension()
{
    HKEY key = CreateKey(HKEY_CLASSES_ROOT, kExtensionClassKey);
    if (key) {
        SetStringValue(key, "", "C:\\Tavix\\TVNTCpl.dll");
        SetStringValue(key, "ThreadingModel", "Apartment");
        RegCloseKey(key);
    }
    key = CreateKey(HKEY_LOCAL_MACHINE, kPropertySheetHandlerKey);
    if (key) {
        SetStringValue(key, "", "{4753B0A0-79BB-101B-AE4B-00AA00373B20}");
        RegCloseKey(key);
    }
    ReportProgress(97);
}

void CCopyFilesDlg::RegisterRunAtLogon()
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kRunKey);
    if (key) {
        SetStringValue(key, "Hyper Marvane", "C:\\Tavix\\TVPtr.exe C:\\Tavix");
        RegCloseKey(key);
    }
    ReportProgress(98);
}

void CCopyFilesDlg::RegisterUninstall()
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey);
    if (key) {
        SetStringValue(key, "DisplayName", "Tavix Hyper Marvane");
        SetStringValue(key, "UninstallString", "C:\\Tavix\\TvUninst.exe");
        RegCloseKey(key);
    }
    ReportProgress(100);
    Beep(32767, 1200);
}

void CCopyFilesDlg::CreateShortcuts()
{
    char folder[MAX_PATH];
    char helperLink[MAX_PATH];
    char helperDescription[MAX_PATH];
    char uninstallLink[MAX_PATH];
    char uninstallDescription[MAX_PATH];
    HKEY key;
    BOOL opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFoldersKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
    // Every path is built before anything is written: a folder whose paths
    // do not fit their buffers counts as missing.
    BOOL found = opened && QueryStringValue(key, "Common Programs", folder)
        && PathAppendTail(folder, "\\TavMouse")
        && PathCopy(helperDescription, folder) && PathAppendTail(helperDescription, "\\Hyper Marvane")
        && PathCopy(helperLink, folder) && PathAppendTail(helperLink, "\\Hyper Marvane.Lnk")
        && PathCopy(uninstallDescription, folder) && PathAppendTail(uninstallDescription, "\\Uninstall")
        && PathCopy(uninstallLink, folder) && PathAppendTail(uninstallLink, "\\Uninstall.Lnk");
    if (!found) {
        AfxMessageBox("Can't find <Programs> path in registry database!", MB_OK, 0);
        if (opened)
            RegCloseKey(key);
        return;
    }
    RegCloseKey(key);

    CreateDirectoryA(folder, NULL);

    CoInitialize(NULL);
    CreateShortCut("c:\\Tavix\\Tvptr.exe", helperLink, helperDescription);
    CoUninitialize();

    CoInitialize(NULL);
    CreateShortCut("c:\\Tavix\\TVUninst.exe", uninstallLink, uninstallDescription);
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
