// A harmless stand-in for a command the page starts: appends its second
// argument and a line break to the file named by its first argument, and
// ends. Several may run at once; a named mutex keeps their lines whole.
#include <windows.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    HANDLE turn = CreateMutexA(NULL, FALSE, "TavixLeaveMarker");
    if (!turn || WaitForSingleObject(turn, 30000) == WAIT_TIMEOUT)
        return 1;
    int rc = 1;
    HANDLE file = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, argv[2], (DWORD)strlen(argv[2]), &written, NULL);
        WriteFile(file, "\r\n", 2, &written, NULL);
        CloseHandle(file);
        rc = 0;
    }
    ReleaseMutex(turn);
    CloseHandle(turn);
    return rc;
}
