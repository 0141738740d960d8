// The cursor finder: a short animation of circles that shrink onto the
// cursor. A top-most window that never takes the focus or the mouse, shaped
// by a region to two rings, redrawn smaller at every timer tick.
#include "helper.h"

namespace {

const int kOuterRadius = 72;
const int kRingWidth = 4;
const int kRingGap = 18;
const int kShrinkPerFrame = 6;
const UINT kFrameMs = 30;
const UINT_PTR kFrameTimer = 1;

HWND g_finder;
int g_radius;

void ShapeRings(HWND hwnd, int radius)
{
    int c = kOuterRadius;
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    for (int r = radius; r > kRingWidth; r -= kRingGap) {
        HRGN outer = CreateEllipticRgn(c - r, c - r, c + r, c + r);
        int ri = r - kRingWidth;
        HRGN inner = CreateEllipticRgn(c - ri, c - ri, c + ri, c + ri);
        CombineRgn(outer, outer, inner, RGN_DIFF);
        CombineRgn(shape, shape, outer, RGN_OR);
        DeleteObject(outer);
        DeleteObject(inner);
        if (r == radius - kRingGap)
            break;  // two rings at most
    }
    SetWindowRgn(hwnd, shape, TRUE);  // the window owns the region now
}

LRESULT CALLBACK FinderProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect((HDC)wparam, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return 1;
    }
    case WM_TIMER:
        g_radius -= kShrinkPerFrame;
        if (g_radius <= kRingWidth * 2) {
            DestroyWindow(hwnd);
        } else {
            ShapeRings(hwnd, g_radius);
        }
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_DESTROY:
        KillTimer(hwnd, kFrameTimer);
        g_finder = NULL;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

} // namespace

BOOL RegisterCursorFinder(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FinderProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = TVPTR_FINDER_CLASS;
    return RegisterClassA(&wc) != 0;
}

void ShowCursorFinder(HINSTANCE instance, POINT pt)
{
    if (g_finder)
        DestroyWindow(g_finder);
    g_radius = kOuterRadius;
    int size = 2 * kOuterRadius;
    g_finder = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE,
                               TVPTR_FINDER_CLASS, "", WS_POPUP,
                               pt.x - kOuterRadius, pt.y - kOuterRadius, size, size,
                               NULL, NULL, instance, NULL);
    if (!g_finder)
        return;
    ShapeRings(g_finder, g_radius);
    ShowWindow(g_finder, SW_SHOWNOACTIVATE);
    UpdateWindow(g_finder);
    SetTimer(g_finder, kFrameTimer, kFrameMs, NULL);
}
