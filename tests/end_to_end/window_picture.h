// A window as the screen shows it, frame included, saved as a 24-bit BMP
// file: for the pictures of the demo road. Waits, with a deadline, until two
// takes in a row agree, so the window has finished painting.
#pragma once

#include <windows.h>
#include <fstream>
#include <string>
#include <vector>

#include "wintest.h"

namespace demo {

struct Picture {
    int width = 0, height = 0;
    std::vector<BYTE> bits;   // bottom-up rows of BGR, each padded to 4 bytes
    bool operator==(const Picture &o) const { return width == o.width && height == o.height && bits == o.bits; }
};

inline Picture take(HWND window)
{
    Picture p;
    RECT r;
    if (!GetWindowRect(window, &r))
        return p;
    p.width = r.right - r.left;
    p.height = r.bottom - r.top;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, p.width, p.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, p.width, p.height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    size_t stride = ((size_t)p.width * 3 + 3) & ~(size_t)3;
    p.bits.resize(stride * p.height);
    GetDIBits(memory, bitmap, 0, p.height, p.bits.data(), &bi, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return p;
}

inline bool write_bmp(const Picture &p, const std::string &path)
{
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = p.width;
    info.biHeight = p.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = (DWORD)p.bits.size();
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write((const char *)&file, sizeof(file));
    out.write((const char *)&info, sizeof(info));
    out.write((const char *)p.bits.data(), (std::streamsize)p.bits.size());
    return (bool)out;
}

// Saves the window's picture as `folder`\`name`.bmp once it holds still:
// the same in three takes 50 ms apart, after the window's thread has
// caught up with its messages.
inline bool save(HWND window, const std::string &folder, const std::string &name)
{
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    Picture last = take(window);
    int same = 0;
    wintest::wait_for([&] {
        wintest::flush_events(50);
        Picture now = take(window);
        same = now == last ? same + 1 : 0;
        last = now;
        return same >= 2;
    }, 5000);
    return last.width > 0 && write_bmp(last, folder + "\\" + name + ".bmp");
}

} // namespace demo
