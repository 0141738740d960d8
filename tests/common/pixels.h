// Pixels of bitmaps and of what a device context shows, as 0x00RRGGBB
// values, top row first, for tests that compare what is painted.
#pragma once

#include <windows.h>
#include <vector>

namespace wintest {

struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> rgb;
    DWORD at(int x, int y) const { return rgb[(size_t)y * width + x]; }
    bool operator==(const Pixels &o) const { return width == o.width && height == o.height && rgb == o.rgb; }
};

// The format of Pixels: 32 bits a pixel, top row first.
inline BITMAPINFO top_down_32bit(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// A bitmap's pixels; empty when the handle is no bitmap. The bitmap must
// not be selected into a device context.
inline Pixels bitmap_pixels(HBITMAP bitmap)
{
    Pixels p;
    BITMAP info = {};
    if (!GetObjectA(bitmap, sizeof(info), &info))
        return p;
    p.width = info.bmWidth;
    p.height = info.bmHeight;
    p.rgb.resize((size_t)p.width * p.height);
    BITMAPINFO bi = top_down_32bit(p.width, p.height);
    HDC dc = GetDC(NULL);
    GetDIBits(dc, bitmap, 0, p.height, p.rgb.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(NULL, dc);
    for (DWORD &px : p.rgb)
        px &= 0x00FFFFFF;
    return p;
}

// What `source` shows in the width x height pixels from (x, y).
inline Pixels copy_pixels(HDC source, int x, int y, int width, int height)
{
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    Pixels p = bitmap_pixels(bitmap);
    DeleteObject(bitmap);
    return p;
}

} // namespace wintest
