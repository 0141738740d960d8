// Runs the setup.exe beside this program through a whole PS/2 installation
// from the medium folder given, answers "Yes" on the Install Finished
// prompt, and reports whether the system then asked this program's window
// to end the session (what a restart request does under Wine). Meant for a
// throwaway Wine prefix: see restart_in_own_prefix.sh.
//
// usage: restart_driver MEDIUM_FOLDER
#include <windows.h>
#include <stdio.h>
#include <string>

#include "setup_process.h"
#include "unmanaged_windows.h"

namespace {

int g_endSessionQueries = 0;

LRESULT CALLBACK watcher_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_QUERYENDSESSION) {
        ++g_endSessionQueries;
        return FALSE;   // this program stays to tell what it saw
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND make_watcher()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = watcher_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "TavixRestartWatcher";
    RegisterClassA(&wc);
    return CreateWindowA(wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 1, 1, NULL, NULL, wc.hInstance, NULL);
}

// Waits for the window and clicks its button; false when it never showed.
bool answer(wizardtest::SetupProcess &setup, const char *caption, int id)
{
    HWND window = setup.wait_window(caption);
    if (!window) {
        printf("restart_driver: no window \"%s\"; windows of setup: %s\n", caption, setup.captions().c_str());
        return false;
    }
    printf("restart_driver: \"%s\" -> button %d\n", caption, id);
    return setup.click(window, id);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: restart_driver MEDIUM_FOLDER\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    std::string medium = argv[1];
    wizardtest::UnmanagedWindows unmanaged("setup.exe");
    make_watcher();
    wizardtest::SetupProcess setup;
    if (!setup.start(medium + "\\setup.exe", medium)) {
        printf("restart_driver: setup.exe did not start\n");
        return 1;
    }
    if (!answer(setup, "Welcome", IDOK) || !answer(setup, "Select Installation Type", IDOK)
        || !answer(setup, "Install Finished", IDOK))
        return 1;
    long code = setup.wait_exit();
    printf("restart_driver: setup ended with %ld\n", code);
    // The restart request reaches this window through wineboot, which
    // setup started on its way out.
    bool asked = wintest::wait_for([] { return g_endSessionQueries > 0; }, 30000);
    printf("restart_driver: end of session %s\n", asked ? "requested" : "not requested");
    return code == 0 && asked ? 0 : 1;
}
