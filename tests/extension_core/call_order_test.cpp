// What loading and applying ask of the registry and of the drivers, in
// order: each device opened with its access and each request with its
// sizes, each Parameters key opened with its access mask, each value read
// with the room offered and each value written with its type and byte count;
// and what the page's Help and Uninstall buttons ask. The settings core is
// linked into this program, so its calls go through the program's own import
// table, where the test records them.
#include "core_fixture.h"
#include "import_patch.h"

#include <stdarg.h>
#include <memory>

namespace {

using namespace core;
using wintest::ImportPatch;

std::vector<std::string> *g_calls;
ImportPatch *g_open_key, *g_create_key, *g_query, *g_set, *g_close_key, *g_open_file, *g_request;

std::string text(const char *format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    wvsprintfA(line, format, args);
    va_end(args);
    return line;
}

void record(const std::string &call)
{
    if (g_calls)
        g_calls->push_back(call);
}

LONG WINAPI seen_open_key(HKEY root, LPCSTR name, DWORD options, REGSAM access, PHKEY key)
{
    record(text("open key %s%s options %lu access 0x%lX", root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "?\\",
                name, options, (unsigned long)access));
    return ((LONG(WINAPI *)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY))g_open_key->original())(root, name, options,
                                                                                      access, key);
}

LONG WINAPI seen_create_key(HKEY root, LPCSTR name, DWORD reserved, LPSTR cls, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
{
    record(text("create key %s", name));
    return ((LONG(WINAPI *)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                            LPDWORD))g_create_key->original())(root, name, reserved, cls, options, access,
                                                               security, key, disposition);
}

LONG WINAPI seen_query(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    record(text("query \"%s\" room %lu", name, size ? (unsigned long)*size : 0ul));
    return ((LONG(WINAPI *)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD))g_query->original())(
        key, name, reserved, type, data, size);
}

LONG WINAPI seen_set(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    DWORD value = 0;
    if (data && size == sizeof(value))
        memcpy(&value, data, sizeof(value));
    record(text("set \"%s\" type %lu bytes %lu value %lu", name, (unsigned long)type, (unsigned long)size,
                (unsigned long)value));
    return ((LONG(WINAPI *)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD))g_set->original())(
        key, name, reserved, type, data, size);
}

LONG WINAPI seen_close_key(HKEY key)
{
    record("close key");
    return ((LONG(WINAPI *)(HKEY))g_close_key->original())(key);
}

HANDLE WINAPI seen_open_file(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD flags, HANDLE model)
{
    record(text("open device %s access 0x%lX share %lu security %s disposition %lu flags 0x%lX model %s", name,
                (unsigned long)access, (unsigned long)share, security ? "given" : "none",
                (unsigned long)disposition, (unsigned long)flags, model ? "given" : "none"));
    return ((HANDLE(WINAPI *)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE))
                g_open_file->original())(name, access, share, security, disposition, flags, model);
}

BOOL WINAPI seen_request(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                         LPDWORD returned, LPOVERLAPPED overlapped)
{
    std::string call = text("request 0x%lX in %lu out %lu", (unsigned long)code, (unsigned long)in_size,
                            (unsigned long)out_size);
    if (in && in_size == 2)
        call += text(" value %u", (unsigned)*(const WORD *)in);
    if (overlapped)
        call += " overlapped";
    record(call);
    return ((BOOL(WINAPI *)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED))
                g_request->original())(device, code, in, in_size, out, out_size, returned, overlapped);
}

// The page's buttons start programs; the test records what they would start
// and starts nothing.
UINT WINAPI seen_run(LPCSTR command, UINT show)
{
    record(text("run \"%s\" show %u", command, show));
    return 33;  // above 31: started
}

HWND g_page;

BOOL WINAPI seen_help(HWND owner, LPCSTR file, UINT command, ULONG_PTR data)
{
    record(text("help %s owner %s command 0x%X data %lu", file, owner == g_page ? "page" : "other", command,
                (unsigned long)data));
    return TRUE;
}

// ---------------------------------------------------------------------------
// The calls as the page's description orders them.

typedef std::vector<std::string> Calls;

const DWORD kPageAccess = 0x2001F;  // KEY_READ | KEY_WRITE

void append(Calls *calls, const Calls &more)
{
    calls->insert(calls->end(), more.begin(), more.end());
}

// Opening a device and, when it opened, its query.
Calls probe(const simdrv::Port &port, bool opens)
{
    Calls calls = { text("open device %s access 0x%lX share 0 security none disposition %lu flags 0x%lX model none",
                         port.device, (unsigned long)(GENERIC_READ | GENERIC_WRITE),
                         (unsigned long)OPEN_EXISTING, (unsigned long)FILE_ATTRIBUTE_NORMAL) };
    if (opens)
        calls.push_back(text("request 0x%lX in 0 out 16", (unsigned long)port.query));
    return calls;
}

Calls open_parameters(const simdrv::Port &port)
{
    return { text("open key HKLM\\%s options 0 access 0x%lX", port.parameters_key, (unsigned long)kPageAccess) };
}

std::string set_dword(const char *name, DWORD value)
{
    return text("set \"%s\" type %lu bytes 4 value %lu", name, (unsigned long)REG_DWORD, (unsigned long)value);
}

// The six values in reading order; a missing one is written back at once
// with the value loading holds for it.
struct Missing {
    const char *name;
    DWORD written;
};

Calls read_parameters(const simdrv::Port &port, const std::vector<Missing> &missing)
{
    Calls calls = open_parameters(port);
    for (const char *name : kValueNames) {
        calls.push_back(text("query \"%s\" room 4", name));
        for (const Missing &m : missing)
            if (!strcmp(m.name, name))
                calls.push_back(set_dword(name, m.written));
    }
    calls.push_back("close key");
    return calls;
}

// One driver served: its two requests, then its six values in writing order.
Calls apply_to(const simdrv::Port &port, const Settings &s)
{
    Calls calls = {
        text("request 0x%lX in 2 out 0 value %lu", (unsigned long)port.set_accelerator, (unsigned long)s.accelerator),
        text("request 0x%lX in 2 out 0 value %lu", (unsigned long)port.set_sensitivity, (unsigned long)s.sensitivity),
    };
    append(&calls, open_parameters(port));
    append(&calls, { set_dword("Center", s.center), set_dword("Sensitivity", s.sensitivity),
                     set_dword("Accelerator", s.accelerator), set_dword("Middle Button", s.middle),
                     set_dword("Second Button", s.second), set_dword("Button Swap", s.button_swap),
                     "close key" });
    return calls;
}

std::string listing(const Calls &calls)
{
    std::string out;
    for (const std::string &c : calls)
        out += "  " + c + "\n";
    return out.empty() ? "  (none)\n" : out;
}

class CallOrderTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        HMODULE self = GetModuleHandleA(NULL);
        open_key_.reset(new ImportPatch(self, "advapi32.dll", "RegOpenKeyExA", (void *)seen_open_key));
        create_key_.reset(new ImportPatch(self, "advapi32.dll", "RegCreateKeyExA", (void *)seen_create_key));
        query_.reset(new ImportPatch(self, "advapi32.dll", "RegQueryValueExA", (void *)seen_query));
        set_.reset(new ImportPatch(self, "advapi32.dll", "RegSetValueExA", (void *)seen_set));
        close_key_.reset(new ImportPatch(self, "advapi32.dll", "RegCloseKey", (void *)seen_close_key));
        open_file_.reset(new ImportPatch(self, "kernel32.dll", "CreateFileA", (void *)seen_open_file));
        request_.reset(new ImportPatch(self, "kernel32.dll", "DeviceIoControl", (void *)seen_request));
        g_open_key = open_key_.get();
        g_create_key = create_key_.get();
        g_query = query_.get();
        g_set = set_.get();
        g_close_key = close_key_.get();
        g_open_file = open_file_.get();
        g_request = request_.get();
        ASSERT_TRUE(open_key_->ok() && create_key_->ok() && query_->ok() && set_->ok() && close_key_->ok()
                    && open_file_->ok() && request_->ok())
            << "this program imports every function the test watches";
    }
    void TearDown() override
    {
        g_calls = NULL;
        request_.reset();
        open_file_.reset();
        close_key_.reset();
        set_.reset();
        query_.reset();
        create_key_.reset();
        open_key_.reset();
        CoreTest::TearDown();
    }

    // The calls made while fn runs.
    template <class Fn>
    Calls watch(Fn fn)
    {
        Calls calls;
        g_calls = &calls;
        fn();
        g_calls = NULL;
        return calls;
    }

private:
    std::unique_ptr<ImportPatch> open_key_, create_key_, query_, set_, close_key_, open_file_, request_;
};

TEST_F(CallOrderTest, LoadingAndApplyingAskInTheDescribedOrder)
{
    // The page's settings when applied: "Where is Cursor ?" checked, the
    // Middle/Side Button list on 5, the Right Button list on 3, the
    // trackbars at sensitivity 20 and acceleration 2.
    const Settings applied = { 0, 200, 2, 5, 3, 1 };

    struct Case {
        const char *what;
        bool serial, ps2;  // drivers installed and answering
    } const cases[] = {
        { "both drivers", true, true },
        { "the PS/2 driver only", false, true },
        { "the serial driver only", true, false },
        { "no driver", false, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        reset_module_state();
        std::unique_ptr<simdrv::ScopedDriver> serial, ps2;
        if (c.serial) {
            serial.reset(new simdrv::ScopedDriver(simdrv::kSerial));
            ASSERT_TRUE(serial->installed()) << serial->error();
        }
        if (c.ps2) {
            ps2.reset(new simdrv::ScopedDriver(simdrv::kPs2));
            ASSERT_TRUE(ps2->installed()) << ps2->error();
        }
        // The keys after the drivers: removing a driver takes its whole
        // service key along.
        simdrv::ScopedParameters serial_key(simdrv::kSerial), ps2_key(simdrv::kPs2);
        ASSERT_TRUE(serial_key.ok() && ps2_key.ok());
        // "Accelerator" and "Center" are missing from both keys.
        for (const simdrv::Port *port : { &simdrv::kSerial, &simdrv::kPs2 }) {
            store_settings(port->parameters_key, { 0, 70, 1, 4, 0, 0 });
            delete_value(port->parameters_key, "Accelerator");
            delete_value(port->parameters_key, "Center");
        }
        const simdrv::Port &read_port = c.serial ? simdrv::kSerial : simdrv::kPs2;

        HWND page = NULL;
        Calls loading = watch([&] { page = load_page(); });
        ASSERT_TRUE(page);
        Calls want = probe(simdrv::kSerial, c.serial);
        append(&want, probe(simdrv::kPs2, c.ps2));
        append(&want, read_parameters(read_port, { { "Accelerator", 1 }, { "Center", 0 } }));
        EXPECT_TRUE(want == loading) << "loading made:\n" << listing(loading) << "expected:\n" << listing(want);

        select_entry(page, IDC_MIDDLE_LIST, 5);
        select_entry(page, IDC_RIGHT_LIST, 3);
        CheckDlgButton(page, IDC_WHERE_IS_CURSOR, BST_CHECKED);
        set_trackbar(page, IDC_SENSITIVITY, 20);
        set_trackbar(page, IDC_ACCELERATION, 2);
        Calls applying = watch([&] { ApplyPageSettings(page); });
        want.clear();
        if (c.serial)
            append(&want, apply_to(simdrv::kSerial, applied));
        if (c.ps2)
            append(&want, apply_to(simdrv::kPs2, applied));
        EXPECT_TRUE(want == applying) << "applying made:\n" << listing(applying) << "expected:\n" << listing(want);

        destroy_page();
        CloseDriverLink();
    }
}

// ---------------------------------------------------------------------------
// The page's Help and Uninstall buttons.

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane";

// The Uninstall key with what setup would leave in it, for one case.
class ScopedUninstallKey {
public:
    ScopedUninstallKey(bool key, const char *command)
    {
        if (!key) {
            ok_ = true;
            return;
        }
        HKEY handle;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &handle,
                            &disposition) != ERROR_SUCCESS)
            return;
        made_ = disposition == REG_CREATED_NEW_KEY;
        ok_ = made_ && (!command || RegSetValueExA(handle, "UninstallString", 0, REG_SZ, (const BYTE *)command,
                                                   (DWORD)strlen(command) + 1) == ERROR_SUCCESS);
        RegCloseKey(handle);
    }
    ~ScopedUninstallKey()
    {
        if (made_)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }
    // The key is there with the value, or not there, as asked.
    bool ok() const { return ok_; }

private:
    bool made_ = false;
    bool ok_ = false;
};

// Help and Uninstall on a page run by the page procedure itself.
TEST_F(CallOrderTest, HelpAndUninstallAskInTheDescribedOrder)
{
    ASSERT_FALSE(key_exists(kUninstallKey)) << "the Uninstall key is left from elsewhere";
    ImportPatch run(GetModuleHandleA(NULL), "kernel32.dll", "WinExec", (void *)seen_run);
    ImportPatch help(GetModuleHandleA(NULL), "user32.dll", "WinHelpA", (void *)seen_help);
    ASSERT_TRUE(run.ok() && help.ok()) << "this program imports WinExec and WinHelpA";

    page_ = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_BUTTONS_PAGE), NULL,
                               ButtonsPageProc, 0);
    ASSERT_TRUE(page_ != NULL) << "error " << GetLastError();
    HWND page = g_page = page_;
    auto click = [&](int id) {
        return watch([&] { SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(page, id)); });
    };

    const std::string open_key = text("open key HKLM\\%s options 0 access 0x%lX", kUninstallKey,
                                      (unsigned long)kPageAccess);
    const std::string query = "query \"UninstallString\" room 256";
    struct Case {
        const char *what;
        bool key;
        const char *command;
        Calls want;
    } const cases[] = {
        { "the command setup stored", true, "C:\\Tavix\\TVUninst.exe",
          { open_key, query, "run \"C:\\Tavix\\TVUninst.exe\" show 1", "close key" } },
        { "no UninstallString value", true, NULL, { open_key, query, "close key" } },
        { "no Uninstall key", false, NULL, { open_key } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScopedUninstallKey key(c.key, c.command);
        ASSERT_TRUE(key.ok());
        Calls got = click(IDC_UNINSTALL);
        EXPECT_TRUE(c.want == got) << "Uninstall made:\n" << listing(got) << "expected:\n" << listing(c.want);
    }

    Calls want = { "help C:\\Tavix\\Tmouse.hlp owner page command 0xB data 0" };
    Calls got = click(IDC_HELP_BUTTON);
    EXPECT_TRUE(want == got) << "Help made:\n" << listing(got) << "expected:\n" << listing(want);

    g_page = NULL;
}

} // namespace
