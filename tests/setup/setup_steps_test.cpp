// setup's install steps run in this process against a test medium in a
// folder of its own, which is the current directory while they run.
#include <gtest/gtest.h>

#include "copy_files_dlg.h"
#include "setup_values.h"
#include "install_checks.h"
#include "setup_test_support.h"

using namespace setuptest;

setuptest::ProgressRecorder *setuptest::ProgressRecorder::s_self = NULL;

namespace {

// The application object: its title captions the framework's boxes.
CWinApp theApp("SETUP");

const char kMediumCopy[] = "C:\\TavixTestMedium";

std::string percent_texts(const std::vector<int> &values)
{
    std::string s;
    for (int v : values)
        s += std::to_string(v) + "% ";
    return s;
}

std::string joined(const std::vector<int> &values)
{
    std::string s;
    for (int v : values)
        s += std::to_string(v) + " ";
    return s;
}

// Every report as it reaches the window: the bar first, then the text.
std::vector<std::string> report_events(const std::vector<int> &values)
{
    std::vector<std::string> events = { "bar " + std::to_string(values[0]) };   // the window opening
    for (size_t i = 1; i < values.size(); ++i) {
        events.push_back("bar " + std::to_string(values[i]));
        events.push_back("text " + std::to_string(values[i]) + "%");
    }
    return events;
}

std::string joined(const std::vector<std::string> &values)
{
    std::string s;
    for (const std::string &v : values)
        s += v + " ";
    return s;
}

class SetupSteps : public ::testing::Test {
protected:
    void SetUp() override
    {
        remove_installation();
        remove_tree(kMediumCopy);
        copy_folder(wintest::module_dir() + "setup_medium", kMediumCopy);
        ASSERT_TRUE(file_exists(std::string(kMediumCopy) + "\\tvi8042.sy_")) << "test medium missing";
        // The INF steps open tavmouse.inf in the folder of the running program.
        CopyFileA((wintest::module_dir() + "setup_medium\\TAVMOUSE.INF").c_str(), inf_next_to_program().c_str(), FALSE);
        GetCurrentDirectoryA(MAX_PATH, m_oldDir);
        ASSERT_TRUE(SetCurrentDirectoryA(kMediumCopy));
        m_savedPrograms.reset(new SavedValue(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs"));
        set_string(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", std::string(kProgramsFixture) + "\\Programs");
        CreateDirectoryA(kProgramsFixture, NULL);
        CreateDirectoryA((std::string(kProgramsFixture) + "\\Programs").c_str(), NULL);
        CopyFailed = 0;
        InstallType = 0;
    }

    void TearDown() override
    {
        if (m_dlg.m_hWnd)
            m_dlg.DestroyWindow();
        SetCurrentDirectoryA(m_oldDir);
        m_savedPrograms.reset();
        remove_installation();
        remove_tree(kMediumCopy);
        DeleteFileA(inf_next_to_program().c_str());
    }

    static std::string inf_next_to_program() { return wintest::module_dir() + "tavmouse.inf"; }
    static std::string original(const char *name)
    {
        return read_file(wintest::module_dir() + "setup_medium\\originals\\" + name);
    }

    void open_window()
    {
        ASSERT_TRUE(m_dlg.Create(IDD_COPY_FILES, NULL));
        ASSERT_TRUE(m_dlg.m_progress.m_hWnd != NULL);
    }

    void fixture_device_instance(const std::string &driver, bool countZero = true)
    {
        set_string(HKEY_LOCAL_MACHINE, kDeviceInstanceKey, "Driver", driver, countZero);
    }

    void fixture_class_key()
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClassKey, 0, NULL, 0, KEY_ALL_ACCESS,
                                                 NULL, &key, NULL));
        RegCloseKey(key);
    }

    void run_pass(int type)
    {
        if (type == kInstallPs2)
            m_dlg.CopyPs2Driver();
        else
            m_dlg.CopySerialDriver();
        m_dlg.CopyProductFiles();
        m_dlg.CopyInfFile();
        if (type == kInstallPs2)
            m_dlg.InstallPs2Inf();
        else
            m_dlg.InstallSerialInf();
        m_dlg.RegisterExtension();
        m_dlg.RegisterRunAtLogon();
        m_dlg.CreateShortcuts();
        m_dlg.RegisterUninstall();
    }

    CCopyFilesDlg m_dlg;
    char m_oldDir[MAX_PATH];
    std::unique_ptr<SavedValue> m_savedPrograms;
};

// ---- a full pass, for each port type ---------------------------------------------

struct PortPass {
    const char *name;
    int type;                  // kInstallPs2 or kInstallSerial
    std::vector<int> progress; // every position of the bar, the window's opening first
    const PortFacts *facts;
};

void PrintTo(const PortPass &p, std::ostream *os)
{
    *os << p.name;
}

class SetupFullPass : public SetupSteps, public ::testing::WithParamInterface<PortPass> {};

TEST_P(SetupFullPass, ReportsEveryValueAndExpandsEveryFile)
{
    const PortPass &p = GetParam();
    fixture_device_instance(std::string(kMouseClass) + "\\0042");
    fixture_class_key();
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    run_pass(p.type);
    EXPECT_EQ(joined(p.progress), joined(progress.positions));
    EXPECT_EQ(percent_texts({ p.progress.begin() + 1, p.progress.end() }), joined(progress.texts));
    EXPECT_EQ(joined(report_events(p.progress)), joined(progress.events));
    EXPECT_EQ(0, CopyFailed);
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes()[0].caption << ": " << boxes.boxes()[0].text;
    expect_all_files(*p.facts, original);
    expect_class_entries(*p.facts, kClassKey);
    std::string parameters = kServicesKey + p.facts->service + "\\Parameters";
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, parameters)) << parameters;
    char text[MAX_PATH];
    GetDlgItemTextA(m_dlg.m_hWnd, IDC_PERCENT_TEXT, text, sizeof(text));
    EXPECT_STREQ("100%", text);
    EXPECT_EQ(100, (int)SendMessageA(m_dlg.m_progress.m_hWnd, PBM_GETPOS, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Ports, SetupFullPass,
    ::testing::Values(
        PortPass{ "Ps2", kInstallPs2, { 1, 9, 21, 32, 50, 73, 82, 89, 89, 90, 92, 95, 97, 98, 99, 100 }, &kPs2Facts },
        PortPass{ "Serial", kInstallSerial, { 1, 15, 21, 32, 50, 73, 82, 89, 89, 90, 92, 93, 97, 98, 99, 100 },
                  &kSerialFacts }),
    [](const ::testing::TestParamInfo<PortPass> &info) { return std::string(info.param.name); });

// ---- single steps ----------------------------------------------------------------

TEST_F(SetupSteps, ServicesOfBothDriversPointAtTheDriversFolder)
{
    BoxWatcher boxes({ "Copy files" });
    open_window();
    m_dlg.InstallPs2Inf();
    m_dlg.InstallSerialInf();
    SC_HANDLE scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    ASSERT_TRUE(scm != NULL);
    for (const char *name : { "TVI8042", "tvsermou" }) {
        SC_HANDLE svc = OpenServiceA(scm, name, SERVICE_QUERY_CONFIG);
        ASSERT_TRUE(svc != NULL) << name << ": error " << GetLastError();
        char buf[4096];
        DWORD needed;
        QUERY_SERVICE_CONFIGA *cfg = (QUERY_SERVICE_CONFIGA *)buf;
        ASSERT_TRUE(QueryServiceConfigA(svc, cfg, sizeof(buf), &needed)) << name;
        EXPECT_EQ((DWORD)SERVICE_KERNEL_DRIVER, cfg->dwServiceType) << name;
        std::string file = std::string(name) == "TVI8042" ? "tvi8042.sys" : "tvsermou.sys";
        std::string expected = system_dir() + "\\drivers\\" + file;
        EXPECT_EQ(0, lstrcmpiA(expected.c_str(), cfg->lpBinaryPathName)) << name << ": " << cfg->lpBinaryPathName;
        CloseServiceHandle(svc);
        std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\") + name + "\\Parameters";
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, key)) << key;
    }
    CloseServiceHandle(scm);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(SetupSteps, MissingProductFileGivesOneMessageAndTheOthersAreCopied)
{
    ASSERT_TRUE(DeleteFileA((std::string(kMediumCopy) + "\\TVPtr.ex_").c_str()));
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    m_dlg.CopyProductFiles();
    std::vector<BoxRecord> got = boxes.boxes();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ("Setup Error", got[0].caption);
    EXPECT_EQ("Can't read source file to continue copying!\n\nYou must check your path of source file!", got[0].text);
    EXPECT_EQ((UINT)(MB_OK | MB_ICONWARNING), got[0].type);
    EXPECT_EQ("", got[0].owner) << "the box has no owner window";
    EXPECT_EQ(1, CopyFailed);
    EXPECT_EQ("1 21 32 50 73 82 89 89 90 ", joined(progress.positions));
    expect_product_files(original, "TVPtr.exe");
}

TEST_F(SetupSteps, AllSourcesMissingGivesOneMessageForTheDriver)
{
    remove_tree(kMediumCopy);
    CreateDirectoryA(kMediumCopy, NULL);
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    m_dlg.CopyPs2Driver();
    EXPECT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ(1, CopyFailed);
    EXPECT_EQ("1 9 ", joined(progress.positions));
}

TEST_F(SetupSteps, UncompressedSourceArrivesUnchanged)
{
    std::string plain = "not packed: " + original("tvi8042.sys");
    write_file(std::string(kMediumCopy) + "\\tvi8042.sy_", plain);
    BoxWatcher boxes({ "Copy files" });
    open_window();
    m_dlg.CopyPs2Driver();
    EXPECT_EQ(plain, read_file(system_dir() + "\\Drivers\\tvi8042.sys"));
    EXPECT_EQ(0, CopyFailed);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(SetupSteps, ExistingDestinationsAreOverwritten)
{
    CreateDirectoryA("C:\\TAVIX", NULL);
    std::string junk(100000, 'x');
    for (const ProductFile &f : kProductFiles)
        write_file(f.destination, junk);
    write_file(windows_dir() + "\\INF\\TAVMOUSE.INF", junk);
    BoxWatcher boxes({ "Copy files" });
    open_window();
    m_dlg.CopyProductFiles();
    m_dlg.CopyInfFile();
    EXPECT_TRUE(boxes.boxes().empty());
    expect_product_files(original);
    EXPECT_EQ(original("TAVMOUSE.INF"), read_file(windows_dir() + "\\INF\\TAVMOUSE.INF"));
}

TEST_F(SetupSteps, DestinationInUseIsNotReported)
{
    std::string driver = system_dir() + "\\Drivers\\tvi8042.sys";
    write_file(driver, "in use");
    HANDLE held = CreateFileA(driver.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_TRUE(held != INVALID_HANDLE_VALUE);
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    m_dlg.CopyPs2Driver();
    CloseHandle(held);
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes()[0].caption << ": " << boxes.boxes()[0].text;
    EXPECT_EQ(0, CopyFailed);
    EXPECT_EQ("1 9 ", joined(progress.positions));
    EXPECT_EQ("in use", read_file(driver));
}

TEST_F(SetupSteps, InfMissingNextToProgramWarnsAndSkipsTheRest)
{
    ASSERT_TRUE(DeleteFileA(inf_next_to_program().c_str()));
    fixture_device_instance(std::string(kMouseClass) + "\\0042");
    fixture_class_key();
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    m_dlg.InstallPs2Inf();
    std::vector<BoxRecord> got = boxes.boxes();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ("SETUP", got[0].caption);
    EXPECT_EQ("Setup can't open 'TavMouse.Inf' file,\nPlease check if this file is located in correct "
              "path!INF file path error...", got[0].text);
    EXPECT_EQ((UINT)(MB_OK | MB_ICONWARNING), got[0].type);
    EXPECT_EQ("Copy files", got[0].owner) << "the box belongs to the Copy-files window";
    EXPECT_EQ("1 ", joined(progress.positions));
    EXPECT_TRUE(progress.texts.empty());
    EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kClassKey, "DriverDesc").found);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\TVI8042"));
    EXPECT_EQ(0, CopyFailed);
}

TEST_F(SetupSteps, DriverValueWithoutTerminatingZeroStillNamesTheKey)
{
    fixture_device_instance(std::string(kMouseClass) + "\\0042", false);
    fixture_class_key();
    BoxWatcher boxes({ "Copy files" });
    open_window();
    m_dlg.SetPs2ClassEntries();
    expect_class_entries(kPs2Facts, kClassKey);
}

// ---- the INF step without a class entry to complete -------------------------------

struct DeviceInstance {
    const char *name;
    bool present;              // whether the device instance key is there
    std::string driver;        // its "Driver" value
    int type;                  // kInstallPs2 or kInstallSerial
    const PortFacts *facts;
    const char *progress;      // positions of the bar
};

void PrintTo(const DeviceInstance &d, std::ostream *os)
{
    *os << d.name;
}

class SetupNoClassEntry : public SetupSteps, public ::testing::WithParamInterface<DeviceInstance> {};

// The INF step still installs the service and reports; no class entry is
// written, neither in the class key nor in the class root.
TEST_P(SetupNoClassEntry, WritesNoClassEntryButReports)
{
    const DeviceInstance &d = GetParam();
    const char kClassRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class";
    fixture_class_key();
    if (d.present)
        fixture_device_instance(d.driver);
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    if (d.type == kInstallPs2)
        m_dlg.InstallPs2Inf();
    else
        m_dlg.InstallSerialInf();
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes()[0].caption << ": " << boxes.boxes()[0].text;
    EXPECT_EQ(d.progress, joined(progress.positions));
    for (const char *name : { "DriverDesc", "InfPath", "InfSection", "ProviderName" })
        EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kClassRoot, name).found) << name;
    EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kClassKey, "DriverDesc").found);
    std::string parameters = kServicesKey + d.facts->service + "\\Parameters";
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, parameters)) << parameters;
}

INSTANTIATE_TEST_SUITE_P(
    DeviceInstances, SetupNoClassEntry,
    ::testing::Values(
        DeviceInstance{ "NoDeviceInstanceKey", false, "", kInstallSerial, &kSerialFacts, "1 93 " },
        // 39 characters of root plus these do not fit in 260.
        DeviceInstance{ "DriverValueTooLongForTheClassPath", true,
                        std::string(kMouseClass) + "\\" + std::string(230, 'a'), kInstallPs2, &kPs2Facts, "1 95 " },
        DeviceInstance{ "EmptyDriverValue", true, "", kInstallPs2, &kPs2Facts, "1 95 " }),
    [](const ::testing::TestParamInfo<DeviceInstance> &info) { return std::string(info.param.name); });

// ---- registration -----------------------------------------------------------------

TEST_F(SetupSteps, RegistrationWritesSixValuesWithTheirByteCounts)
{
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    m_dlg.RegisterExtension();
    m_dlg.RegisterRunAtLogon();
    m_dlg.RegisterUninstall();
    EXPECT_EQ("1 97 98 100 ", joined(progress.positions));
    expect_registration_values();
    EXPECT_EQ("REG_SZ", key_class(HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32"));
    EXPECT_EQ("REG_SZ", key_class(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ("REG_SZ", key_class(HKEY_LOCAL_MACHINE, kHandlerKey));
    EXPECT_TRUE(boxes.boxes().empty());
}

// ---- shortcuts --------------------------------------------------------------------

struct ProgramsValue {
    const char *name;
    bool present;              // whether "Common Programs" is there
    std::string folder;        // its value
    std::string notMade;       // a folder the shortcuts must not be put in, "" for none
};

void PrintTo(const ProgramsValue &v, std::ostream *os)
{
    *os << v.name;
}

class SetupNoProgramsFolder : public SetupSteps, public ::testing::WithParamInterface<ProgramsValue> {};

TEST_P(SetupNoProgramsFolder, GivesTheMessageAndNoShortcuts)
{
    const ProgramsValue &v = GetParam();
    if (v.present)
        set_string(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", v.folder);
    else
        delete_value(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs");
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    m_dlg.CreateShortcuts();
    std::vector<BoxRecord> got = boxes.boxes();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ("SETUP", got[0].caption);
    EXPECT_EQ("Can't find <Programs> path in registry database!", got[0].text);
    EXPECT_EQ("1 ", joined(progress.positions));
    if (!v.notMade.empty()) {
        EXPECT_FALSE(file_exists(v.notMade)) << v.notMade;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ProgramsValues, SetupNoProgramsFolder,
    ::testing::Values(ProgramsValue{ "NoCommonProgramsValue", false, "",
                                     std::string(kProgramsFixture) + "\\Programs\\TavMouse" },
                      ProgramsValue{ "ProgramsFolderTooLong", true, "C:\\" + std::string(245, 'p'), "" },
                      ProgramsValue{ "EmptyProgramsFolder", true, "", "\\TavMouse" }),
    [](const ::testing::TestParamInfo<ProgramsValue> &info) { return std::string(info.param.name); });

// Runs Debian's lnkinfo on a shortcut and returns what it printed.
std::string lnkinfo(const std::string &lnk)
{
    typedef char *(CDECL *UnixName)(LPCWSTR);
    UnixName unix_name = (UnixName)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!unix_name)
        return "<no wine_get_unix_file_name>";
    auto to_unix = [&](const std::string &path) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        char *u = unix_name(wide);
        std::string s = u ? u : "";
        HeapFree(GetProcessHeap(), 0, u);
        return s;
    };
    // Wine starts a Unix program without a process handle to wait on: the
    // shell writes its report under a temporary name and renames it when
    // lnkinfo has finished, and the test waits for the final name.
    std::string out = std::string(kProgramsFixture) + "\\lnkinfo.txt";
    std::string unix_out = to_unix(kProgramsFixture) + "/lnkinfo.txt";
    DeleteFileA(out.c_str());
    std::string cmd = "/bin/sh -c \"/usr/bin/lnkinfo '" + to_unix(lnk) + "' > '" + unix_out + ".part' 2>&1; mv '" +
                      unix_out + ".part' '" + unix_out + "'\"";
    // The shell gets standard handles of its own: handed this process's
    // ones, it leaves the test's later output cut off.
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, NULL);
    STARTUPINFOA si = { sizeof(si) };
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessA(NULL, &cmd[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi);
    CloseHandle(nul);
    if (!started)
        return "<lnkinfo could not be started>";
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (!wintest::wait_for([&] { return file_exists(out); }, 30000))
        return "<lnkinfo did not finish>";
    std::string text = read_file(out);
    DeleteFileA(out.c_str());
    return text;
}

TEST_F(SetupSteps, ShortcutsParsedByLnkinfo)
{
    BoxWatcher boxes({ "Copy files" });
    ProgressRecorder progress;
    open_window();
    m_dlg.CreateShortcuts();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ("1 99 ", joined(progress.positions));
    std::string folder = std::string(kProgramsFixture) + "\\Programs\\TavMouse";
    struct { const char *file; const char *target; const char *desc; } rows[] = {
        { "\\Hyper Marvane.Lnk", "c:\\Tavix\\Tvptr.exe", "\\Hyper Marvane" },
        { "\\Uninstall.Lnk", "c:\\Tavix\\TVUninst.exe", "\\Uninstall" },
    };
    for (auto &r : rows) {
        std::string lnk = folder + r.file;
        ASSERT_TRUE(file_exists(lnk)) << lnk;
        std::string info = lnkinfo(lnk);
        EXPECT_NE(std::string::npos, info.find(std::string(": ") + r.target)) << info;
        EXPECT_NE(std::string::npos, info.find(": " + folder + r.desc + "\n")) << info;
    }
}

} // namespace
