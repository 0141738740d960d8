// A window as the screen shows it, frame included, saved as a 24-bit BMP
// file: for the pictures of the demo road. Waits, with a deadline, until two
// takes in a row agree, so the window has finished painting.
#pragma once

#include <windows.h>
#include <fstream>
#include <string>
#include <vector>

#include "pixels.h"
#include "wintest.h"

namespace demo {

using wintest::Pixels;

inline Pixels take(HWND window)
{
    RECT r;
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top)
        return Pixels();
    HDC screen = GetDC(NULL);
    Pixels p = wintest::copy_pixels(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(NULL, screen);
    return p;
}

// Written as 24-bit BGR rows, bottom row first, each padded to 4 bytes.
inline bool write_bmp(const Pixels &p, const std::string &path)
{
    size_t stride = ((size_t)p.width * 3 + 3) & ~(size_t)3;
    std::vector<BYTE> bits(stride * p.height);
    for (int y = 0; y < p.height; ++y) {
        BYTE *row = &bits[stride * (p.height - 1 - y)];
        for (int x = 0; x < p.width; ++x) {
            DWORD px = p.at(x, y);
            row[3 * x] = (BYTE)px;
            row[3 * x + 1] = (BYTE)(px >> 8);
            row[3 * x + 2] = (BYTE)(px >> 16);
        }
    }
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = p.width;
    info.biHeight = p.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = (DWORD)bits.size();
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write((const char *)&file, sizeof(file));
    out.write((const char *)&info, sizeof(info));
    out.write((const char *)bits.data(), (std::streamsize)bits.size());
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
    Pixels last = take(window);
    int same = 0;
    wintest::wait_for([&] {
        wintest::flush_events(50);
        Pixels now = take(window);
        same = now == last ? same + 1 : 0;
        last = now;
        return same >= 2;
    }, 5000);
    return last.width > 0 && write_bmp(last, folder + "\\" + name + ".bmp");
}

} // namespace demo
