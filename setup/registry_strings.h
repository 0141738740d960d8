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
// be read, or fills the whole buffer without a zero.
inline BOOL QueryStringValue(HKEY key, LPCSTR name, char *buffer)
{
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)buffer, &size) != ERROR_SUCCESS)
        return FALSE;
    if (size == 0) {
        buffer[0] = '\0';
        return TRUE;
    }
    if (buffer[size - 1] == '\0')
        return TRUE;
    if (size >= MAX_PATH)
        return FALSE;
    buffer[size] = '\0';
    return TRUE;
}
