// Paths in fixed buffers of MAX_PATH characters, built with bounded
// operations. Each helper returns FALSE when the result does not fit; the
// buffer then holds an empty string, so a cut-off path is never used.
#pragma once

#include <windows.h>
#include <strsafe.h>

inline BOOL PathCopy(char *buffer, LPCSTR text)
{
    if (FAILED(StringCchCopyA(buffer, MAX_PATH, text))) {
        buffer[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

inline BOOL PathAppendTail(char *buffer, LPCSTR tail)
{
    if (FAILED(StringCchCatA(buffer, MAX_PATH, tail))) {
        buffer[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

// A folder from one of the Get...DirectoryA calls, which return 0 on
// failure and the size needed when the buffer is too small.
inline BOOL PathFromDirectoryCall(char *buffer, UINT result)
{
    if (result == 0 || result >= MAX_PATH) {
        buffer[0] = '\0';
        return FALSE;
    }
    return TRUE;
}
