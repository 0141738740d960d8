// The pressed-buttons picture in control 111 of the settings page: what it
// shows over what the screen had there, and what stays alive afterwards.
// The page is made from the product's own template 201 with a plain dialog
// procedure, so only the painter draws into it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "gdi_counter.h"
#include "pixels.h"
#include "resource.h"
#include "tvntcpl.h"
#include "wintest.h"

namespace {

const DWORD kKeyPixel = 0x00FFFF;  // RGB(0, 255, 255) as 0x00RRGGBB

// Pixels as 0x00RRGGBB, top row first.
using Image = wintest::Pixels;

// Bitmap resource id of this program, as stored.
Image ResourcePicture(int id)
{
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id));
    Image img = wintest::bitmap_pixels(bitmap);
    DeleteObject(bitmap);
    return img;
}

// What the screen shows in the top left w x h pixels of a window.
Image ScreenOf(HWND window, int w, int h)
{
    HDC dc = GetDC(window);
    Image img = wintest::copy_pixels(dc, 0, 0, w, h);
    ReleaseDC(window, dc);
    return img;
}

void PaintOnScreen(HWND window, const Image &img)
{
    HDC dc = GetDC(window);
    BITMAPINFO bi = wintest::top_down_32bit(img.width, img.height);
    SetDIBitsToDevice(dc, 0, 0, img.width, img.height, 0, 0, 0, img.height, img.rgb.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(window, dc);
}

// A background no picture colour can be mistaken for: every pixel differs
// from its neighbours, and blue is always odd, which no colour of the
// 16-colour palette is.
Image Pattern(int seed, int w, int h)
{
    Image img;
    img.width = w;
    img.height = h;
    img.rgb.resize(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            DWORD r = 17 + (x * 5 + seed * 31) % 200;
            DWORD g = 23 + (y * 3 + seed * 11) % 200;
            DWORD b = 101 + 2 * ((x + y + seed) % 50);
            img.rgb[y * w + x] = (r << 16) | (g << 8) | b;
        }
    return img;
}

// The picture with its key-coloured pixels taken from the background.
Image OverBackground(const Image &picture, const Image &background)
{
    Image img = picture;
    for (size_t i = 0; i < img.rgb.size(); ++i)
        if (picture.rgb[i] == kKeyPixel)
            img.rgb[i] = background.rgb[i];
    return img;
}

// "" when equal, else how many pixels differ and the first few of them.
std::string Differences(const Image &got, const Image &expected)
{
    char line[128];
    if (got.width != expected.width || got.height != expected.height) {
        snprintf(line, sizeof(line), "size %dx%d, expected %dx%d", got.width, got.height, expected.width,
                 expected.height);
        return line;
    }
    std::string text;
    int count = 0;
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x)
            if (got.at(x, y) != expected.at(x, y) && ++count <= 5) {
                snprintf(line, sizeof(line), " (%d,%d) got %06lX expected %06lX;", x, y,
                         (unsigned long)got.at(x, y), (unsigned long)expected.at(x, y));
                text += line;
            }
    if (count == 0)
        return "";
    snprintf(line, sizeof(line), "%d pixels differ:", count);
    return line + text;
}

INT_PTR CALLBACK PlainPageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class ButtonPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_BAR_CLASSES };
        InitCommonControlsEx(&icc);
        ModuleInstance = GetModuleHandleA(NULL);  // the resources are linked in
        page = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_BUTTONS_PAGE), NULL,
                                  PlainPageProc, 0);
        ASSERT_TRUE(page != NULL) << "error " << GetLastError();
        control = GetDlgItem(page, IDC_PICTURE);
        ASSERT_TRUE(control != NULL);
        SetWindowPos(page, HWND_TOPMOST, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        // Until the painter runs, the control shows bitmap 103 as stored.
        stored = ResourcePicture(IDB_MOUSE_FIRST);
        ASSERT_EQ(176, stored.width);
        ASSERT_EQ(141, stored.height);
        ASSERT_TRUE(wintest::wait_for([&] { return Screen() == stored; }))
            << Differences(Screen(), stored);
    }

    void TearDown() override
    {
        if (page != NULL)
            DestroyWindow(page);
        if (CurrentPicture != NULL)
            DeleteObject(CurrentPicture);
        CurrentPicture = NULL;
        ModuleInstance = NULL;
    }

    Image Screen() const { return ScreenOf(control, stored.width, stored.height); }

    HBITMAP Shown() const { return (HBITMAP)SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0); }

    // Paints a background where the control is and checks it arrived.
    void PaintBackground(const Image &background)
    {
        PaintOnScreen(control, background);
        ASSERT_EQ("", Differences(Screen(), background)) << "background did not reach the screen";
    }

    HWND page = NULL;
    HWND control = NULL;
    Image stored;
};

TEST_F(ButtonPicture, EachMaskShowsItsBitmapOverWhatWasOnScreen)
{
    static const struct {
        int mask;
        int bitmap;
    } cases[] = {
        { 0, 103 }, { 1, 104 }, { 2, 105 }, { 3, 106 },
        { 4, 107 }, { 5, 108 }, { 6, 109 }, { 7, 110 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("mask " + std::to_string(c.mask));
        Image background = Pattern(c.mask, stored.width, stored.height);
        PaintBackground(background);

        ShowButtonPicture(page, c.mask);

        HBITMAP shown = Shown();
        EXPECT_TRUE(shown != NULL && shown == CurrentPicture)
            << "control shows " << shown << ", last picture " << CurrentPicture;
        // Key colour replaced by the background, every other pixel (the
        // white inside the mouse too) the picture's own.
        Image expected = OverBackground(ResourcePicture(c.bitmap), background);
        std::string wrong = Differences(wintest::bitmap_pixels(shown), expected);
        EXPECT_EQ("", wrong);
        if (!wrong.empty())
            continue;
        // And that is what the control paints.
        EXPECT_TRUE(wintest::wait_for([&] { return Screen() == expected; }))
            << Differences(Screen(), expected);
    }
}

TEST_F(ButtonPicture, KeyColourAreasCarryTheFirstBackgroundOver)
{
    Image background = Pattern(9, stored.width, stored.height);
    PaintBackground(background);
    Image onScreen = background;
    static const int masks[] = { 0, 5, 4, 0, 7, 2, 1, 0 };
    for (int mask : masks) {
        SCOPED_TRACE("mask " + std::to_string(mask));
        ShowButtonPicture(page, mask);
        // The background of each picture is the previous picture on screen.
        Image expected = OverBackground(ResourcePicture(IDB_MOUSE_FIRST + mask), onScreen);
        ASSERT_EQ("", Differences(wintest::bitmap_pixels(Shown()), expected));
        ASSERT_TRUE(wintest::wait_for([&] { return Screen() == expected; }))
            << Differences(Screen(), expected);
        onScreen = expected;
    }
    // Where no picture is drawn, the first background is still there.
    std::vector<Image> pictures;
    for (int mask = 0; mask < 8; ++mask)
        pictures.push_back(ResourcePicture(IDB_MOUSE_FIRST + mask));
    int kept = 0;
    for (int y = 0; y < stored.height; ++y)
        for (int x = 0; x < stored.width; ++x) {
            bool keyEverywhere = true;
            for (const Image &picture : pictures)
                keyEverywhere = keyEverywhere && picture.at(x, y) == kKeyPixel;
            if (!keyEverywhere)
                continue;
            ++kept;
            ASSERT_EQ(background.at(x, y), onScreen.at(x, y)) << "at " << x << "," << y;
        }
    EXPECT_GT(kept, stored.width * stored.height / 2);
}

TEST_F(ButtonPicture, AfterManyUpdatesOnlyTheLastPictureIsAlive)
{
    GdiCounter counter;
    ASSERT_TRUE(counter.Installed()) << "imports of this program not found";
    // More updates than the GDI handle table (about 65,500 objects) could
    // take if the eight objects of a call stayed alive.
    const int kUpdates = 9000;
    Image background = Pattern(4, stored.width, stored.height);
    PaintBackground(background);

    counter.Start();
    int mask = 0;
    int updates = 0;
    for (int i = 0; i < kUpdates; ++i, ++updates) {
        mask = (i * 5 + 3) % 8;
        ShowButtonPicture(page, mask);
        std::set<HGDIOBJ> onlyTheLast = { CurrentPicture };
        if (counter.Live() != onlyTheLast || counter.DcsHeld() != 0) {
            ADD_FAILURE() << "after update " << i << ": " << counter.Live().size()
                          << " objects alive (expected only the last picture), "
                          << counter.DcsHeld() << " window DCs held";
            break;
        }
    }
    counter.Stop();
    EXPECT_EQ("", counter.Oddities());
    EXPECT_GT(counter.Made(), updates) << "the counter missed the painter's objects";

    EXPECT_EQ(CurrentPicture, Shown());
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(CurrentPicture));
    // No message ran between the updates, so the screen still held the
    // painted background for the last one.
    Image expected = OverBackground(ResourcePicture(IDB_MOUSE_FIRST + mask), background);
    EXPECT_EQ("", Differences(wintest::bitmap_pixels(Shown()), expected));
}

TEST_F(ButtonPicture, PictureThatCannotBeLoadedLeavesTheShownOne)
{
    ShowButtonPicture(page, 3);
    HBITMAP shown = CurrentPicture;
    ASSERT_TRUE(shown != NULL);
    Image before = wintest::bitmap_pixels(shown);

    // A module without the pictures.
    ModuleInstance = GetModuleHandleA("ntdll.dll");
    HBITMAP probe = LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(IDB_MOUSE_FIRST + 5));
    ASSERT_TRUE(probe == NULL) << "ntdll.dll has a bitmap " << IDB_MOUSE_FIRST + 5;

    ShowButtonPicture(page, 5);

    EXPECT_EQ(shown, CurrentPicture);
    EXPECT_EQ(shown, Shown());
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(shown));
    EXPECT_TRUE(wintest::wait_for([&] { return Screen() == before; }))
        << Differences(Screen(), before);
}

} // namespace
