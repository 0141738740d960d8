// CSetupApp::RestartComputer in this process, with the calls it makes to the
// system redirected through this program's import table: each call and its
// arguments are recorded, the restart request itself never reaches the
// system, and any one call can be made to fail.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "import_patch.h"
#include "setup_app.h"

namespace {

CSetupApp theApp;

// ---- import table redirection --------------------------------------------------

// Points one import of this program at a replacement for the life of the object.
class Redirect : public wintest::ImportPatch {
public:
    Redirect(const char *dll, const char *func, void *replacement)
        : ImportPatch(GetModuleHandleA(NULL), dll, func, replacement)
    {
    }
};

// ---- the recording stand-ins ---------------------------------------------------

enum Fail { kNone, kLookup, kOpenProcess, kOpenToken, kAdjust, kExitWindows };

struct Record {
    Fail fail = kNone;
    std::vector<std::string> calls;
    LUID luid = {};
    HANDLE process = NULL;
    HANDLE token = NULL;
    std::vector<HANDLE> closed;
};
Record g;

// The system's own functions, reached past the redirected imports.
template <class F>
F real(const char *dll, const char *func)
{
    return (F)(void *)GetProcAddress(GetModuleHandleA(dll), func);
}
const auto real_LookupPrivilegeValueA =
    real<BOOL(WINAPI *)(LPCSTR, LPCSTR, PLUID)>("advapi32.dll", "LookupPrivilegeValueA");
const auto real_OpenProcess = real<HANDLE(WINAPI *)(DWORD, BOOL, DWORD)>("kernel32.dll", "OpenProcess");
const auto real_OpenProcessToken = real<BOOL(WINAPI *)(HANDLE, DWORD, PHANDLE)>("advapi32.dll", "OpenProcessToken");
const auto real_AdjustTokenPrivileges =
    real<BOOL(WINAPI *)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD)>("advapi32.dll",
                                                                                         "AdjustTokenPrivileges");
const auto real_CloseHandle = real<BOOL(WINAPI *)(HANDLE)>("kernel32.dll", "CloseHandle");

// A failing call leaves junk in its out parameters, as failing system calls
// may; a caller that used it would show it here.
const HANDLE kJunkHandle = (HANDLE)(ULONG_PTR)0x0BADF00D;

std::string name_of(HANDLE h)
{
    if (h && h == g.process)
        return "process";
    if (h && h == g.token)
        return "token";
    if (h == kJunkHandle)
        return "junk";
    return h ? "other" : "null";
}

std::string hex(DWORD v)
{
    std::ostringstream s;
    s << "0x" << std::hex << v;
    return s.str();
}

BOOL WINAPI fake_LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid)
{
    g.calls.push_back(std::string("LookupPrivilegeValueA(") + (system ? system : "null") + ", " + name + ")");
    if (g.fail == kLookup) {
        luid->LowPart = 0xBADF00D;
        luid->HighPart = 0x0BAD;
        SetLastError(ERROR_NO_SUCH_PRIVILEGE);
        return FALSE;
    }
    BOOL ok = real_LookupPrivilegeValueA(system, name, luid);
    g.luid = *luid;
    return ok;
}

HANDLE WINAPI fake_OpenProcess(DWORD access, BOOL inherit, DWORD pid)
{
    g.calls.push_back("OpenProcess(" + hex(access) + ", " + std::to_string(inherit) + ", " +
                      (pid == GetCurrentProcessId() ? "own" : "other") + ")");
    if (g.fail == kOpenProcess) {
        SetLastError(ERROR_ACCESS_DENIED);
        return NULL;
    }
    g.process = real_OpenProcess(access, inherit, pid);
    return g.process;
}

BOOL WINAPI fake_OpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    g.calls.push_back("OpenProcessToken(" + name_of(process) + ", " + hex(access) + ")");
    if (g.fail == kOpenToken) {
        *token = kJunkHandle;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    BOOL ok = real_OpenProcessToken(process, access, token);
    g.token = *token;
    return ok;
}

BOOL WINAPI fake_AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length,
                                       PTOKEN_PRIVILEGES previous, PDWORD returned)
{
    std::ostringstream s;
    s << "AdjustTokenPrivileges(" << name_of(token) << ", " << disableAll << ", ";
    if (state) {
        s << state->PrivilegeCount << " x {";
        for (DWORD i = 0; i < state->PrivilegeCount && i < 4; ++i) {
            const LUID &l = state->Privileges[i].Luid;
            bool looked = l.LowPart == g.luid.LowPart && l.HighPart == g.luid.HighPart;
            s << (looked ? "looked-up privilege" : "other privilege") << " " << hex(state->Privileges[i].Attributes);
        }
        s << "}";
    } else {
        s << "null";
    }
    s << ", " << length << ", " << (previous ? "buffer" : "null") << ", " << (returned ? "buffer" : "null") << ")";
    g.calls.push_back(s.str());
    if (g.fail == kAdjust) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    return real_AdjustTokenPrivileges(token, disableAll, state, length, previous, returned);
}

BOOL WINAPI fake_CloseHandle(HANDLE h)
{
    if (h && (h == g.process || h == g.token || h == kJunkHandle)) {
        g.calls.push_back("CloseHandle(" + name_of(h) + ")");
        g.closed.push_back(h);
    }
    return real_CloseHandle(h);
}

BOOL WINAPI fake_ExitWindowsEx(UINT flags, DWORD reason)
{
    g.calls.push_back("ExitWindowsEx(" + hex(flags) + ", " + hex(reason) + ")");
    if (g.fail == kExitWindows) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    return TRUE;   // the system is never asked
}

// Whether this process's token holds SeShutdownPrivilege enabled.
bool shutdown_privilege_enabled()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    LUID luid;
    LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &luid);
    BYTE buffer[4096];
    DWORD size = 0;
    bool enabled = false;
    if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof(buffer), &size)) {
        TOKEN_PRIVILEGES *p = (TOKEN_PRIVILEGES *)buffer;
        for (DWORD i = 0; i < p->PrivilegeCount; ++i)
            if (p->Privileges[i].Luid.LowPart == luid.LowPart && p->Privileges[i].Luid.HighPart == luid.HighPart)
                enabled = (p->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    CloseHandle(token);
    return enabled;
}

void set_shutdown_privilege(bool enable)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    TOKEN_PRIVILEGES p = { 1, { { {}, (DWORD)(enable ? SE_PRIVILEGE_ENABLED : 0) } } };
    LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &p.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &p, 0, NULL, NULL);
    CloseHandle(token);
}

std::string joined(const std::vector<std::string> &calls)
{
    std::string s;
    for (const std::string &c : calls)
        s += c + "\n";
    return s;
}

const std::string kLookup_ = "LookupPrivilegeValueA(null, SeShutdownPrivilege)";
const std::string kOpen_ = "OpenProcess(0x1f0fff, 1, own)";
const std::string kToken_ = "OpenProcessToken(process, 0x20)";
const std::string kAdjust_ =
    "AdjustTokenPrivileges(token, 0, 1 x {looked-up privilege 0x2}, 0, null, null)";
const std::string kCloseToken_ = "CloseHandle(token)";
const std::string kCloseProcess_ = "CloseHandle(process)";
const std::string kRestart_ = "ExitWindowsEx(0x2, 0x0)";

TEST(RestartComputer, AdjustsThePrivilegeOnlyWithWhatEachCallProducedAndAlwaysAsksToRestart)
{
    struct Case {
        const char *name;
        Fail fail;
        std::vector<std::string> calls;
        bool privilegeEnabled;
    } cases[] = {
        { "everything granted", kNone,
          { kLookup_, kOpen_, kToken_, kAdjust_, kCloseToken_, kCloseProcess_, kRestart_ }, true },
        { "privilege name unknown", kLookup, { kLookup_, kRestart_ }, false },
        { "own process not opened", kOpenProcess, { kLookup_, kOpen_, kRestart_ }, false },
        { "token not opened", kOpenToken, { kLookup_, kOpen_, kToken_, kCloseProcess_, kRestart_ }, false },
        { "privilege refused", kAdjust,
          { kLookup_, kOpen_, kToken_, kAdjust_, kCloseToken_, kCloseProcess_, kRestart_ }, false },
        { "restart refused", kExitWindows,
          { kLookup_, kOpen_, kToken_, kAdjust_, kCloseToken_, kCloseProcess_, kRestart_ }, true },
    };
    for (const Case &c : cases) {
        set_shutdown_privilege(false);
        g = Record();
        g.fail = c.fail;
        {
            Redirect r1("advapi32.dll", "LookupPrivilegeValueA", (void *)fake_LookupPrivilegeValueA);
            Redirect r2("kernel32.dll", "OpenProcess", (void *)fake_OpenProcess);
            Redirect r3("advapi32.dll", "OpenProcessToken", (void *)fake_OpenProcessToken);
            Redirect r4("advapi32.dll", "AdjustTokenPrivileges", (void *)fake_AdjustTokenPrivileges);
            Redirect r5("kernel32.dll", "CloseHandle", (void *)fake_CloseHandle);
            Redirect r6("user32.dll", "ExitWindowsEx", (void *)fake_ExitWindowsEx);
            ASSERT_TRUE(r1.ok() && r2.ok() && r3.ok() && r4.ok() && r5.ok() && r6.ok())
                << "an import of RestartComputer is missing from this program";
            theApp.RestartComputer();
        }
        EXPECT_EQ(joined(c.calls), joined(g.calls)) << c.name;
        EXPECT_EQ(c.privilegeEnabled, shutdown_privilege_enabled()) << c.name;
        // Every handle it opened is really closed.
        for (HANDLE h : { g.process, g.token }) {
            DWORD flags;
            if (h) {
                EXPECT_FALSE(GetHandleInformation(h, &flags)) << c.name << ": " << name_of(h) << " still open";
            }
        }
    }
    set_shutdown_privilege(false);
}

} // namespace
