// The page's Help and Uninstall buttons: help opens C:\Tavix\Tmouse.hlp in
// the help viewer; Uninstall starts the command that setup stored under the
// product's Uninstall key, and nothing when that key, its value or a whole
// command is not there.
#include <gtest/gtest.h>

#include <windows.h>
#include <memory>
#include <string>

#include "control_panel.h"
#include "wintest.h"

namespace {

enum { kHelpButton = 1028, kUninstallButton = 1037 };

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane";
const char kHelpFolder[] = "C:\\Tavix";
const char kHelpFile[] = "C:\\Tavix\\Tmouse.hlp";

class ButtonsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registration_.ok());
        panel_.reset(new cpl::ControlPanel);
        ASSERT_TRUE(panel_->ok()) << panel_->error();
    }
    void click(int id) const { SendMessageA(panel_->item(id), BM_CLICK, 0, 0); }

    cpl::ScopedRegistration registration_;
    std::unique_ptr<cpl::ControlPanel> panel_;
};

// ---------------------------------------------------------------------------
// Uninstall.

bool key_exists(const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A file of marker lines, each written by one run of leave_marker.exe.
class MarkerFile {
public:
    MarkerFile() : path_(wintest::temp_file("unm")) {}
    ~MarkerFile() { DeleteFileA(path_.c_str()); }

    // The command line that leaves the word in this file.
    std::string command(const std::string &word) const
    {
        return "\"" + wintest::module_dir() + "leave_marker.exe\" \"" + path_ + "\" " + word;
    }
    bool has(const std::string &word) const
    {
        std::string text = read();
        return text.find(word + "\r\n") != std::string::npos;
    }
    std::string read() const
    {
        std::string text;
        HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                  OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return text;
        char buf[4096];
        DWORD n;
        while (ReadFile(file, buf, sizeof(buf), &n, NULL) && n)
            text.append(buf, n);
        CloseHandle(file);
        return text;
    }

private:
    std::string path_;
};

// What the Uninstall key holds for one case. The page does not look at the
// value's type, so a command may also come as bytes without any zero.
enum class Stored { Command, CommandWithoutZero, Bytes, NoValue, NoKey };

struct UninstallCase {
    const char *what;
    Stored stored;
    size_t length;  // the command padded with blanks to this many characters (0: as it is)
    bool runs;
};

TEST_F(ButtonsTest, UninstallStartsTheStoredCommand)
{
    ASSERT_FALSE(key_exists(kUninstallKey)) << "the Uninstall key is left from elsewhere";
    MarkerFile markers;
    const UninstallCase cases[] = {
        { "a command as setup stores it", Stored::Command, 0, true },
        { "a command stored without its zero", Stored::CommandWithoutZero, 0, true },
        { "255 characters and the zero: the whole buffer", Stored::Command, 255, true },
        { "256 characters without a zero fill the buffer", Stored::CommandWithoutZero, 256, false },
        { "a command as bytes without a zero", Stored::Bytes, 0, true },
        { "255 bytes without a zero", Stored::Bytes, 255, true },
        { "256 bytes without a zero fill the buffer", Stored::Bytes, 256, false },
        { "256 characters and the zero: too long", Stored::Command, 256, false },
        { "300 characters", Stored::Command, 300, false },
        { "no UninstallString value", Stored::NoValue, 0, false },
        { "no Uninstall key", Stored::NoKey, 0, false },
    };
    int row = 0;
    for (const UninstallCase &c : cases) {
        std::string word = "row" + std::to_string(++row);
        std::string command = markers.command(word);
        ASSERT_LT(command.size(), 250u) << "the test's paths are too long for this table";
        if (c.length)
            command.resize(c.length, ' ');
        {
            std::unique_ptr<cpl::ScopedKey> key;
            if (c.stored != Stored::NoKey) {
                key.reset(new cpl::ScopedKey(HKEY_LOCAL_MACHINE, kUninstallKey));
                ASSERT_TRUE(key->ok());
                ASSERT_TRUE(key->set_string("DisplayName", "Tavix Hyper Marvane"));
                DWORD bytes = (DWORD)command.size() + (c.stored == Stored::Command ? 1 : 0);
                DWORD type = c.stored == Stored::Bytes ? REG_BINARY : REG_SZ;
                if (c.stored != Stored::NoValue) {
                    ASSERT_TRUE(key->set("UninstallString", type, command.c_str(), bytes));
                }
            }
            click(kUninstallButton);
        }
        if (c.runs) {
            EXPECT_TRUE(wintest::wait_for([&] { return markers.has(word); }))
                << c.what << ": the command did not run; markers: " << markers.read();
            continue;
        }
        // A command started now must come after anything the click started.
        std::string control = word + "control";
        cpl::ScopedKey key(HKEY_LOCAL_MACHINE, kUninstallKey);
        ASSERT_TRUE(key.set_string("UninstallString", markers.command(control)));
        click(kUninstallButton);
        ASSERT_TRUE(wintest::wait_for([&] { return markers.has(control); })) << c.what;
        EXPECT_FALSE(markers.has(word)) << c.what << ": the command ran";
    }
    EXPECT_TRUE(panel_->running()) << "the page and the sheet stay open";
}

// ---------------------------------------------------------------------------
// Help.

// The help file of the build at the fixed path the page opens; only what
// was not there before is removed again.
class ScopedHelpFile {
public:
    ScopedHelpFile()
    {
        made_folder_ = CreateDirectoryA(kHelpFolder, NULL) != FALSE;
        if (GetFileAttributesA(kHelpFile) == INVALID_FILE_ATTRIBUTES)
            made_file_ = CopyFileA((wintest::module_dir() + "TMouse.hlp").c_str(), kHelpFile, TRUE) != FALSE;
    }
    ~ScopedHelpFile()
    {
        if (made_file_)
            DeleteFileA(kHelpFile);
        if (made_folder_)
            RemoveDirectoryA(kHelpFolder);
    }
    bool ok() const { return GetFileAttributesA(kHelpFile) != INVALID_FILE_ATTRIBUTES; }

private:
    bool made_folder_ = false;
    bool made_file_ = false;
};

struct Viewer {
    DWORD pid = 0;
    std::string texts;
};

BOOL CALLBACK collect_child(HWND hwnd, LPARAM param)
{
    // The viewer runs in a process of its own: never wait on it for long.
    char text[4096] = "";
    DWORD_PTR n = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &n);
    ((Viewer *)param)->texts.append(text).append("\n");
    return TRUE;
}

BOOL CALLBACK find_viewer(HWND hwnd, LPARAM param)
{
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(cls, "MS_WINHELP") != 0)
        return TRUE;
    Viewer *v = (Viewer *)param;
    GetWindowThreadProcessId(hwnd, &v->pid);
    collect_child(hwnd, param);
    EnumChildWindows(hwnd, collect_child, param);
    return TRUE;
}

Viewer look_at_viewer()
{
    Viewer v;
    EnumWindows(find_viewer, (LPARAM)&v);
    return v;
}

void close_viewer(DWORD pid)
{
    HWND owner = CreateWindowExA(0, "STATIC", "help owner", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    WinHelpA(owner, kHelpFile, HELP_QUIT, 0);
    HANDLE viewer = pid ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid) : NULL;
    if (viewer) {
        if (!wintest::wait_for([&] { return WaitForSingleObject(viewer, 0) == WAIT_OBJECT_0; }, 10000))
            TerminateProcess(viewer, 0);
        CloseHandle(viewer);
    }
    DestroyWindow(owner);
}

TEST_F(ButtonsTest, HelpOpensTheHelpFileAtItsContents)
{
    ASSERT_EQ(0u, look_at_viewer().pid) << "a help viewer is open already";
    ScopedHelpFile help;
    ASSERT_TRUE(help.ok()) << kHelpFile;
    click(kHelpButton);
    Viewer v;
    bool shown = wintest::wait_for([&] {
        v = look_at_viewer();
        return v.texts.find("Hyper Marvane Help Contents") != std::string::npos;
    }, 20000);
    EXPECT_TRUE(shown) << "the viewer shows: " << v.texts;
    close_viewer(v.pid);
    EXPECT_TRUE(panel_->running()) << "the page and the sheet stay open";
}

} // namespace
