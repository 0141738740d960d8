// The program entry of an application built on the framework: linked into
// the program itself (not taken from the library), so the C runtime finds it.
#include "afxwin.h"

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
