// The pressed-buttons picture of the settings page.
//
// The eight mouse drawings are painted on the key colour. Before a drawing
// goes into picture control 111, every key-coloured pixel is replaced by what
// the screen shows at that place, so the mouse sits on the page's own
// background whatever colours the user's scheme gives it.
#include "tvntcpl.h"
#include "resource.h"

// Key colour of the drawings: cyan.
static const COLORREF kPictureKeyColour = RGB(0, 255, 255);

void ShowButtonPicture(HWND page, int mask)
{
    // The new picture is loaded before the old one goes, so that a picture
    // that cannot be loaded leaves the control with the live bitmap it shows.
    HBITMAP picture = LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(IDB_MOUSE_FIRST + (mask & 7)));
    if (picture == NULL)
        return;
    // Only one picture bitmap stays alive. The control still holds the old
    // one until the new one is handed over below, but nothing paints it in
    // between: no message is dispatched, and the background comes from the
    // screen, not from the old bitmap.
    if (CurrentPicture != NULL)
        DeleteObject(CurrentPicture);
    CurrentPicture = picture;

    HWND control = GetDlgItem(page, IDC_PICTURE);
    HDC target = GetDC(control);
    if (target == NULL)
        return;
    DrawTransparentBitmap(target, CurrentPicture, 0, 0, kPictureKeyColour, control);
    ReleaseDC(control, target);
}

void DrawTransparentBitmap(HDC target, HBITMAP bitmap, short x, short y, COLORREF key, HWND control)
{
    HDC source = CreateCompatibleDC(target);
    HBITMAP sourceOld = (HBITMAP)SelectObject(source, bitmap);
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    int w = info.bmWidth;
    int h = info.bmHeight;

    HDC back = CreateCompatibleDC(target);
    HDC object = CreateCompatibleDC(target);
    HDC mem = CreateCompatibleDC(target);
    HBITMAP backBitmap = CreateBitmap(w, h, 1, 1, NULL);
    HBITMAP objectBitmap = CreateBitmap(w, h, 1, 1, NULL);
    HBITMAP memBitmap = CreateCompatibleBitmap(target, w, h);
    HGDIOBJ backOld = SelectObject(back, backBitmap);
    HGDIOBJ objectOld = SelectObject(object, objectBitmap);
    HGDIOBJ memOld = SelectObject(mem, memBitmap);

    SetMapMode(source, GetMapMode(target));

    // Mask: white where the picture has the key colour, black elsewhere.
    COLORREF oldBack = SetBkColor(source, key);
    BitBlt(object, 0, 0, w, h, source, 0, 0, SRCCOPY);
    SetBkColor(source, oldBack);

    // Inverse mask: black where the picture has the key colour.
    BitBlt(back, 0, 0, w, h, object, 0, 0, NOTSRCCOPY);

    // What the screen shows at the control's place now.
    BitBlt(mem, 0, 0, w, h, target, x, y, SRCCOPY);

    // Keep that background only where the picture has the key colour ...
    BitBlt(mem, 0, 0, w, h, object, 0, 0, SRCAND);
    // ... blacken the key colour in the picture ...
    BitBlt(source, 0, 0, w, h, back, 0, 0, SRCAND);
    // ... and lay the picture into the holes.
    BitBlt(mem, 0, 0, w, h, source, 0, 0, SRCPAINT);

    // The finished image replaces the picture inside the bitmap itself.
    BitBlt(source, x, y, w, h, mem, 0, 0, SRCCOPY);

    // A bitmap selected into a device context cannot be shown by the
    // control: give the source back the one-pixel bitmap it was made with.
    SelectObject(source, sourceOld);
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap);

    SelectObject(back, backOld);
    SelectObject(object, objectOld);
    SelectObject(mem, memOld);
    DeleteObject(backBitmap);
    DeleteObject(objectBitmap);
    DeleteObject(memBitmap);
    DeleteDC(mem);
    DeleteDC(object);
    DeleteDC(back);
    DeleteDC(source);
}
