// TVPtr.exe: what the helper's window does with the hooks' reports.
#pragma once

#include "tvptr.h"

// Carries out a button function (not Hyper-Marvane, which the hooks run).
void RunButtonFunction(DWORD code, POINT pt);

// Scrolls the window under the anchor point by the given steps.
void ScrollWindowAt(POINT anchor, int steps_x, int steps_y);

// Shows the shrinking circles around the point.
BOOL RegisterCursorFinder(HINSTANCE instance);
void ShowCursorFinder(HINSTANCE instance, POINT pt);
