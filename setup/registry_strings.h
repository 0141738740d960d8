// String values of the registry as the install steps write and read them.
#pragma once

#include <windows.h>

// A REG_SZ value with its terminating zero counted in the byte length.
inline void SetStringValue(HKEY key, LPCSTR name, LPCSTR value)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)lstrlenA(value) + 1);
}

// Reads a string value into a buffer of MAX_PATH bytes and ends it with a
// zero, which the stored data need not carry. FALSE when the value cannot
// be read, fills the whole buffer without a zero, or holds no text: the
// values read here name a key or a folder, and an empty one names none (it
// would point the step at the class root or the root of a drive).
inline BOOL QueryStringValue(HKEY key, LPCSTR name, char *buffer)
{
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)buffer, &size) != ERROR_SUCCESS || size == 0)
        return FALSE;
    if (buffer[size - 1] != '\0') {
        if (size >= MAX_PATH)
            return FALSE;
        buffer[size] = '\0';
    }
    return buffer[0] != '\0';
}
