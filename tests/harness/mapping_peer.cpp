// Second process of the mapping test: opens the named mapping given as the
// only argument and ends with the 32-bit value at its start as exit code
// (or 0xDEAD when the mapping cannot be opened).
#include <windows.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 0xDEAD;
    HANDLE map = OpenFileMappingA(FILE_MAP_READ, FALSE, argv[1]);
    if (!map)
        return 0xDEAD;
    const DWORD *view = (const DWORD *)MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0);
    int rc = view ? (int)view[0] : 0xDEAD;
    if (view)
        UnmapViewOfFile(view);
    CloseHandle(map);
    return rc;
}
