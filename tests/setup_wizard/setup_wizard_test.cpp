// setup.exe run as its own process against a test medium (setup.exe beside
// the packed files, the medium the current directory) and answered like a
// user answers it; afterwards the files, registry entries, services and
// shortcuts it left are checked, or their absence.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "../setup/install_checks.h"
#include "setup_process.h"
#include "unmanaged_windows.h"

using namespace setuptest;
using namespace wizardtest;

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
const char kProgramsMessage[] = "Can't find <Programs> path in registry database!";
const UINT kAboutCommand = 0x0010;


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
    static Originals originals() { return original; }

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
    const PortFacts *facts;
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

    expect_all_files(*p.facts, originals());
    expect_service(*p.facts);
    expect_class_entries(*p.facts, kClassKey);
    expect_registered(kPrograms);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, SetupInstall,
    ::testing::Values(
        // "No" on the Install Finished prompt.
        Port{ "Ps2", {}, click(kFinish, IDCANCEL), &kPs2Facts },
        // Esc on the prompt counts as "No".
        Port{ "Serial", { 1002 }, key(kFinish, VK_ESCAPE), &kSerialFacts },
        // Serial chosen, then PS/2 again: the last click counts.
        Port{ "SerialThenPs2", { 1002, 1001 }, click(kFinish, IDCANCEL), &kPs2Facts }),
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
    expect_nothing_installed(kPrograms, kClassKey);
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
    expect_product_files(originals(), "TVPtr.exe");
    EXPECT_FALSE(file_exists(windows_dir() + "\\INF\\TAVMOUSE.INF"));
    expect_not_registered(kPrograms, kClassKey);
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
    expect_product_files(originals());
    EXPECT_TRUE(read_file(windows_dir() + "\\INF\\TAVMOUSE.INF") == original("TAVMOUSE.INF"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + "TVI8042"));
    EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kClassKey, "DriverDesc").found);
    expect_registered(kPrograms);
}

TEST_F(SetupWizard, NoProgramsFolderSkipsTheShortcutsOnly)
{
    // The application's own box, titled after the program file.
    delete_value(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs");
    ASSERT_NO_FATAL_FAILURE(run_setup({ click(kWelcome, IDOK), click(kInstallType, IDOK),
                                        click("SETUP", IDOK, says(kProgramsMessage)), click(kFinish, IDCANCEL) }));
    expect_all_files(kPs2Facts, originals());
    expect_class_entries(kPs2Facts, kClassKey);
    EXPECT_TRUE(reg_value(HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane").found);
    EXPECT_TRUE(reg_value(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").found)
        << "the step after the shortcuts ran";
    EXPECT_FALSE(file_exists(kPrograms + "\\TavMouse"));
}

} // namespace
