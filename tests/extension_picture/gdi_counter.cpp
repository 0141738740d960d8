// GdiCounter's counting wrappers, put in this program's import address table.
#include "gdi_counter.h"

#include <stdio.h>
#include <memory>
#include <vector>

#include "import_patch.h"

namespace {

struct Tally {
    bool counting = false;
    std::set<HGDIOBJ> live;
    int dcsHeld = 0;
    int made = 0;
    std::string oddities;
};
Tally tally;

void Odd(const char *what, void *handle)
{
    char line[96];
    snprintf(line, sizeof(line), "%s %p; ", what, handle);
    tally.oddities += line;
}

void Made(HGDIOBJ object, const char *call)
{
    if (!tally.counting)
        return;
    if (object == NULL) {
        Odd(call, NULL);
        return;
    }
    ++tally.made;
    if (!tally.live.insert(object).second)
        Odd("made twice", object);
}

void Deleted(HGDIOBJ object, BOOL ok)
{
    if (!tally.counting)
        return;
    if (!ok)
        Odd("delete failed", object);
    if (tally.live.erase(object) == 0)
        Odd("deleted but not made while counting", object);
}

typedef HDC(WINAPI *CreateCompatibleDCFn)(HDC);
typedef HBITMAP(WINAPI *CreateBitmapFn)(int, int, UINT, UINT, const void *);
typedef HBITMAP(WINAPI *CreateCompatibleBitmapFn)(HDC, int, int);
typedef BOOL(WINAPI *DeleteDCFn)(HDC);
typedef BOOL(WINAPI *DeleteObjectFn)(HGDIOBJ);
typedef HBITMAP(WINAPI *LoadBitmapAFn)(HINSTANCE, LPCSTR);
typedef HDC(WINAPI *GetDCFn)(HWND);
typedef int(WINAPI *ReleaseDCFn)(HWND, HDC);

CreateCompatibleDCFn realCreateCompatibleDC;
CreateBitmapFn realCreateBitmap;
CreateCompatibleBitmapFn realCreateCompatibleBitmap;
DeleteDCFn realDeleteDC;
DeleteObjectFn realDeleteObject;
LoadBitmapAFn realLoadBitmapA;
GetDCFn realGetDC;
ReleaseDCFn realReleaseDC;

HDC WINAPI CountCreateCompatibleDC(HDC dc)
{
    HDC made = realCreateCompatibleDC(dc);
    Made(made, "CreateCompatibleDC failed");
    return made;
}

HBITMAP WINAPI CountCreateBitmap(int w, int h, UINT planes, UINT bits, const void *data)
{
    HBITMAP made = realCreateBitmap(w, h, planes, bits, data);
    Made(made, "CreateBitmap failed");
    return made;
}

HBITMAP WINAPI CountCreateCompatibleBitmap(HDC dc, int w, int h)
{
    HBITMAP made = realCreateCompatibleBitmap(dc, w, h);
    Made(made, "CreateCompatibleBitmap failed");
    return made;
}

BOOL WINAPI CountDeleteDC(HDC dc)
{
    BOOL ok = realDeleteDC(dc);
    Deleted(dc, ok);
    return ok;
}

BOOL WINAPI CountDeleteObject(HGDIOBJ object)
{
    BOOL ok = realDeleteObject(object);
    Deleted(object, ok);
    return ok;
}

HBITMAP WINAPI CountLoadBitmapA(HINSTANCE module, LPCSTR name)
{
    HBITMAP made = realLoadBitmapA(module, name);
    Made(made, "LoadBitmapA failed");
    return made;
}

HDC WINAPI CountGetDC(HWND window)
{
    HDC dc = realGetDC(window);
    if (tally.counting && dc != NULL)
        ++tally.dcsHeld;
    return dc;
}

int WINAPI CountReleaseDC(HWND window, HDC dc)
{
    int released = realReleaseDC(window, dc);
    if (tally.counting)
        --tally.dcsHeld;
    return released;
}

struct Hook {
    const char *dll;
    const char *name;
    void *wrapper;
    void **real;
};

Hook hooks[] = {
    { "gdi32.dll", "CreateCompatibleDC", (void *)CountCreateCompatibleDC, (void **)&realCreateCompatibleDC },
    { "gdi32.dll", "CreateBitmap", (void *)CountCreateBitmap, (void **)&realCreateBitmap },
    { "gdi32.dll", "CreateCompatibleBitmap", (void *)CountCreateCompatibleBitmap, (void **)&realCreateCompatibleBitmap },
    { "gdi32.dll", "DeleteDC", (void *)CountDeleteDC, (void **)&realDeleteDC },
    { "gdi32.dll", "DeleteObject", (void *)CountDeleteObject, (void **)&realDeleteObject },
    { "user32.dll", "LoadBitmapA", (void *)CountLoadBitmapA, (void **)&realLoadBitmapA },
    { "user32.dll", "GetDC", (void *)CountGetDC, (void **)&realGetDC },
    { "user32.dll", "ReleaseDC", (void *)CountReleaseDC, (void **)&realReleaseDC },
};

// The patches in place while a GdiCounter lives.
std::vector<std::unique_ptr<wintest::ImportPatch>> patches;

} // namespace

GdiCounter::GdiCounter()
{
    installed_ = true;
    for (Hook &hook : hooks) {
        std::unique_ptr<wintest::ImportPatch> patch(
            new wintest::ImportPatch(GetModuleHandleA(NULL), hook.dll, hook.name, hook.wrapper));
        if (!patch->ok()) {
            installed_ = false;
            continue;
        }
        *hook.real = patch->original();
        patches.push_back(std::move(patch));
    }
}

GdiCounter::~GdiCounter()
{
    Stop();
    patches.clear();
}

void GdiCounter::Start()
{
    tally = Tally();
    tally.counting = true;
}

void GdiCounter::Stop()
{
    tally.counting = false;
}

const std::set<HGDIOBJ> &GdiCounter::Live() const { return tally.live; }
int GdiCounter::DcsHeld() const { return tally.dcsHeld; }
int GdiCounter::Made() const { return tally.made; }
const std::string &GdiCounter::Oddities() const { return tally.oddities; }
