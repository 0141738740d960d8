// The uninstaller under Wine: a fixture installation as setup leaves it
// (files, registry entries, shortcuts, the two driver services), then
// "C:\Tavix\TvUninst.exe" without arguments. A watcher thread answers its
// message boxes the way a user would and keeps their texts.
#include <gtest/gtest.h>

#include <windows.h>
#include <mutex>
#include <string>
#include <vector>

#include "polling_thread.h"
#include "wintest.h"

namespace {

const char kCaption[] = "Uninstall Hyper Marvane";
const char kInstallDir[] = "C:\\Tavix";
const char kUninstaller[] = "C:\\Tavix\\TVUninst.exe";
const char kClassKey[] = "CLSID\\{4753B0A0-79BB-101B-AE4B-00AA00373B20}";
const char kHandlerKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
    "PropertySheetHandlers\\TAVMouse CPL";
const char kOtherHandlerKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
    "PropertySheetHandlers\\Other CPL";
const char kOtherClassKey[] = "CLSID\\{0BADC0DE-0000-4000-8000-00000000C0DE}";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane";
const char kOtherUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other Product";
const char kPendingKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

const char *const kInstalledFiles[] = {
    "tvsermou.sys", "tvi8042.sys", "TVNTCpl.dll", "TVPtr.exe", "TMouse.hlp", "TVPtr.dll", "TAVMOUSE.INF",
};

std::string system_dir()
{
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, sizeof(buf));
    return buf;
}

std::string windows_dir()
{
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, sizeof(buf));
    return buf;
}

std::string programs_folder()
{
    char buf[MAX_PATH] = "";
    DWORD size = sizeof(buf);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                      0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "Common Programs", NULL, NULL, (BYTE *)buf, &size);
        RegCloseKey(key);
    }
    return buf;
}

bool exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void write_file(const std::string &path, const char *text)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n;
    WriteFile(h, text, lstrlenA(text), &n, NULL);
    CloseHandle(h);
}

bool key_exists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void set_string(HKEY root, const char *path, const char *name, const char *data)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL), ERROR_SUCCESS) << path;
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)data, lstrlenA(data) + 1);
    RegCloseKey(key);
}

bool value_exists(HKEY root, const char *path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

void delete_value(HKEY root, const char *path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

bool service_exists(const char *name)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!scm)
        return false;
    SC_HANDLE s = OpenServiceA(scm, name, SERVICE_QUERY_STATUS);
    if (s)
        CloseServiceHandle(s);
    CloseServiceHandle(scm);
    return s != NULL;
}

void create_service(const char *name, const std::string &binary)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(scm, (SC_HANDLE)NULL);
    SC_HANDLE s = CreateServiceA(scm, name, name, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                 SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), NULL, NULL,
                                 NULL, NULL, NULL);
    EXPECT_NE(s, (SC_HANDLE)NULL) << name << " error " << GetLastError();
    if (s)
        CloseServiceHandle(s);
    CloseServiceHandle(scm);
}

void delete_service(const char *name)
{
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return;
    if (SC_HANDLE s = OpenServiceA(scm, name, DELETE)) {
        DeleteService(s);
        CloseServiceHandle(s);
    }
    CloseServiceHandle(scm);
}

// Answers the uninstaller's boxes: the confirmation with the given button,
// every other box with OK. Keeps the text of each box it saw.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int confirm_answer) : answer_(confirm_answer), poller_([this] { poll(); }) {}
    std::vector<std::string> texts()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    static BOOL CALLBACK find_box(HWND hwnd, LPARAM param)
    {
        char cls[16], title[64];
        if (IsWindowVisible(hwnd) && GetClassNameA(hwnd, cls, sizeof(cls)) && lstrcmpA(cls, "#32770") == 0 &&
            GetWindowTextA(hwnd, title, sizeof(title)) && lstrcmpA(title, kCaption) == 0) {
            *(HWND *)param = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    // One look for a new box, on the watcher thread.
    void poll()
    {
        HWND box = NULL;
        EnumWindows(find_box, (LPARAM)&box);
        if (box && box != last_) {
            char text[4096] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                texts_.push_back(text);
            }
            if (GetDlgItem(box, IDYES))
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), (LPARAM)GetDlgItem(box, answer_));
            else
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
            last_ = box;
        }
    }

    int answer_;
    HWND last_ = NULL;   // the box answered last
    std::mutex mutex_;
    std::vector<std::string> texts_;
    wintest::PollingThread poller_;
};

class UninstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        drivers_ = system_dir() + "\\drivers\\";
        inf_ = windows_dir() + "\\INF\\";
        links_ = programs_folder() + "\\TavMouse";
        ASSERT_FALSE(programs_folder().empty()) << "no Common Programs folder in this prefix";
        saved_pending_ = read_pending(&had_pending_);
    }
    void TearDown() override
    {
        // Whatever the uninstaller left, and the neighbours of the fixture.
        for (const char *f : kInstalledFiles)
            DeleteFileA((std::string(kInstallDir) + "\\" + f).c_str());
        DeleteFileA(kUninstaller);
        DeleteFileA((std::string(kInstallDir) + "\\notes.txt").c_str());
        RemoveDirectoryA(kInstallDir);
        DeleteFileA((drivers_ + "tvi8042.sys").c_str());
        DeleteFileA((drivers_ + "tvsermou.sys").c_str());
        DeleteFileA((drivers_ + "companions-other.sys").c_str());
        DeleteFileA((inf_ + "TAVMOUSE.INF").c_str());
        DeleteFileA((links_ + "\\Hyper Marvane.Lnk").c_str());
        DeleteFileA((links_ + "\\Uninstall.Lnk").c_str());
        RemoveDirectoryA(links_.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kOtherClassKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kHandlerKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kOtherHandlerKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kOtherUninstallKey);
        delete_value(HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane");
        delete_value(HKEY_LOCAL_MACHINE, kRunKey, "Companions Other");
        delete_service("tvsermou");
        delete_service("TVI8042");
        restore_pending();
    }

    // Everything setup leaves behind, and a few neighbours that are not
    // the product's.
    void install_fixture()
    {
        ASSERT_TRUE(CreateDirectoryA(kInstallDir, NULL) || GetLastError() == ERROR_ALREADY_EXISTS);
        for (const char *f : kInstalledFiles)
            write_file(std::string(kInstallDir) + "\\" + f, "installed");
        ASSERT_TRUE(CopyFileA((wintest::module_dir() + "TVUninst.exe").c_str(), kUninstaller, FALSE));
        write_file(drivers_ + "tvi8042.sys", "driver");
        write_file(drivers_ + "companions-other.sys", "not ours");
        write_file(inf_ + "TAVMOUSE.INF", "[Version]\r\n");
        CreateDirectoryA(links_.c_str(), NULL);
        write_file(links_ + "\\Hyper Marvane.Lnk", "link");
        write_file(links_ + "\\Uninstall.Lnk", "link");

        set_string(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\InProcServer32").c_str(), "",
                   "C:\\Tavix\\TVNTCpl.dll");
        set_string(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\InProcServer32").c_str(), "ThreadingModel",
                   "Apartment");
        set_string(HKEY_CLASSES_ROOT, (std::string(kOtherClassKey) + "\\InProcServer32").c_str(), "", "other.dll");
        set_string(HKEY_LOCAL_MACHINE, kHandlerKey, "", "{4753B0A0-79BB-101B-AE4B-00AA00373B20}");
        set_string(HKEY_LOCAL_MACHINE, kOtherHandlerKey, "", "{0BADC0DE-0000-4000-8000-00000000C0DE}");
        set_string(HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane", "C:\\Tavix\\TVPtr.exe C:\\Tavix");
        set_string(HKEY_LOCAL_MACHINE, kRunKey, "Companions Other", "other.exe");
        set_string(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Tavix Hyper Marvane");
        set_string(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "C:\\Tavix\\TvUninst.exe");
        set_string(HKEY_LOCAL_MACHINE, kOtherUninstallKey, "DisplayName", "Other Product");

        create_service("tvsermou", drivers_ + "tvsermou.sys");
        create_service("TVI8042", drivers_ + "tvi8042.sys");
        set_string(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\TVI8042\\Parameters", "Probe", "1");
    }

    // Runs the uninstaller as the Uninstall key names it.
    long run_uninstaller(int confirm, std::vector<std::string> *texts)
    {
        BoxAnswerer answerer(confirm);
        long rc = wintest::run_process("C:\\Tavix\\TvUninst.exe", 60000, "C:\\");
        *texts = answerer.texts();
        return rc;
    }

    bool uninstaller_gone_or_pending()
    {
        if (!exists(kUninstaller))
            return true;
        bool had;
        std::string pending = read_pending(&had);
        return pending.find("TVUninst.exe") != std::string::npos;
    }

    std::string read_pending(bool *had)
    {
        std::string data;
        *had = false;
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return data;
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key, kPendingValue, NULL, &type, NULL, &size) == ERROR_SUCCESS) {
            *had = true;
            data.resize(size);
            RegQueryValueExA(key, kPendingValue, NULL, &type, (BYTE *)&data[0], &size);
            pending_type_ = type;
        }
        RegCloseKey(key);
        return data;
    }

    void restore_pending()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        if (had_pending_)
            RegSetValueExA(key, kPendingValue, 0, pending_type_, (const BYTE *)saved_pending_.data(),
                           (DWORD)saved_pending_.size());
        else
            RegDeleteValueA(key, kPendingValue);
        RegCloseKey(key);
    }

    std::string drivers_, inf_, links_;
    std::string saved_pending_;
    bool had_pending_ = false;
    DWORD pending_type_ = REG_MULTI_SZ;
};

TEST_F(UninstallTest, RemovesEverythingSetupLeftAndNothingElse)
{
    install_fixture();
    ASSERT_TRUE(service_exists("tvsermou") && service_exists("TVI8042"));

    std::vector<std::string> texts;
    long rc = run_uninstaller(IDYES, &texts);
    EXPECT_EQ(rc, 0);
    ASSERT_EQ(texts.size(), 2u) << "expected a confirmation and a summary";
    EXPECT_NE(texts[0].find("remove"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("Removed:"), std::string::npos) << texts[1];
    EXPECT_NE(texts[1].find("TVNTCpl.dll"), std::string::npos) << texts[1];
    EXPECT_NE(texts[1].find("service tvsermou"), std::string::npos) << texts[1];

    for (const char *f : kInstalledFiles)
        EXPECT_FALSE(exists(std::string(kInstallDir) + "\\" + f)) << f;
    EXPECT_TRUE(uninstaller_gone_or_pending()) << "TVUninst.exe neither removed nor scheduled";
    if (exists(kUninstaller)) {
        EXPECT_NE(texts[1].find("restarts"), std::string::npos) << texts[1];
    }
    EXPECT_FALSE(exists(drivers_ + "tvi8042.sys"));
    EXPECT_FALSE(exists(inf_ + "TAVMOUSE.INF"));
    EXPECT_FALSE(exists(links_ + "\\Hyper Marvane.Lnk"));
    EXPECT_FALSE(exists(links_ + "\\Uninstall.Lnk"));
    EXPECT_FALSE(exists(links_));
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kHandlerKey));
    EXPECT_FALSE(value_exists(HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(wintest::wait_for([] { return !service_exists("tvsermou") && !service_exists("TVI8042"); }, 5000))
        << "the driver services are still there";

    // The neighbours are untouched.
    EXPECT_TRUE(exists(drivers_ + "companions-other.sys"));
    EXPECT_TRUE(key_exists(HKEY_CLASSES_ROOT, kOtherClassKey));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kOtherHandlerKey));
    EXPECT_TRUE(value_exists(HKEY_LOCAL_MACHINE, kRunKey, "Companions Other"));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kOtherUninstallKey));
    EXPECT_TRUE(exists(programs_folder()));

    // A second run finds nothing and still ends cleanly.
    if (!exists(kUninstaller)) {
        ASSERT_TRUE(CreateDirectoryA(kInstallDir, NULL) || GetLastError() == ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(CopyFileA((wintest::module_dir() + "TVUninst.exe").c_str(), kUninstaller, FALSE));
    }
    // Only the program itself is left, as no restart has run yet.
    rc = run_uninstaller(IDYES, &texts);
    EXPECT_EQ(rc, 0);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts[1].find("Could not be removed") == std::string::npos) << texts[1];
    EXPECT_TRUE(exists(drivers_ + "companions-other.sys"));
    EXPECT_TRUE(value_exists(HKEY_LOCAL_MACHINE, kRunKey, "Companions Other"));
}

TEST_F(UninstallTest, NothingInstalledEndsWithThatMessage)
{
    ASSERT_FALSE(exists(kInstallDir)) << "left over from an earlier test";
    // Only the program, run from the build folder.
    std::string copy = wintest::module_dir() + "TVUninst.exe";
    std::vector<std::string> texts;
    {
        BoxAnswerer answerer(IDYES);
        EXPECT_EQ(wintest::run_process("\"" + copy + "\"", 60000), 0);
        texts = answerer.texts();
    }
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[1].find("Nothing was removed"), std::string::npos) << texts[1];
}

TEST_F(UninstallTest, NoToTheQuestionRemovesNothing)
{
    install_fixture();
    std::vector<std::string> texts;
    EXPECT_EQ(run_uninstaller(IDNO, &texts), 1);
    EXPECT_EQ(texts.size(), 1u);
    for (const char *f : kInstalledFiles)
        EXPECT_TRUE(exists(std::string(kInstallDir) + "\\" + f)) << f;
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(service_exists("tvsermou"));
}

TEST_F(UninstallTest, StopsTheRunningPointerHelperAndKeepsUserFiles)
{
    install_fixture();
    write_file(std::string(kInstallDir) + "\\notes.txt", "the user's own");
    std::string cmd = "\"" + wintest::module_dir() + "TVPtr.exe\" C:\\Tavix";
    STARTUPINFOA si = { sizeof(si) };
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi));
    ASSERT_TRUE(wintest::wait_for([] { return FindWindowA("TVPtrHelper", NULL) != NULL; }));

    std::vector<std::string> texts;
    // The folder stays for the user's file, and the summary says so.
    EXPECT_EQ(run_uninstaller(IDYES, &texts), 2);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0) << "the pointer helper still runs";
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    EXPECT_TRUE(exists(std::string(kInstallDir) + "\\notes.txt"));
    EXPECT_FALSE(exists(std::string(kInstallDir) + "\\TVPtr.exe"));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[1].find("pointer helper"), std::string::npos) << texts[1];
    EXPECT_NE(texts[1].find("C:\\Tavix (not empty)"), std::string::npos) << texts[1];
}

} // namespace
