// The pressed-buttons picture of the settings page.
#include "tvntcpl.h"

void ShowButtonPicture(HWND page, int mask)
{
}

void DrawTransparentBitmap(HDC target, HBITMAP bitmap, short x, short y, COLORREF key, HWND control)
{
}
