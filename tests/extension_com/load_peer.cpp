// Helper process of the server tests: loads the DLL given as the only
// argument and ends with 0 when it loaded, 1 when the load was refused
// (2 for a bad command line). Loading runs the module entry, which maps the
// shared block TVPTR_SHARE_DATA in this process.
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    HMODULE dll = LoadLibraryA(argv[1]);
    if (!dll) {
        printf("load refused, error %lu\n", GetLastError());
        return 1;
    }
    FreeLibrary(dll);
    return 0;
}
