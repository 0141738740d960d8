// setup.exe run as its own process against a test medium (setup.exe beside
// the packed files, the medium the current directory) and answered like a
// user answers it; afterwards the files, registry entries, services and
// shortcuts it left are checked, or their absence.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <functional>
#include <memory>

#include "../setup/setup_test_support.h"
#include "setup_process.h"
#include "unmanaged_windows.h"

using namespace setuptest;
using wizardtest::SetupProcess;

namespace {

const char kMedium[] = "C:\\TavixWizardMedium";
const char kProgramFolder[] = "C:\\TavixWizardProgram";
const std::string kPrograms = std::string(kProgramsFixture) + "\\Programs";
const char kWelcome[] = "Welcome";
const char kInstallType[] = "Select Installation Type";
const char kExitSetup[] = "Exit Setup";
const char kFinish[] = "Install Finished";
const char kAbout[] = "About Setup";
const char kSetupError[] = "Setup Error";
const char kSourceMessage[] = "Can't read source file to continue copying!\n\nYou must check your path of source file!";
const char kInfMessage[] = "Setup can't open 'TavMouse.Inf' file,\nPlease check if this file is located in correct "
                           "path!INF file path error...";
const UINT kAboutCommand = 0x0010;

const std::string kClsidKey = "CLSID\\{4753B0A0-79BB-101B-AE4B-00AA00373B20}";
const std::string kHandlerKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
                                "PropertySheetHandlers\\TAVMouse CPL";
const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane";
const std::string kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

// One answer of the user: on the window with the caption, after the
// optional look at it, a button, a key or a system menu command.
struct Answer {
    enum How { kClick, kKey, kSysCommand } how;
    std::string caption;
    WPARAM what;
    std::function<void(SetupProcess &, HWND)> look;
};

Answer click(const char *caption, int id, std::function<void(SetupProcess &, HWND)> look = nullptr)
{
    return { Answer::kClick, caption, (WPARAM)id, look };
}

Answer key(const char *caption, UINT vk, std::function<void(SetupProcess &, HWND)> look = nullptr)
{
    return { Answer::kKey, caption, vk, look };
}

Answer menu(const char *caption, WPARAM command)
{
    return { Answer::kSysCommand, caption, command, nullptr };
}

// Looks at a message box: its text must be the one given.
std::function<void(SetupProcess &, HWND)> says(const char *text)
{
    return [text](SetupProcess &, HWND box) {
        EXPECT_EQ(text, SetupProcess::box_text(box).text) << "box \"" << SetupProcess::box_text(box).caption << "\"";
    };
}

// The Install type dialog as it opens in every pass.
void opens_on_ps2(SetupProcess &, HWND dialog)
{
    EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(dialog, 1001)) << "PS/2 Mouse Port";
    EXPECT_EQ((UINT)BST_UNCHECKED, IsDlgButtonChecked(dialog, 1002)) << "Serial Mouse Port";
}

// The About box belongs to the Welcome dialog that opened it.
void owned_by_welcome(SetupProcess &, HWND about)
{
    EXPECT_EQ(kWelcome, wizardtest::window_text(GetWindow(about, GW_OWNER)));
}

// The Exit Setup dialog never shares the screen with the Copy-files window.
void copy_window_gone(SetupProcess &setup, HWND)
{
    EXPECT_TRUE(setup.find("Copy files") == NULL) << "windows of setup: " << setup.captions();
}

// Records the end-session messages that a restart request makes the system
// send to every window, and refuses them, so a test sees when setup asked
// for a restart and the test environment survives it.
class SessionWatcher {
public:
    SessionWatcher()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "TavixSessionWatcher";
        RegisterClassA(&wc);
        m_hwnd = CreateWindowA(wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 1, 1, NULL, NULL, wc.hInstance, NULL);
        s_queries = 0;
    }
    ~SessionWatcher() { DestroyWindow(m_hwnd); }
    int queries() const { return s_queries; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_QUERYENDSESSION) {
            ++s_queries;
            return FALSE;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    HWND m_hwnd;
    static inline int s_queries = 0;
};

class SetupWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        remove_installation();
        remove_tree(kMedium);
        remove_tree(kProgramFolder);
        copy_folder(wintest::module_dir() + "setup_medium", kMedium);
        ASSERT_TRUE(CopyFileA((wintest::module_dir() + "setup.exe").c_str(), medium("setup.exe").c_str(), FALSE));
        ASSERT_TRUE(file_exists(medium("tvi8042.sy_"))) << "test medium missing";
        m_savedPrograms.reset(new SavedValue(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs"));
        set_string(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", kPrograms);
        CreateDirectoryA(kProgramsFixture, NULL);
        CreateDirectoryA(kPrograms.c_str(), NULL);
        // The mouse device whose class entry the INF step completes.
        set_string(HKEY_LOCAL_MACHINE, kDeviceInstanceKey, "Driver", std::string(kMouseClass) + "\\0042");
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClassKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                                 &key, NULL));
        RegCloseKey(key);
        m_unmanaged.reset(new wizardtest::UnmanagedWindows("setup.exe"));
    }

    void TearDown() override
    {
        m_setup.reset();
        EXPECT_EQ(0, m_session.queries()) << "setup asked for a restart";
        m_unmanaged.reset();
        m_savedPrograms.reset();
        remove_installation();
        remove_tree(kMedium);
        remove_tree(kProgramFolder);
    }

    static std::string medium(const char *name) { return std::string(kMedium) + "\\" + name; }
    static std::string original(const char *name)
    {
        return read_file(wintest::module_dir() + "setup_medium\\originals\\" + name);
    }

    // Starts setup from `program_folder` with the medium as current
    // directory, gives the answers in order and waits for it to end.
    void run_setup(const std::vector<Answer> &answers, const std::string &program_folder = kMedium)
    {
        m_setup.reset(new SetupProcess);
        ASSERT_TRUE(m_setup->start(program_folder + "\\setup.exe", kMedium));
        for (size_t i = 0; i < answers.size(); ++i) {
            const Answer &a = answers[i];
            HWND window = m_setup->wait_window(a.caption);
            ASSERT_TRUE(window != NULL) << "answer " << i << ": no window \"" << a.caption
                                        << "\"; windows of setup: " << m_setup->captions()
                                        << (m_setup->exited() ? " (setup has ended)" : "");
            if (a.look)
                a.look(*m_setup, window);
            switch (a.how) {
            case Answer::kClick:
                ASSERT_TRUE(m_setup->click(window, (int)a.what)) << "answer " << i << ": button " << a.what;
                break;
            case Answer::kKey:
                ASSERT_TRUE(m_setup->press_key((UINT)a.what)) << "answer " << i << ": key " << a.what;
                break;
            case Answer::kSysCommand:
                m_setup->system_command(window, a.what);
                break;
            }
        }
        EXPECT_EQ(0, m_setup->wait_exit()) << "setup did not end; windows of setup: " << m_setup->captions();
    }

    void expect_nothing_installed()
    {
        EXPECT_FALSE(file_exists("C:\\TAVIX"));
        EXPECT_FALSE(file_exists(system_dir() + "\\Drivers\\tvi8042.sys"));
        EXPECT_FALSE(file_exists(system_dir() + "\\Drivers\\tvsermou.sys"));
        EXPECT_FALSE(file_exists(windows_dir() + "\\INF\\TAVMOUSE.INF"));
        expect_not_registered();
    }

    void expect_not_registered()
    {
        EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, kClsidKey));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kHandlerKey));
        EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane").found);
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(file_exists(kPrograms + "\\TavMouse"));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + "TVI8042"));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + "tvsermou"));
        EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kClassKey, "DriverDesc").found);
    }

    void expect_registered()
    {
        struct Row {
            HKEY root;
            std::string key;
            const char *name;
            std::string data;
            DWORD bytes;
        } rows[] = {
            { HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32", "", "C:\\Tavix\\TVNTCpl.dll", 21 },
            { HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32", "ThreadingModel", "Apartment", 10 },
            { HKEY_LOCAL_MACHINE, kHandlerKey, "", "{4753B0A0-79BB-101B-AE4B-00AA00373B20}", 39 },
            { HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane", "C:\\Tavix\\TVPtr.exe C:\\Tavix", 28 },
            { HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Tavix Hyper Marvane", 20 },
            { HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "C:\\Tavix\\TvUninst.exe", 22 },
        };
        for (const Row &r : rows) {
            RegValue v = reg_value(r.root, r.key, r.name);
            EXPECT_TRUE(v.found) << r.key << " \"" << r.name << "\"";
            EXPECT_EQ((DWORD)REG_SZ, v.type) << r.key << " \"" << r.name << "\"";
            EXPECT_EQ(r.bytes, v.size) << r.key << " \"" << r.name << "\"";
            EXPECT_EQ(r.data, v.data) << r.key << " \"" << r.name << "\"";
        }
        EXPECT_FALSE(reg_value(HKEY_CLASSES_ROOT, kClsidKey, "").found) << "the class key has no default value";
        expect_shortcuts();
    }

    void expect_shortcuts()
    {
        struct Link {
            std::string file;
            const char *target;
            std::string description;
        } links[] = {
            { kPrograms + "\\TavMouse\\Hyper Marvane.Lnk", "c:\\Tavix\\Tvptr.exe", kPrograms + "\\TavMouse\\Hyper Marvane" },
            { kPrograms + "\\TavMouse\\Uninstall.Lnk", "c:\\Tavix\\TVUninst.exe", kPrograms + "\\TavMouse\\Uninstall" },
        };
        CoInitialize(NULL);
        for (const Link &l : links) {
            IShellLinkA *link = NULL;
            ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                                   (void **)&link)));
            IPersistFile *file = NULL;
            link->QueryInterface(IID_IPersistFile, (void **)&file);
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, l.file.c_str(), -1, wide, MAX_PATH);
            EXPECT_TRUE(SUCCEEDED(file->Load(wide, STGM_READ))) << l.file;
            char path[MAX_PATH] = "", description[MAX_PATH] = "";
            link->GetPath(path, MAX_PATH, NULL, SLGP_RAWPATH);
            link->GetDescription(description, MAX_PATH);
            EXPECT_EQ(0, lstrcmpiA(l.target, path)) << l.file << ": target " << path;
            EXPECT_EQ(l.description, description) << l.file;
            file->Release();
            link->Release();
        }
        CoUninitialize();
    }

    void expect_product_files(const char *missing = NULL)
    {
        struct Row {
            const char *original;
            const char *destination;
        } rows[] = {
            { "tvsermou.sys", "C:\\TAVIX\\tvsermou.sys" },
            { "tvi8042.sys", "C:\\TAVIX\\tvi8042.sys" },
            { "TVNTCpl.dll", "C:\\TAVIX\\TVNTCpl.dll" },
            { "TVUninst.exe", "C:\\TAVIX\\TVUninst.exe" },
            { "TVPtr.exe", "C:\\TAVIX\\TVPtr.exe" },
            { "TMouse.hlp", "C:\\Tavix\\TMouse.hlp" },
            { "TVPtr.dll", "C:\\TAVIX\\TVPtr.dll" },
            { "TAVMOUSE.INF", "C:\\TAVIX\\TAVMOUSE.INF" },
        };
        for (const Row &r : rows) {
            bool exists = false;
            std::string got = read_file(r.destination, &exists);
            if (missing && lstrcmpiA(missing, r.original) == 0) {
                EXPECT_FALSE(exists) << r.destination;
                continue;
            }
            EXPECT_TRUE(exists) << r.destination;
            EXPECT_TRUE(got == original(r.original)) << r.destination << " differs from " << r.original;
        }
    }

    // The service key of a kernel driver installed from the INF, with the
    // Parameters key the settings page opens.
    void expect_service(const char *name, const char *file)
    {
        std::string key = kServicesKey + name;
        DWORD type = 0, size = sizeof(type);
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "Type", RRF_RT_REG_DWORD, NULL,
                                              &type, &size)) << name;
        EXPECT_EQ((DWORD)SERVICE_KERNEL_DRIVER, type) << name;
        RegValue image = reg_value(HKEY_LOCAL_MACHINE, key, "ImagePath");
        std::string expected = system_dir() + "\\drivers\\" + file;
        EXPECT_EQ(0, lstrcmpiA(expected.c_str(), image.data.c_str())) << name << ": " << image.data;
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, key + "\\Parameters")) << name;
    }

    void expect_class_entries(const char *desc, DWORD descBytes, const char *section)
    {
        struct Row {
            const char *name;
            std::string data;
            DWORD bytes;
        } rows[] = {
            { "DriverDesc", desc, descBytes },
            { "InfPath", "Tavmouse.inf", 13 },
            { "InfSection", section, 9 },
            { "ProviderName", "Oblinar", 8 },
        };
        for (const Row &r : rows) {
            RegValue v = reg_value(HKEY_LOCAL_MACHINE, kClassKey, r.name);
            EXPECT_TRUE(v.found) << r.name;
            EXPECT_EQ((DWORD)REG_SZ, v.type) << r.name;
            EXPECT_EQ(r.bytes, v.size) << r.name;
            EXPECT_EQ(r.data, v.data) << r.name;
        }
    }

    std::unique_ptr<SetupProcess> m_setup;
    SessionWatcher m_session;
    std::unique_ptr<SavedValue> m_savedPrograms;
    std::unique_ptr<wizardtest::UnmanagedWindows> m_unmanaged;
};

// ---- a whole installation, for each port ------------------------------------

struct Port {
    const char *name;
    std::vector<int> clicks;      // on the Install type dialog before Next
    Answer finish;                // how the Install Finished prompt is answered
    const char *driver, *otherDriver;
    const char *service, *otherService;
    const char *description;
    DWORD descriptionBytes;
    const char *section;
};

void PrintTo(const Port &p, std::ostream *os)
{
    *os << p.name;
}

class SetupInstall : public SetupWizard, public ::testing::WithParamInterface<Port> {};

TEST_P(SetupInstall, PutsEveryFileEntryServiceAndShortcutInPlace)
{
    const Port &p = GetParam();
    std::vector<Answer> answers = { click(kWelcome, IDOK) };
    for (int id : p.clicks)
        answers.push_back(click(kInstallType, id));
    answers.push_back(click(kInstallType, IDOK));
    answers.push_back(p.finish);
    ASSERT_NO_FATAL_FAILURE(run_setup(answers));

    std::string drivers = system_dir() + "\\Drivers\\";
    EXPECT_TRUE(read_file(drivers + p.driver) == original(p.driver)) << drivers + p.driver;
    EXPECT_FALSE(file_exists(drivers + p.otherDriver)) << drivers + p.otherDriver;
    expect_product_files();
    EXPECT_TRUE(read_file(windows_dir() + "\\INF\\TAVMOUSE.INF") == original("TAVMOUSE.INF"));
    expect_service(p.service, p.driver);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + p.otherService)) << p.otherService;
    expect_class_entries(p.description, p.descriptionBytes, p.section);
    expect_registered();
}

INSTANTIATE_TEST_SUITE_P(
    Ports, SetupInstall,
    ::testing::Values(
        // "No" on the Install Finished prompt.
        Port{ "Ps2", {}, click(kFinish, IDCANCEL), "tvi8042.sys", "tvsermou.sys", "TVI8042", "tvsermou",
              "Tavix PS2 Mouse Driver", 23, "PS2_Inst" },
        // Esc on the prompt counts as "No".
        Port{ "Serial", { 1002 }, key(kFinish, VK_ESCAPE), "tvsermou.sys", "tvi8042.sys", "tvsermou", "TVI8042",
              "Tavix Serial Mouse Driver", 26, "Ser_Inst" },
        // Serial chosen, then PS/2 again: the last click counts.
        Port{ "SerialThenPs2", { 1002, 1001 }, click(kFinish, IDCANCEL), "tvi8042.sys", "tvsermou.sys", "TVI8042",
              "tvsermou", "Tavix PS2 Mouse Driver", 23, "PS2_Inst" }),
    [](const ::testing::TestParamInfo<Port> &info) { return std::string(info.param.name); });

// ---- passes that end without installing ------------------------------------------

struct Flow {
    const char *name;
    std::vector<Answer> answers;
};

void PrintTo(const Flow &f, std::ostream *os)
{
    *os << f.name;
}

class SetupAbandoned : public SetupWizard, public ::testing::WithParamInterface<Flow> {};

TEST_P(SetupAbandoned, EndsWithNothingInstalled)
{
    ASSERT_NO_FATAL_FAILURE(run_setup(GetParam().answers));
    expect_nothing_installed();
}

INSTANTIATE_TEST_SUITE_P(
    Flows, SetupAbandoned,
    ::testing::Values(
        Flow{ "CancelOnWelcomeThenExit",
              { click(kWelcome, IDCANCEL), click(kExitSetup, IDCANCEL, copy_window_gone) } },
        Flow{ "CancelOnInstallTypeThenExit",
              { click(kWelcome, IDOK), click(kInstallType, IDCANCEL), click(kExitSetup, IDCANCEL) } },
        // Resume starts again at Welcome, and the Install type dialog
        // opens on PS/2 in every pass, whatever the last pass chose.
        Flow{ "ResumeStartsAgainAtWelcome",
              { click(kWelcome, IDCANCEL), click(kExitSetup, IDOK),
                click(kWelcome, IDOK), click(kInstallType, 1002, opens_on_ps2), click(kInstallType, IDCANCEL),
                click(kExitSetup, IDOK),
                click(kWelcome, IDOK), click(kInstallType, IDCANCEL, opens_on_ps2),
                click(kExitSetup, IDCANCEL) } },
        // Enter on Exit Setup answers Resume; Esc there answers Exit Setup.
        Flow{ "EnterOnExitSetupResumes",
              { click(kWelcome, IDCANCEL), key(kExitSetup, VK_RETURN), click(kWelcome, IDCANCEL),
                key(kExitSetup, VK_ESCAPE) } },
        // The About entry of Welcome's system menu, and back to Welcome.
        Flow{ "AboutBoxReturnsToWelcome",
              { menu(kWelcome, kAboutCommand), click(kAbout, IDOK, owned_by_welcome), click(kWelcome, IDCANCEL),
                click(kExitSetup, IDCANCEL) } },
        // Close from the system menu counts as Cancel.
        Flow{ "SystemMenuCloseOnWelcome",
              { menu(kWelcome, SC_CLOSE), click(kExitSetup, IDCANCEL) } }),
    [](const ::testing::TestParamInfo<Flow> &info) { return std::string(info.param.name); });

// ---- failures on the way ----------------------------------------------------------

TEST_F(SetupWizard, MissingPointerHelperEndsThePassAtExitSetup)
{
    ASSERT_TRUE(DeleteFileA(medium("TVPtr.ex_").c_str()));
    // Two passes: Resume runs every step again from the first, and the
    // missing file stops it again.
    std::vector<Answer> pass = { click(kWelcome, IDOK), click(kInstallType, IDOK),
                                 click(kSetupError, IDOK, says(kSourceMessage)) };
    std::vector<Answer> answers = pass;
    answers.push_back(click(kExitSetup, IDOK, copy_window_gone));
    answers.insert(answers.end(), pass.begin(), pass.end());
    answers.push_back(click(kExitSetup, IDCANCEL, copy_window_gone));
    ASSERT_NO_FATAL_FAILURE(run_setup(answers));

    // The copy step finished its other rows; nothing after it ran.
    EXPECT_TRUE(read_file(system_dir() + "\\Drivers\\tvi8042.sys") == original("tvi8042.sys"));
    expect_product_files("TVPtr.exe");
    EXPECT_FALSE(file_exists(windows_dir() + "\\INF\\TAVMOUSE.INF"));
    expect_not_registered();
}

TEST_F(SetupWizard, InfMissingNextToTheProgramStillRegisters)
{
    // Started from another folder, with the medium as working directory:
    // the files come from the medium, the INF is looked for beside setup.
    CreateDirectoryA(kProgramFolder, NULL);
    ASSERT_TRUE(CopyFileA(medium("setup.exe").c_str(), (std::string(kProgramFolder) + "\\setup.exe").c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(run_setup({ click(kWelcome, IDOK), click(kInstallType, IDOK),
                                        click("SETUP", IDOK, says(kInfMessage)), click(kFinish, IDCANCEL) },
                                      kProgramFolder));
    expect_product_files();
    EXPECT_TRUE(read_file(windows_dir() + "\\INF\\TAVMOUSE.INF") == original("TAVMOUSE.INF"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + "TVI8042"));
    EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kClassKey, "DriverDesc").found);
    expect_registered();
}

} // namespace
