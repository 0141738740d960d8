// TVUninst.exe: removes the Tavix mouse software that setup installed.
//
// Asks first, then stops the pointer helper, stops and deletes the two port
// driver services, removes the registry entries, the Programs-menu folder
// and the files, and ends with a summary. Every item is removed only if it
// is there; an item that cannot be removed does not stop the others. Files
// in use (this program itself, among them) are left to the next restart.
#include <windows.h>
#include <string>

namespace {

const char kCaption[] = "Uninstall Hyper Marvane";
const char kConfirmText[] =
    "Do you want to remove Tavix Hyper Marvane (the mouse driver, the pointer helper "
    "and the Buttons page of the Mouse control panel) from this computer?";
const char kInstallDir[] = "C:\\Tavix";

const char *const kInstalledFiles[] = {
    "tvsermou.sys", "tvi8042.sys", "TVNTCpl.dll", "TVPtr.exe", "TVPtr.dll",
    "TMouse.hlp", "TAVMOUSE.INF",
    // Made by the help viewer beside the help file.
    "TMouse.gid", "TMouse.fts",
    // Last: the running uninstaller, which is left to the next restart.
    "TVUninst.exe",
};
const char *const kDriverFiles[] = { "tvi8042.sys", "tvsermou.sys" };
const char *const kInfFiles[] = { "TAVMOUSE.INF", "TAVMOUSE.PNF" };
const char *const kServices[] = { "tvsermou", "TVI8042" };
const char *const kShortcuts[] = { "Hyper Marvane.Lnk", "Uninstall.Lnk" };

const char kClassKey[] = "CLSID\\{4753B0A0-79BB-101B-AE4B-00AA00373B20}";
const char kHandlerKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
    "PropertySheetHandlers\\TAVMouse CPL";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "Hyper Marvane";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane";
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kProgramsFolder[] = "\\TavMouse";

const char kHelperClass[] = "TVPtrHelper";
const DWORD kHelperExitWaitMs = 5000;

// What happened to each item, for the summary.
struct Report {
    std::string removed;
    std::string at_restart;
    std::string left;

    bool empty() const { return removed.empty() && at_restart.empty() && left.empty(); }
};

void Note(std::string *list, const std::string &item)
{
    *list += "    ";
    *list += item;
    *list += "\n";
}

// Joins a folder and a name into a buffer of MAX_PATH; false if too long.
bool JoinPath(char *out, const char *dir, const char *name)
{
    if (lstrlenA(dir) + 1 + lstrlenA(name) >= MAX_PATH)
        return false;
    lstrcpynA(out, dir, MAX_PATH);
    int n = lstrlenA(out);
    if (n > 0 && out[n - 1] != '\\') {
        lstrcpynA(out + n, "\\", MAX_PATH - n);
        ++n;
    }
    lstrcpynA(out + n, name, MAX_PATH - n);
    return true;
}

bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Returns true when the file is left for the next restart.
bool RemoveFile(Report *r, const char *path)
{
    if (!Exists(path))
        return false;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) {
        Note(&r->removed, path);
        return false;
    }
    if (MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        Note(&r->at_restart, path);
        return true;
    }
    Note(&r->left, path);
    return false;
}

// Number of entries in a folder, without "." and "..".
int CountEntries(const char *dir)
{
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, dir, "*"))
        return -1;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do {
        if (lstrcmpA(fd.cFileName, ".") != 0 && lstrcmpA(fd.cFileName, "..") != 0)
            ++n;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return n;
}

// Removes the folder if it is empty. One that holds nothing but files
// waiting for the restart goes with them; one with other files stays.
void RemoveFolder(Report *r, const char *path, int files_pending)
{
    if (!Exists(path))
        return;
    if (RemoveDirectoryA(path))
        Note(&r->removed, path);
    else if (files_pending > 0 && CountEntries(path) == files_pending &&
             MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        Note(&r->at_restart, path);
    else
        Note(&r->left, std::string(path) + " (not empty)");
}

// Deletes a key with all its subkeys (no RegDeleteTree on every system).
LONG DeleteKeyTree(HKEY root, const char *path)
{
    HKEY key;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WRITE, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    char sub[256];
    for (;;) {
        DWORD len = sizeof(sub);
        if (RegEnumKeyExA(key, 0, sub, &len, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (DeleteKeyTree(key, sub) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(root, path);
}

bool KeyExists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void RemoveKey(Report *r, HKEY root, const char *root_name, const char *path)
{
    if (!KeyExists(root, path))
        return;
    std::string item = std::string(root_name) + "\\" + path;
    if (DeleteKeyTree(root, path) == ERROR_SUCCESS)
        Note(&r->removed, item);
    else
        Note(&r->left, item);
}

void RemoveRunValue(Report *r)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    if (RegQueryValueExA(key, kRunValue, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        std::string item = std::string("HKEY_LOCAL_MACHINE\\") + kRunKey + " \"" + kRunValue + "\"";
        if (RegDeleteValueA(key, kRunValue) == ERROR_SUCCESS)
            Note(&r->removed, item);
        else
            Note(&r->left, item);
    }
    RegCloseKey(key);
}

// Asks every running pointer helper to end, and ends it if it does not.
void StopPointerHelper(Report *r)
{
    for (int round = 0; round < 8; ++round) {
        HWND hwnd = FindWindowA(kHelperClass, NULL);
        if (!hwnd)
            return;
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        bool ended = process && WaitForSingleObject(process, kHelperExitWaitMs) == WAIT_OBJECT_0;
        if (!ended && process) {
            TerminateProcess(process, 1);
            ended = WaitForSingleObject(process, kHelperExitWaitMs) == WAIT_OBJECT_0;
        }
        if (process)
            CloseHandle(process);
        if (ended)
            Note(&r->removed, "the running pointer helper (stopped)");
        else {
            Note(&r->left, "the running pointer helper (could not be stopped)");
            return;
        }
    }
}

void RemoveService(Report *r, SC_HANDLE manager, const char *name)
{
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service)
        return;
    std::string item = std::string("service ") + name;
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED)
        ControlService(service, SERVICE_CONTROL_STOP, &status);
    if (DeleteService(service))
        Note(status.dwCurrentState == SERVICE_STOPPED ? &r->removed : &r->at_restart, item);
    else if (GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE)
        Note(&r->at_restart, item);
    else
        Note(&r->left, item);
    CloseServiceHandle(service);
}

void RemoveServices(Report *r)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return;
    for (const char *name : kServices)
        RemoveService(r, manager, name);
    CloseServiceHandle(manager);
}

void RemoveShortcuts(Report *r)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char folder[MAX_PATH] = "";
    DWORD size = sizeof(folder) - sizeof(kProgramsFolder);
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, "Common Programs", NULL, &type, (BYTE *)folder, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return;
    folder[sizeof(folder) - sizeof(kProgramsFolder)] = '\0';
    if (type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH];
        DWORD n = ExpandEnvironmentStringsA(folder, expanded, sizeof(expanded));
        if (n == 0 || n > sizeof(expanded) - sizeof(kProgramsFolder))
            return;
        lstrcpynA(folder, expanded, sizeof(folder));
    }
    lstrcpynA(folder + lstrlenA(folder), kProgramsFolder, (int)(sizeof(folder) - lstrlenA(folder)));
    char path[MAX_PATH];
    int pending = 0;
    for (const char *name : kShortcuts)
        if (JoinPath(path, folder, name) && RemoveFile(r, path))
            ++pending;
    RemoveFolder(r, folder, pending);
}

void RemoveFiles(Report *r)
{
    char dir[MAX_PATH];
    char path[MAX_PATH];

    UINT n = GetSystemDirectoryA(dir, sizeof(dir));
    if (n > 0 && n < sizeof(dir) && JoinPath(dir, dir, "Drivers"))
        for (const char *name : kDriverFiles)
            if (JoinPath(path, dir, name))
                RemoveFile(r, path);

    n = GetWindowsDirectoryA(dir, sizeof(dir));
    if (n > 0 && n < sizeof(dir) && JoinPath(dir, dir, "INF"))
        for (const char *name : kInfFiles)
            if (JoinPath(path, dir, name))
                RemoveFile(r, path);

    int pending = 0;
    for (const char *name : kInstalledFiles)
        if (JoinPath(path, kInstallDir, name) && RemoveFile(r, path))
            ++pending;
    RemoveFolder(r, kInstallDir, pending);
}

std::string Summary(const Report &r)
{
    if (r.empty())
        return "Tavix Hyper Marvane was not found on this computer. Nothing was removed.";
    std::string s = "Tavix Hyper Marvane has been uninstalled.\n";
    if (!r.removed.empty())
        s += "\nRemoved:\n" + r.removed;
    if (!r.at_restart.empty())
        s += "\nIn use, removed when the computer restarts:\n" + r.at_restart;
    if (!r.left.empty())
        s += "\nCould not be removed:\n" + r.left;
    return s;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (MessageBoxA(NULL, kConfirmText, kCaption, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return 1;

    Report report;
    StopPointerHelper(&report);
    RemoveServices(&report);
    RemoveKey(&report, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kClassKey);
    RemoveKey(&report, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kHandlerKey);
    RemoveRunValue(&report);
    RemoveShortcuts(&report);
    RemoveFiles(&report);
    RemoveKey(&report, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kUninstallKey);

    std::string text = Summary(report);
    MessageBoxA(NULL, text.c_str(), kCaption,
                MB_OK | MB_SETFOREGROUND | (report.left.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return report.left.empty() ? 0 : 2;
}
